#include "ParserFuzzing.h"

#include <cmath>
#include <vector>

#include "FuzzInput.h"
#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/Pipeline.h"

namespace {

// Enough for two frames of the largest protocol-0 packets without a closing sector.
constexpr size_t STREAM_BUDGET = 96 * 1024;

constexpr int32_t READ_SIZES[16] = {1, 2, 3, 5, 8, 12, 22, 36, 50, 69, 100, 210, 409, 512, 4096, 10000};

// The parsers never write `flag`, and the first entries follow angle[] directly in the frame:
// a write one past the angle array lands here, where the address sanitizer cannot see it.
constexpr int32_t CANARY = 0x5A5AA5A5;
constexpr int32_t CANARY_ENTRIES = 4;

void ArmCanary()
{
    for (int32_t k = 0; k < CANARY_ENTRIES; ++k)
        g_ScanFrame.flag[k] = CANARY;
}

void CheckWriteIndex()
{
    FUZZ_CHECK(g_nFrameIndex >= 0 && g_nFrameIndex <= SCAN_CAPACITY);
    for (int32_t k = 0; k < CANARY_ENTRIES; ++k)
        FUZZ_CHECK(g_ScanFrame.flag[k] == CANARY);
}

void CheckCompletedFrame()
{
    FUZZ_CHECK(g_ScanFrame.count >= 1 && g_ScanFrame.count <= SCAN_CAPACITY);
    for (int32_t i = 0; i < g_ScanFrame.count; ++i)
        FUZZ_CHECK(std::isfinite(g_ScanFrame.angle[i]));
}

void RunSegment(int32_t protocol, CSerialPort& port, const uint8_t* bytes, size_t size, int32_t readSize,
                bool untilFrame)
{
    MemoryByteSource source(bytes, static_cast<int64_t>(size), readSize);
    port.AttachSource(&source);
    Store(g_nProtocol, protocol);
    // Every pass takes bytes, completes a frame from held bytes, or finds the segment used up;
    // held bytes (a few kilobytes at most) cannot complete frames without end.
    const size_t passLimit = 8 * size + 20000;
    size_t passes = 0;
    for (;; ++passes) {
        FUZZ_CHECK(passes < passLimit);
        const ParseResult result = ParseNextFrame(port);
        CheckWriteIndex();
        if (result == ParseResult::InputEnded)
            break;
        if (result == ParseResult::Frame) {
            CheckCompletedFrame();
            if (untilFrame)
                break;
        }
    }
    port.AttachSource(nullptr);
}

}  // namespace

void FuzzParserStream(int32_t protocol, const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    RunSettings settings = ModelRunSettings(g_ModelTR20_A);
    settings.protocol = protocol;
    settings.pointNum = input.Between(20, 200);
    StartRun(settings);
    ArmCanary();
    CSerialPort port;
    size_t streamed = 0;
    while (!input.Empty() && streamed < STREAM_BUDGET) {
        const uint8_t control = input.Byte();
        const int32_t parser = (control & 0x80) != 0 ? control & 3 : protocol;
        const int32_t readSize = READ_SIZES[(control >> 2) & 15];
        const uint8_t extra = (control & 0x40) != 0 ? input.Byte() : 0;
        if ((extra & 0x80) != 0)
            Store(g_nPointNum, input.Between(20, 200));
        const size_t repeats = 1 + size_t{extra & 0x3Fu};
        size_t length = 0;
        const uint8_t* bytes = input.Bytes(8 * (size_t{input.Byte()} + 1), &length);
        std::vector<uint8_t> stream;
        stream.reserve(repeats * length);
        for (size_t r = 0; r < repeats && streamed + stream.size() < STREAM_BUDGET; ++r)
            stream.insert(stream.end(), bytes, bytes + length);
        streamed += stream.size();
        RunSegment(parser, port, stream.data(), stream.size(), readSize, (extra & 0x40) != 0);
    }
}
