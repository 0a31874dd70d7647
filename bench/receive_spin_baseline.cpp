// Baseline for the idle-port CPU share of bench_receive_loop: a receive loop that polls the open,
// idle port for waiting bytes without ever waiting, as a loop without WaitForData would.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"

namespace {

constexpr int MEASURED_SECONDS = 10;

double ThreadCpuSeconds(std::thread& thread)
{
    clockid_t clock;
    timespec used {};
    pthread_getcpuclockid(thread.native_handle(), &clock);
    clock_gettime(clock, &used);
    return static_cast<double>(used.tv_sec) + used.tv_nsec * 1e-9;
}

void BM_IdleOpenPortCpuSpinning(benchmark::State& state)
{
    for (auto _ : state) {
        int writer = -1;
        int device = -1;
        char name[128] = {};
        if (openpty(&writer, &device, name, nullptr, nullptr) != 0) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        close(device);
        CSerialPort port;
        if (!port.Open(name, g_ModelTR20_A.nBaudRate)) {
            state.SkipWithError("the pseudo-terminal did not open");
            close(writer);
            return;
        }
        std::atomic<bool> stop{false};
        std::thread spinner([&] {
            uint8_t buffer[4096];
            while (!stop.load(std::memory_order_relaxed)) {
                if (port.WaitingBytes() > 0)
                    port.Read(buffer, sizeof buffer);
            }
        });
        const double before = ThreadCpuSeconds(spinner);
        std::this_thread::sleep_for(std::chrono::seconds(MEASURED_SECONDS));
        state.counters["cpu_share_percent"] = (ThreadCpuSeconds(spinner) - before) / MEASURED_SECONDS * 100.0;
        stop = true;
        spinner.join();
        static_cast<void>(port.Close());
        close(writer);
    }
}
BENCHMARK(BM_IdleOpenPortCpuSpinning)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
