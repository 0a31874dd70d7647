// plotwell-tool monitor: a real port (or the simulator's pseudo-terminal) through the receive
// thread, one status line per revolution. The headless check of a scanner.
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/Pipeline.h"
#include "tools/MonitorOutput.h"
#include "tools/RunOptions.h"
#include "tools/RunVerdict.h"
#include "tools/StopSignals.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool monitor PORT [--model NAME] [--filter FACTOR|off] [--compensation none|formula|ros]\n"
    "                                  [--frames K]\n"
    "Opens PORT (a device path such as /dev/ttyUSB0, or the path simulate --pty prints) at the\n"
    "model's baud rate and prints one line per received revolution: its sample count, the\n"
    "samples with a return, revolutions and bytes per second, and the packets that passed and\n"
    "failed their check bytes, the bytes skipped and the revolutions cut short since the last\n"
    "line. Runs until K revolutions, Ctrl+C, kill or the end of its output (a closed pipe ends it\n"
    "quietly), then sums the link's health up on standard error. Exit status 1 when the port\n"
    "cannot be opened or goes away, the output cannot be written, or no revolution came.\n"
    "  --model NAME         one of the model names; default TR20_A\n"
    "  --filter FACTOR|off  noise filter factor (above 0), or off; default 2.5\n"
    "  --compensation MODE  none, formula (default) or ros\n"
    "  --frames K           stop after K revolutions; default until interrupted\n";

// The main thread's wait is also cut short this often, should its wake-ups be unavailable.
constexpr int WAKE_CHECK_MS = 100;

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

// The receive thread's side: turns each revolution into a line for the main thread.
class Monitor {
public:
    Monitor(LineQueue& lines, int64_t frames) : m_lines(lines), m_frames(frames) {}

    static int OnFrame(void* context) { return static_cast<Monitor*>(context)->Frame(); }
    static void OnLoss(void* context) { static_cast<Monitor*>(context)->Loss(); }

    bool Lost() const { return m_lost.load(); }

    // After the receive thread has ended: the first revolution's completion, for the summary.
    int64_t FirstRevolutionNs() const { return m_firstNs; }

private:
    int Frame()
    {
        if (m_frames != 0 && m_count >= m_frames)
            return 0;
        // The receive thread writes the link's health, so its readings here are exact.
        const LinkHealthReading health = ReadLinkHealth();
        const double seconds = static_cast<double>(health.lastRevolutionNs - m_previous.lastRevolutionNs) / 1e9;
        const LinkHealthFigures figures = FiguresBetween(m_previous, health, seconds);
        const auto packets = static_cast<long long>(health.accepted - m_previous.accepted + health.rejected -
                                                    m_previous.rejected);
        const auto bad = static_cast<long long>(health.rejected - m_previous.rejected);
        const auto skipped = static_cast<long long>(health.skipped - m_previous.skipped);
        const auto cut = static_cast<long long>(health.cutShort - m_previous.cutShort);
        char line[LineQueue::LINE_LENGTH];
        int length = 0;
        if (m_count == 0) {
            m_firstNs = health.lastRevolutionNs;
            length = std::snprintf(line, sizeof line,
                                   "%d samples, %d valid, %lld packets, %lld bad, %lld bytes skipped, %lld cut short\n",
                                   Load(g_nReceived), figures.validSamples, packets, bad, skipped, cut);
        } else {
            length = std::snprintf(line, sizeof line,
                                   "%d samples, %d valid, %.2f rev/s, %.0f B/s, %lld packets, %lld bad, "
                                   "%lld bytes skipped, %lld cut short\n",
                                   Load(g_nReceived), figures.validSamples, figures.revolutionsPerSecond,
                                   figures.bytesPerSecond, packets, bad, skipped, cut);
        }
        m_previous = health;
        m_lines.Push(line, std::min(static_cast<size_t>(length), sizeof line - 1));
        if (++m_count == m_frames)
            m_lines.Finish();
        return 0;
    }

    void Loss()
    {
        m_lost.store(true);
        m_lines.Finish();
    }

    LineQueue& m_lines;
    const int64_t m_frames;
    int64_t m_count = 0;  // receive thread only, like the two below
    LinkHealthReading m_previous;
    int64_t m_firstNs = 0;
    std::atomic<bool> m_lost{false};
};

enum class RunEnd { Finished, Stopped, ReaderGone, Failed };

// What the link came to over the whole run, on standard error; EXIT_FAILED when it brought no
// revolution.
int Summarise(const Monitor& monitor, const std::string& port, int32_t protocol, std::ostream& err)
{
    const LinkHealthReading health = ReadLinkHealth();
    if (health.revolutions == 0)
        return JudgeRevolutions({"monitor", port, true}, health, protocol, err);
    char text[320];
    const double seconds = static_cast<double>(health.lastRevolutionNs - monitor.FirstRevolutionNs()) / 1e9;
    const int64_t packets = health.accepted + health.rejected;
    std::snprintf(text, sizeof text,
                  "plotwell-tool monitor: %lld revolutions (%.2f rev/s), the last of %d samples, %d valid; "
                  "%lld bytes, %lld packets passed, %lld failed their check bytes (%.1f %%), %lld bytes skipped, "
                  "%lld revolutions cut short\n",
                  static_cast<long long>(health.revolutions),
                  seconds > 0.0 ? static_cast<double>(health.revolutions - 1) / seconds : 0.0, health.samples,
                  health.validSamples, static_cast<long long>(health.bytes), static_cast<long long>(health.accepted),
                  static_cast<long long>(health.rejected),
                  packets > 0 ? 100.0 * static_cast<double>(health.rejected) / static_cast<double>(packets) : 0.0,
                  static_cast<long long>(health.skipped), static_cast<long long>(health.cutShort));
    err << text;
    return EXIT_OK;
}

// Main thread: writes the queued lines until the frames are in, the port is lost, a stop
// signal arrives or the output ends.
RunEnd Relay(LineQueue& lines, LineWriter& writer, const StopSignals& signals)
{
    for (;;) {
        pollfd fds[2] = {{lines.WakeFd(), POLLIN, 0}, {signals.WakeFd(), POLLIN, 0}};
        ::poll(fds, 2, WAKE_CHECK_MS);
        if (signals.Arrived())
            return RunEnd::Stopped;
        // Read before the lines: every line queued before the end is still written.
        const bool finished = lines.Finished();
        LineQueue::Line line;
        while (lines.Pop(line)) {
            switch (writer.Write(line.text, line.length)) {
            case LineWriter::Result::Written:
                break;
            case LineWriter::Result::Stopped:
                return RunEnd::Stopped;
            case LineWriter::Result::ReaderGone:
                return RunEnd::ReaderGone;
            case LineWriter::Result::Failed:
                return RunEnd::Failed;
            }
        }
        if (finished)
            return RunEnd::Finished;
    }
}

int RunMonitor(const MonitorOptions& options, std::ostream& out, std::ostream& err)
{
    const RunSettings settings = options.run.Settings();
    StartRun(settings);
    LineQueue lines;
    Monitor monitor(lines, options.frames);
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
    if (!port.MissingLockReason().empty())
        err << "plotwell-tool monitor: " << options.port << ": " << port.MissingLockReason() << "\n";
    // Installed before the thread starts, so that it never sees SIGPIPE either.
    const StopSignals signals;
    if (!port.StartReceiving()) {
        err << "plotwell-tool monitor: Serial Thread Setup Failed\n";
        return EXIT_FAILED;
    }
    LineWriter writer(out, signals.WakeFd());
    const RunEnd end = Relay(lines, writer, signals);
    port.EndReceiving();
    static_cast<void>(port.Close());  // the run is over either way
    if (end == RunEnd::Failed) {
        err << "plotwell-tool monitor: cannot write output: " << writer.Failure() << "\n";
        return EXIT_FAILED;
    }
    const int judged = Summarise(monitor, options.port, settings.protocol, err);
    if (end == RunEnd::Finished && monitor.Lost()) {
        err << "plotwell-tool monitor: " << options.port << " went away\n";
        return EXIT_FAILED;
    }
    return judged;
}

}  // namespace

int RunMonitorCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    MonitorOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseMonitorOptions(args, err, options), USAGE, out))
        return *status;
    return RunMonitor(options, out, err);
}
