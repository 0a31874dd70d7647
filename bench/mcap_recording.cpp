// A recording as plotwell-tool record writes it, over an hour at 10 revolutions a second of 4000
// samples: each revolution's LaserScan (converted from its point list, as the publisher does)
// and its raw bytes (the simulated scanner's protocol-1 stream), compressed with zstd (and lz4,
// and none). Reports the recorder's CPU for the hour as a share of one core, the resident
// memory's growth after the first minute, and the file's size beside the text dump's (three
// characters a byte) for the same data.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/ProcessFigures.h"
#include "recording/ScanRecorder.h"
#include "protocols/DeviceModel.h"
#include "run/SimulatedScanner.h"

namespace {

constexpr int RATE = 10;  // revolutions a second
constexpr int HOUR_REVOLUTIONS = 3600 * RATE;
constexpr int64_t PERIOD_NS = 1'000'000'000 / RATE;
constexpr int PREPARED = 20;  // different revolutions, taken in turn

// Revolutions of 4000 samples as the output stage hands them over: bytes, samples, points.
std::vector<std::unique_ptr<RevolutionValue>> PrepareRevolutions()
{
    SimulatedScannerSettings settings;
    settings.samplesPerSecond = 4000 * RATE;
    settings.revolutionsPerSecond = RATE;
    SimulatedScanner scanner(settings);
    std::vector<std::unique_ptr<RevolutionValue>> values;
    while (static_cast<int>(values.size()) < PREPARED && scanner.NextRevolution()) {
        auto value = std::make_unique<RevolutionValue>();
        value->complete = true;
        value->byteCount = std::min<int32_t>(static_cast<int32_t>(scanner.ByteCount()), REVOLUTION_BYTES_CAPACITY);
        std::copy(scanner.Bytes(), scanner.Bytes() + value->byteCount, value->bytes);
        value->points.count = scanner.SampleCount();
        for (int32_t i = 0; i < scanner.SampleCount(); ++i) {
            value->points.angle[i] = scanner.Samples()[i].angle;
            value->points.distance[i] = scanner.Samples()[i].distance;
        }
        values.push_back(std::move(value));
    }
    return values;
}

void RecordAnHour(benchmark::State& state)
{
    ScanRecorderOptions options;
    options.compression = static_cast<McapCompression>(state.range(0));
    std::vector<std::unique_ptr<RevolutionValue>> values = PrepareRevolutions();
    RunInfo run;
    run.model = &g_ModelTR20_A;
    run.protocol = 1;
    const std::string path = "/tmp/plotwell-bench-" + std::to_string(getpid()) + ".mcap";
    uint64_t fileBytes = 0;
    uint64_t rawBytes = 0;
    long residentGrowth = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const double cpuStart = ThreadCpuSeconds();
        ScanRecorder recorder;
        if (!recorder.Open(path, options) || !recorder.BeginRun(run, {false, 2.5f, {1, &g_ModelTR20_A, 0}})) {
            state.SkipWithError(recorder.Error().c_str());
            return;
        }
        long residentAfterWarmUp = 0;
        for (int i = 0; i < HOUR_REVOLUTIONS; ++i) {
            RevolutionValue& value = *values[static_cast<size_t>(i % PREPARED)];
            value.sequence = static_cast<uint64_t>(i + 1);
            value.times.completedNs = i * PERIOD_NS;
            value.times.completedWallNs = 1'765'000'000'000'000'000 + i * PERIOD_NS;
            if (!recorder.Write(value)) {
                state.SkipWithError(recorder.Error().c_str());
                return;
            }
            if (i == 60 * RATE)  // after a minute: buffers at their size
                residentAfterWarmUp = ResidentKilobytes();
        }
        residentGrowth = ResidentKilobytes() - residentAfterWarmUp;
        rawBytes = recorder.Bytes();
        if (!recorder.Close()) {
            state.SkipWithError(recorder.Error().c_str());
            return;
        }
        cpuSeconds = ThreadCpuSeconds() - cpuStart;
        fileBytes = static_cast<uint64_t>(std::filesystem::file_size(path));
    }
    std::remove(path.c_str());
    state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    state.counters["text_dump_MB"] = 3.0 * static_cast<double>(rawBytes) / 1e6;
    state.counters["rss_growth_kB"] = static_cast<double>(residentGrowth);
    state.counters["cpu_percent_of_core"] = 100.0 * cpuSeconds / 3600.0;
}

}  // namespace

BENCHMARK(RecordAnHour)
    ->Arg(static_cast<int>(McapCompression::Zstd))
    ->Arg(static_cast<int>(McapCompression::Lz4))
    ->Arg(static_cast<int>(McapCompression::None))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
