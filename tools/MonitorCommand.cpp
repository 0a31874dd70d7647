// plotwell-tool monitor: a real port (or the simulator's pseudo-terminal) through the receive
// thread, one status line per revolution. The headless check of a scanner.
#include <csignal>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <ostream>

#include "acquisition/Pipeline.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "tools/RunOptions.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool monitor PORT [--model NAME] [--filter FACTOR|off] [--compensation none|formula|ros]\n"
    "                                  [--frames K]\n"
    "Opens PORT (a device path such as /dev/ttyUSB0, or the path simulate --pty prints) at the\n"
    "model's baud rate and prints one line per received revolution: its sample count, the\n"
    "samples with a return, and revolutions per second. Runs until K revolutions or Ctrl+C.\n"
    "  --model NAME         one of the model names; default TR20_A\n"
    "  --filter FACTOR|off  noise filter factor (above 0), or off; default 2.5\n"
    "  --compensation MODE  none, formula (default) or ros\n"
    "  --frames K           stop after K revolutions; default until interrupted\n";

constexpr auto INTERRUPT_CHECK = std::chrono::milliseconds(100);

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

struct MonitorOptions {
    std::string port;
    RunOptions run;
    int64_t frames = 0;  // 0: until interrupted
};

Parsed ParseMonitorOptions(const std::vector<std::string>& args, std::ostream& err, MonitorOptions& options)
{
    std::vector<OptionRule> rules = RunOptionRules(options.run, false);
    rules.push_back({"--frames", [&options](OptionReader& reader) { return reader.Integer(1, INT32_MAX, options.frames); }});
    const OperandRule port{&options.port, "port", "a PORT, e.g. /dev/ttyUSB0"};
    return OptionReader("monitor", args, err).Read(rules, &port);
}

// The receive thread's side: prints each revolution as it arrives.
class Monitor {
public:
    Monitor(std::ostream& out, int64_t frames) : m_out(out), m_frames(frames) {}

    static int OnFrame(void* context) { return static_cast<Monitor*>(context)->Frame(); }
    static void OnLoss(void* context) { static_cast<Monitor*>(context)->Loss(); }

    // Until the frames are in, the device is gone or Ctrl+C; true unless the device went away.
    bool Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_done && !g_interrupted)
            m_changed.wait_for(lock, INTERRUPT_CHECK);
        return !m_lost;
    }

private:
    int Frame()
    {
        if (m_frames != 0 && m_count >= m_frames)
            return 0;
        const auto now = std::chrono::steady_clock::now();
        int32_t valid = 0;
        for (int32_t i = 0; i < g_ScanFrame.count; ++i)
            valid += g_ScanFrame.distance[i] > 0;
        char line[96];
        int length = 0;
        if (m_count == 0)
            length = std::snprintf(line, sizeof line, "%d samples, %d valid\n", Load(g_nReceived), valid);
        else
            length = std::snprintf(line, sizeof line, "%d samples, %d valid, %.2f rev/s\n", Load(g_nReceived), valid,
                                   1.0 / std::chrono::duration<double>(now - m_last).count());
        m_last = now;
        m_out.write(line, length).flush();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = ++m_count == m_frames;
        m_changed.notify_all();
        return 0;
    }

    void Loss()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lost = m_done = true;
        m_changed.notify_all();
    }

    std::ostream& m_out;
    const int64_t m_frames;
    int64_t m_count = 0;  // receive thread only
    std::chrono::steady_clock::time_point m_last;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_lost = false;
};

int RunMonitor(const MonitorOptions& options, std::ostream& out, std::ostream& err)
{
    StartRun(options.run.Settings());
    Monitor monitor(out, options.frames);
    CSerialPort port;
    port.SetCallback(&Monitor::OnFrame, &monitor);
    port.SetLossCallback(&Monitor::OnLoss, &monitor);
    std::string reason;
    const int32_t baudRate = options.run.model->nBaudRate;
    if (!port.Open(options.port, baudRate, &reason)) {
        err << "plotwell-tool monitor: Open Failed\n" << reason << "\n";
        return EXIT_FAILED;
    }
    err << "plotwell-tool monitor: " << options.port << " at " << LineSettingsText(baudRate) << ", model "
        << options.run.model->szName << "\n";
    if (!port.StartReceiving()) {
        err << "plotwell-tool monitor: Serial Thread Setup Failed\n";
        return EXIT_FAILED;
    }
    g_interrupted = 0;
    const auto previous = std::signal(SIGINT, OnInterrupt);
    const bool stillThere = monitor.Wait();
    std::signal(SIGINT, previous);
    port.EndReceiving();
    static_cast<void>(port.Close());  // the run is over either way
    if (!stillThere) {
        err << "plotwell-tool monitor: " << options.port << " went away\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace

int RunMonitorCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    MonitorOptions options;
    const Parsed parsed = ParseMonitorOptions(args, err, options);
    if (parsed == Parsed::Help) {
        out << USAGE;
        return EXIT_OK;
    }
    if (parsed == Parsed::Error)
        return EXIT_USAGE;
    return RunMonitor(options, out, err);
}
