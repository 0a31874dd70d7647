// End-to-end latency of the viewer: from the write that completes a revolution on a
// pseudo-terminal to the main dialog's signal that the view has drawn it (receive thread, filter
// and point list, hand-over to the UI thread, redraw); the same with an output attached that
// sleeps a second on every revolution, which must cost the view nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "run/SimulatedScanner.h"
#include "ui/ControlIds.h"
#include "ui/PlotwellDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int REVOLUTIONS = 200;
constexpr size_t LOOKAHEAD = 210;  // protocol 1 sees a closing packet once a full buffer follows it

QApplication& Application()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_ui_last_byte_to_picture";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

bool SendAll(int writer, const std::vector<uint8_t>& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(writer, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Sleeps a second on every revolution (cut short when the benchmark ends).
struct StalledOutput : RevolutionOutput {
    std::mutex mutex;
    std::condition_variable woken;
    bool ending = false;

    void Take(const RevolutionValue&) override
    {
        std::unique_lock lock(mutex);
        woken.wait_for(lock, std::chrono::seconds(1), [this] { return ending; });
    }
    void End()
    {
        std::lock_guard lock(mutex);
        ending = true;
        woken.notify_all();
    }
};

// range(0): 1 with the stalled output attached.
void BM_LastByteToDrawnPicture(benchmark::State& state)
{
    Application();
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<std::vector<uint8_t>> revolutions;
    for (int i = 0; i <= REVOLUTIONS; ++i) {
        scanner.NextRevolution();
        revolutions.emplace_back(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        int writer = -1;
        int device = -1;
        char name[128] = {};
        if (openpty(&writer, &device, name, nullptr, nullptr) != 0) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        termios tio {};
        tcgetattr(writer, &tio);
        cfmakeraw(&tio);
        tcsetattr(writer, TCSANOW, &tio);
        close(device);
        QTemporaryDir scratch;
        DialogOptions options;
        options.roots.sysClassTty = (scratch.path() + "/sys").toStdString();
        options.roots.serialById = (scratch.path() + "/by-id").toStdString();
        options.roots.lockDirs = {scratch.path().toStdString()};
        options.roots.proc = (scratch.path() + "/proc").toStdString();
        options.extraPorts = {name};
        StalledOutput stalled;
        if (state.range(0) == 1)
            options.addedOutputs.push_back({&stalled, {"stalled", 4, {}}});
        CPlotwellDlg dialog(options);
        dialog.resize(1000, 720);
        dialog.show();
        int drawn = 0;
        Clock::time_point drawnAt;
        QObject::connect(&dialog, &CPlotwellDlg::frameShown, [&] {
            drawnAt = Clock::now();
            ++drawn;
        });
        qobject_cast<QAbstractButton*>(dialog.Control(ControlId::OPEN_CLOSE))->click();
        size_t offset = 0;
        for (int i = 0; i < REVOLUTIONS; ++i) {
            std::vector<uint8_t> chunk(revolutions[i].begin() + static_cast<std::ptrdiff_t>(offset), revolutions[i].end());
            chunk.insert(chunk.end(), revolutions[i + 1].begin(), revolutions[i + 1].begin() + LOOKAHEAD);
            offset = LOOKAHEAD;
            const auto written = Clock::now();
            SendAll(writer, chunk);
            QElapsedTimer waited;
            waited.start();
            while (drawn <= i && waited.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (drawn <= i) {
                state.SkipWithError("a revolution was not drawn");
                break;
            }
            latencies.push_back(std::chrono::duration<double, std::milli>(drawnAt - written).count());
        }
        qobject_cast<QAbstractButton*>(dialog.Control(ControlId::OPEN_CLOSE))->click();
        stalled.End();
        close(writer);
    }
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
    state.counters["max_ms"] = latencies.back();
}
BENCHMARK(BM_LastByteToDrawnPicture)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
