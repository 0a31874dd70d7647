// Decode throughput of the protocol 0, 2 and 3 parsers: a long stream of simulated revolutions
// fed through the port in reads of 4096 bytes, as a busy live line delivers them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"
#include "protocols/Protocol0Encoder.h"
#include "protocols/Protocol2Encoder.h"
#include "protocols/Protocol3Encoder.h"
#include "run/Pipeline.h"

namespace {

constexpr int32_t REVOLUTIONS = 400;
constexpr int32_t SAMPLES = 720;
constexpr int32_t READ_SIZE = 4096;

std::vector<uint8_t> Stream(int32_t protocol, int32_t pointNum)
{
    std::vector<ScanSample> samples(SAMPLES);
    for (int32_t i = 0; i < SAMPLES; ++i) {
        const float angle = 360.0f * static_cast<float>(i) / SAMPLES;
        samples[static_cast<size_t>(i)] = {angle, static_cast<int16_t>(2000 + 1500 * std::sin(angle / 20.0f)), 0};
    }
    const Revolution revolution{samples.data(), SAMPLES, 7.0f};
    const EncoderSettings settings{pointNum};
    std::vector<uint8_t> packets(1 << 16);
    std::vector<uint8_t> stream;
    const auto room = static_cast<int32_t>(packets.size());
    for (int32_t r = 0; r < REVOLUTIONS; ++r) {
        const int32_t size = protocol == 0   ? EncodeProtocol0Revolution(revolution, settings, packets.data(), room)
                             : protocol == 2 ? EncodeProtocol2Revolution(revolution, settings, packets.data(), room)
                                             : EncodeProtocol3Revolution(revolution, settings, packets.data(), room);
        stream.insert(stream.end(), packets.begin(), packets.begin() + size);
    }
    return stream;
}

// Decodes the whole stream once; the number of frames completed.
int64_t DecodeAll(const std::vector<uint8_t>& stream, CSerialPort& port)
{
    MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), READ_SIZE);
    port.AttachSource(&source);
    port.rxFill = 0;
    int64_t frames = 0;
    for (ParseResult result; (result = ParseNextFrame(port)) != ParseResult::InputEnded;)
        frames += result == ParseResult::Frame;
    port.AttachSource(nullptr);
    return frames;
}

void DecodeProtocol(benchmark::State& state, int32_t protocol)
{
    const int32_t pointNum = static_cast<int32_t>(state.range(0));
    RunSettings settings = ModelRunSettings(g_ModelTR20_A);
    settings.protocol = protocol;
    settings.pointNum = pointNum;
    StartRun(settings);
    const std::vector<uint8_t> stream = Stream(protocol, pointNum);
    auto port = std::make_unique<CSerialPort>();
    int64_t frames = 0;
    for (auto _ : state)
        frames += DecodeAll(stream, *port);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_DecodeProtocol0(benchmark::State& state) { DecodeProtocol(state, 0); }
void BM_DecodeProtocol2(benchmark::State& state) { DecodeProtocol(state, 2); }
void BM_DecodeProtocol3(benchmark::State& state) { DecodeProtocol(state, 3); }

}  // namespace

BENCHMARK(BM_DecodeProtocol0)->Arg(30)->Arg(60)->Arg(200);
BENCHMARK(BM_DecodeProtocol2)->Arg(0);
BENCHMARK(BM_DecodeProtocol3)->Arg(0);
