// What publishing a revolution as a LaserScan costs the thread that publishes: the conversion
// alone, and conversion plus the DDS write, with no subscriber and with one in this process; how
// many heap allocations one revolution makes on that thread once the first has been sent; and
// how many the receive path makes per revolution (parse, process, fill a value from the pool and
// hand it to the outputs, publishing among them, one of them stalled).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"
#include "messages/LaserScan.h"
#include "ros2/PublisherOutput.h"
#include "ros2/RevolutionPublisher.h"
#include "messages/ScanConversion.h"
#include "ros2/ScanPublisher.h"
#include "ros2/ScanSubscriber.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/RecorderOutput.h"
#include "run/RevolutionFeed.h"
#include "run/SimulatedRoom.h"
#include "run/SimulatedScanner.h"

// Every malloc, calloc and realloc of the thread that counts, whatever library makes it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
}

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;
}  // namespace

extern "C" void* malloc(size_t size)
{
    allocations += counting;
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
    allocations += counting;
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* pointer, size_t size)
{
    allocations += counting;
    return __libc_realloc(pointer, size);
}

namespace {

constexpr int32_t PROTOCOL = 1;
constexpr RevolutionTime TIME{1700000000000000000, 0.1};

// The simulated room at `count` evenly spaced samples, every fiftieth without a return.
const PointList& Revolution(int32_t count)
{
    static auto list = std::make_unique<PointList>();
    list->count = count;
    for (int32_t i = 0; i < count; ++i) {
        list->angle[i] = static_cast<float>(i * 360.0 / count);
        const double distance = RoomDistance(list->angle[i]);
        list->distance[i] = i % 50 == 0 || distance <= 0.0 ? int16_t{0} : static_cast<int16_t>(std::fmin(distance, 16000.0));
    }
    return *list;
}

// A domain of its own, away from 0, so that runs beside each other (and ROS 2 nodes) never meet.
uint32_t BenchDomain()
{
    static const uint32_t domain = [] {
        std::random_device entropy;
        return std::uniform_int_distribution<uint32_t>(100, 232)(entropy);
    }();
    return domain;
}

// Allocations of the measured thread per iteration, after a first revolution outside the count.
template <typename Step>
void Measure(benchmark::State& state, Step step)
{
    step();
    allocations = 0;
    counting = true;
    for (auto _ : state)
        step();
    counting = false;
    state.counters["allocs_per_revolution"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Convert(benchmark::State& state)
{
    const int32_t samples = static_cast<int32_t>(state.range(0));
    const PointList& list = Revolution(samples);
    const ScanShape shape{static_cast<int32_t>(state.range(1)), 0.05f, 12.0f};
    LaserScan scan;
    Measure(state, [&] {
        RevolutionToLaserScan(list, PROTOCOL, TIME, shape, scan);
        benchmark::DoNotOptimize(scan.ranges[0]);
    });
}
BENCHMARK(BM_Convert)->Args({500, 500})->Args({16000, 500})->Args({16000, 16000})->Unit(benchmark::kMicrosecond);

// range(2): 0 without a subscriber, 1 with a best-effort subscriber in this process.
void BM_ConvertAndWrite(benchmark::State& state)
{
    const int32_t samples = static_cast<int32_t>(state.range(0));
    const PointList& list = Revolution(samples);
    const ScanShape shape{static_cast<int32_t>(state.range(1)), 0.05f, 12.0f};
    LaserScan scan;
    scan.frameId = "laser";
    ScanPublisher publisher;
    ScanSubscriber subscriber;
    std::string reason;
    std::atomic<long> received{0};
    if (!publisher.Open(BenchDomain(), "/plotwell_bench/scan", reason) ||
        (state.range(2) == 1 &&
         !subscriber.Open(BenchDomain(), "/plotwell_bench/scan",
                          [&](const LaserScan&) { received.fetch_add(1); }, reason))) {
        state.SkipWithError(reason.c_str());
        return;
    }
    Measure(state, [&] {
        RevolutionToLaserScan(list, PROTOCOL, TIME, shape, scan);
        if (!publisher.Publish(scan))
            state.SkipWithError("a write failed");
    });
    subscriber.Close();
    state.counters["received"] = benchmark::Counter(static_cast<double>(received.load()));
}
BENCHMARK(BM_ConvertAndWrite)
    ->Args({500, 500, 0})
    ->Args({16000, 16000, 0})
    ->Args({16000, 16000, 1})
    ->Unit(benchmark::kMicrosecond);

// An output that sleeps on every revolution, so that its queue is always full and drops.
struct StalledOutput : RevolutionOutput {
    void Take(const RevolutionValue&) override { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }
};

// The thread that reads: each iteration parses one revolution from memory, processes it and hands
// it to the stage, whose outputs (a publisher, the recorder, a stalled one) run on their own threads.
void BM_ReceivePathAllocations(benchmark::State& state)
{
    constexpr int REVOLUTIONS = 2000;
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<uint8_t> stream;
    for (int i = 0; i < REVOLUTIONS; ++i) {
        scanner.NextRevolution();
        stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    RevolutionPublisher publisher;
    std::string reason;
    if (!publisher.Open({BenchDomain(), "/plotwell_bench/receive_path", "laser", ModelScanShape(g_ModelTR20_A)},
                        reason)) {
        state.SkipWithError(reason.c_str());
        return;
    }
    PublisherOutput publishing(publisher);
    RecorderOutput recording;
    StalledOutput stalled;
    OutputStage stage;
    stage.Attach(publishing, {"publishing", 8, {}});
    stage.Attach(recording, {"recording", 64, {}});
    const OutputStage::OutputId stalledId = stage.Attach(stalled, {"stalled", 8, {}});
    if (!stage.Start()) {
        state.SkipWithError("no output thread");
        return;
    }
    const RunSettings settings = ModelRunSettings(g_ModelTR20_A);
    StartRun(settings);
    MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), 4096);
    CSerialPort port;
    port.AttachSource(&source);
    {
        RevolutionFeed feed(stage, port);
        Measure(state, [&] {
            while (ParseNextFrame(port) != ParseResult::Frame) {
            }
            feed.Complete(settings.processing);
        });
    }
    stage.Stop();
    state.counters["stalled_dropped"] = benchmark::Counter(static_cast<double>(stage.Dropped(stalledId)));
}
BENCHMARK(BM_ReceivePathAllocations)->Arg(1)->Iterations(1500)->Unit(benchmark::kMicrosecond);

}  // namespace
