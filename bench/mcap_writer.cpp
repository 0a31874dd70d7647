// The recording writer over an hour at 10 revolutions a second of 4000 samples: LaserScan-sized
// messages (ranges and intensities as float32, from the simulated room with millimetre noise)
// compressed with zstd (and lz4, and none, for comparison). Reports the writer's CPU per
// second of data, the file's size, the allocations per message and the resident memory's growth.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench/ProcessFigures.h"
#include "mcap/McapWriter.h"
#include "run/SimulatedRoom.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

constexpr int SAMPLES = 4000;
constexpr int RATE = 10;                       // revolutions a second
constexpr int HOUR_MESSAGES = 3600 * RATE;
constexpr uint64_t PERIOD = 1'000'000'000 / RATE;

// A LaserScan in CDR as the publisher fills it: header (stamp, frame id), seven float32 fields,
// then ranges and intensities; the sizes are what matter here, and noise like a real scanner's.
std::vector<uint8_t> ScanMessage(std::mt19937& random)
{
    std::vector<uint8_t> bytes = {0x00, 0x01, 0x00, 0x00};
    const auto put = [&bytes](const void* value, size_t size) {
        const auto* raw = static_cast<const uint8_t*>(value);
        bytes.insert(bytes.end(), raw, raw + size);
    };
    const uint32_t stamp[2] = {1'700'000'000, 0};
    put(stamp, sizeof stamp);
    const uint32_t frameLength = 6;
    put(&frameLength, 4);
    put("laser\0\0\0", 8);  // the string and the padding to the next float
    const float fields[7] = {0.0f, 6.2816f, 6.2832f / SAMPLES, 0.0001f, 0.1f, 0.15f, 12.0f};
    put(fields, sizeof fields);
    std::normal_distribution<float> noise(0.0f, 0.005f);
    for (int series = 0; series < 2; ++series) {
        const uint32_t count = SAMPLES;
        put(&count, 4);
        for (int i = 0; i < SAMPLES; ++i) {
            const double distance = RoomDistance(360.0 * i / SAMPLES) / 1000.0;
            const float value = series == 0 ? (distance < 0 ? INFINITY : static_cast<float>(distance) + noise(random))
                                            : (distance < 0 ? 0.0f : std::round(200.0f - 10.0f * static_cast<float>(distance)));
            put(&value, 4);
        }
    }
    return bytes;
}

void WriteAnHour(benchmark::State& state)
{
    const auto compression = static_cast<McapCompression>(state.range(0));
    std::mt19937 random(7);
    std::vector<std::vector<uint8_t>> scans;
    for (int i = 0; i < 20; ++i)
        scans.push_back(ScanMessage(random));
    const std::string path = "/tmp/plotwell-bench-" + std::to_string(getpid()) + ".mcap";
    uint64_t fileBytes = 0;
    uint64_t steadyAllocations = 0;
    long residentGrowth = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const double cpuStart = ThreadCpuSeconds();
        McapWriter writer;
        McapWriterOptions options;
        options.compression = compression;
        if (!writer.Open(path, options)) {
            state.SkipWithError(writer.Error().c_str());
            return;
        }
        const uint16_t schema = writer.AddSchema("sensor_msgs/msg/LaserScan", "ros2msg", {});
        const uint16_t channel = writer.AddChannel(schema, "/scan", "cdr");
        long residentAfterWarmUp = 0;
        uint64_t allocationsAfterWarmUp = 0;
        for (int i = 0; i < HOUR_MESSAGES; ++i) {
            const uint64_t time = 1'700'000'000'000'000'000ull + i * PERIOD;
            const std::vector<uint8_t>& scan = scans[i % scans.size()];
            if (!writer.WriteMessage({channel, static_cast<uint32_t>(i), time, time, scan})) {
                state.SkipWithError(writer.Error().c_str());
                return;
            }
            if (i == 60 * RATE) {  // after a minute: buffers at their size
                residentAfterWarmUp = ResidentKilobytes();
                allocationsAfterWarmUp = g_allocations.load(std::memory_order_relaxed);
            }
        }
        steadyAllocations = g_allocations.load(std::memory_order_relaxed) - allocationsAfterWarmUp;
        residentGrowth = ResidentKilobytes() - residentAfterWarmUp;
        if (!writer.Close()) {
            state.SkipWithError(writer.Error().c_str());
            return;
        }
        cpuSeconds = ThreadCpuSeconds() - cpuStart;
        fileBytes = static_cast<uint64_t>(std::filesystem::file_size(path));
    }
    std::remove(path.c_str());
    const double messageBytes = static_cast<double>(scans[0].size());
    state.counters["message_bytes"] = messageBytes;
    state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    state.counters["data_MB"] = messageBytes * HOUR_MESSAGES / 1e6;
    state.counters["allocs_per_message"] = static_cast<double>(steadyAllocations) / (HOUR_MESSAGES - 60 * RATE);
    state.counters["rss_growth_kB"] = static_cast<double>(residentGrowth);
    // The writer's CPU (compression and writes included) for the hour, as a share of one core.
    state.counters["cpu_percent_of_core"] = 100.0 * cpuSeconds / 3600.0;
}

}  // namespace

BENCHMARK(WriteAnHour)
    ->Arg(static_cast<int>(McapCompression::Zstd))
    ->Arg(static_cast<int>(McapCompression::Lz4))
    ->Arg(static_cast<int>(McapCompression::None))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Counting replacements of the global allocation functions. GCC takes the free() of memory
// from this operator new for a mismatch; it is the pair the standard allows.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}
