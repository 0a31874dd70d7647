// Protocol-1 decoding throughput: simulated revolutions through the protocol-1 parser, as the
// receive thread runs it, reads as large as the packet buffer takes.
#include <benchmark/benchmark.h>

#include <vector>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/Pipeline.h"
#include "run/SimulatedScanner.h"

namespace {

std::vector<uint8_t> SimulatedStream(int32_t revolutions, int32_t samplesPerPacket)
{
    SimulatedScannerSettings settings;
    settings.samplesPerPacket = samplesPerPacket;
    SimulatedScanner scanner(settings);
    std::vector<uint8_t> stream;
    for (int32_t r = 0; r < revolutions; ++r) {
        scanner.NextRevolution();
        stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    return stream;
}

void DecodeProtocol1(benchmark::State& state)
{
    const std::vector<uint8_t> stream = SimulatedStream(200, static_cast<int32_t>(state.range(0)));
    const int32_t chunk = static_cast<int32_t>(state.range(1));
    const RunSettings settings = ModelRunSettings(g_ModelTR20_A);
    int64_t frames = 0;
    for (auto _ : state) {
        StartRun(settings);
        MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), chunk);
        CSerialPort port;
        port.AttachSource(&source);
        while (ParseNextFrame(port) == ParseResult::Frame)
            ++frames;
        benchmark::DoNotOptimize(g_ScanFrame.count);
        port.AttachSource(nullptr);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

}  // namespace

// Samples per data packet, bytes per read.
BENCHMARK(DecodeProtocol1)->Args({90, 4096})->Args({99, 4096})->Args({20, 4096})->Args({90, 50});
