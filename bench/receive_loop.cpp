// The receive thread on a pseudo-terminal: CPU share on an idle open port, and the latency from
// the write that completes a revolution on the line to an output of the stage, on its own thread.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "run/SimulatedScanner.h"

namespace {

using Clock = std::chrono::steady_clock;

// The scanner's end of a pseudo-terminal pair; the port opens the device end by its path.
struct Line {
    int writer = -1;
    std::string device;

    Line()
    {
        int slave = -1;
        char name[128] = {};
        if (openpty(&writer, &slave, name, nullptr, nullptr) != 0)
            return;
        termios tio {};
        tcgetattr(writer, &tio);
        cfmakeraw(&tio);
        tcsetattr(writer, TCSANOW, &tio);
        close(slave);
        device = name;
    }
    ~Line() { close(writer); }

    bool Send(const uint8_t* bytes, size_t size) const
    {
        while (size > 0) {
            const ssize_t n = write(writer, bytes, size);
            if (n <= 0)
                return false;
            bytes += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
};

double ThreadCpuSeconds(std::thread& thread)
{
    clockid_t clock;
    timespec used {};
    pthread_getcpuclockid(thread.native_handle(), &clock);
    clock_gettime(clock, &used);
    return static_cast<double>(used.tv_sec) + used.tv_nsec * 1e-9;
}

struct Arrivals : RevolutionOutput {
    std::mutex mutex;
    std::condition_variable arrived;
    int frames = 0;
    Clock::time_point last;

    void Take(const RevolutionValue& revolution) override
    {
        if (!revolution.complete)
            return;
        const auto now = Clock::now();
        std::lock_guard<std::mutex> lock(mutex);
        last = now;
        ++frames;
        arrived.notify_all();
    }
};

// False when the port did not open or the threads did not start.
bool StartOnLine(CSerialPort& port, const Line& line, OutputStage& stage, Arrivals& arrivals)
{
    StartRun(ModelRunSettings(g_ModelTR20_A));
    stage.Attach(arrivals, {"arrivals", 8, {}});
    return stage.Start() && port.Open(line.device, g_ModelTR20_A.nBaudRate) && StartReceiving(port, stage);
}

// One iteration: the receive thread's CPU time over 10 s of an open port on which nothing arrives.
void BM_IdleOpenPortCpu(benchmark::State& state)
{
    for (auto _ : state) {
        Line line;
        Arrivals arrivals;
        OutputStage stage;
        CSerialPort port;
        if (!StartOnLine(port, line, stage, arrivals)) {
            state.SkipWithError("the pseudo-terminal did not open");
            return;
        }
        const double before = ThreadCpuSeconds(port.hThread);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double used = ThreadCpuSeconds(port.hThread) - before;
        state.counters["cpu_share_percent"] = used / 10.0 * 100.0;
        port.EndReceiving();
    }
}
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kSecond);

// Each write carries the rest of a revolution and the first 210 bytes of the next: the protocol-1
// parser scans only a full 210-byte buffer, so those are what lets it see the closing packet.
void BM_LastByteToOutput(benchmark::State& state)
{
    constexpr int REVOLUTIONS = 300;
    constexpr size_t LOOKAHEAD = 210;
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<std::vector<uint8_t>> revolutions;
    for (int i = 0; i <= REVOLUTIONS; ++i) {
        scanner.NextRevolution();
        revolutions.emplace_back(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        Line line;
        Arrivals arrivals;
        OutputStage stage;
        CSerialPort port;
        if (!StartOnLine(port, line, stage, arrivals)) {
            state.SkipWithError("the pseudo-terminal did not open");
            return;
        }
        size_t offset = 0;
        for (int i = 0; i < REVOLUTIONS; ++i) {
            std::vector<uint8_t> chunk(revolutions[i].begin() + static_cast<std::ptrdiff_t>(offset), revolutions[i].end());
            chunk.insert(chunk.end(), revolutions[i + 1].begin(), revolutions[i + 1].begin() + LOOKAHEAD);
            offset = LOOKAHEAD;
            const auto written = Clock::now();
            line.Send(chunk.data(), chunk.size());
            std::unique_lock<std::mutex> lock(arrivals.mutex);
            if (!arrivals.arrived.wait_for(lock, std::chrono::seconds(2), [&] { return arrivals.frames > i; })) {
                state.SkipWithError("a revolution produced no frame");
                break;
            }
            latencies.push_back(std::chrono::duration<double, std::milli>(arrivals.last - written).count());
        }
        port.EndReceiving();
    }
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
    state.counters["max_ms"] = latencies.back();
}
BENCHMARK(BM_LastByteToOutput)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
