// plotwell-tool monitor: a real port (or the simulator's pseudo-terminal) through the receive
// thread, one status line per revolution. The headless check of a scanner.
#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "tools/Counted.h"
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
    "quietly), then sums the link's health up on standard error, with the lines dropped because\n"
    "the output took them slower than the scanner sent them. Exit status 1 when the port cannot\n"
    "be opened or goes away, the output cannot be written, or no revolution came.\n"
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

enum class RunEnd { Finished, Stopped, ReaderGone, Failed };

// What the link came to over the whole run, and how many lines the output could not take, on
// standard error; EXIT_FAILED when it brought no revolution.
int Summarise(const MonitorLines& lines, int64_t dropped, const std::string& port, int32_t protocol,
              std::ostream& err)
{
    const LinkHealthReading health = ReadLinkHealth();
    if (health.revolutions == 0)
        return JudgeRevolutions({"monitor", port, true}, health, protocol, err);
    const double seconds = static_cast<double>(health.lastRevolutionNs - lines.FirstRevolutionNs()) / 1e9;
    const int64_t packets = health.accepted + health.rejected;
    char rates[80];
    std::snprintf(rates, sizeof rates, " (%.2f rev/s)",
                  seconds > 0.0 ? static_cast<double>(health.revolutions - 1) / seconds : 0.0);
    char share[32];
    std::snprintf(share, sizeof share, " (%.1f %%)",
                  packets > 0 ? 100.0 * static_cast<double>(health.rejected) / static_cast<double>(packets) : 0.0);
    err << "plotwell-tool monitor: " << Counted(health.revolutions, "revolution") << rates << ", the last of "
        << Counted(health.samples, "sample") << ", " << health.validSamples << " valid; "
        << Counted(health.bytes, "byte") << ", " << Counted(health.accepted, "packet") << " passed, "
        << health.rejected << " failed their check bytes" << share << ", " << Counted(health.skipped, "byte")
        << " skipped, " << Counted(health.cutShort, "revolution") << " cut short; "
        << Counted(lines.Printed(), "line") << " printed, " << dropped << " dropped"
        << (dropped > 0 ? " (the output took them slower than the scanner sent them)" : "") << "\n";
    return EXIT_OK;
}

// Main thread: waits until the frames are in, the port is lost, the output ended or a stop
// signal arrives.
RunEnd AwaitEnd(const MonitorLines& lines, const StopSignals& signals)
{
    for (;;) {
        pollfd fds[2] = {{lines.DoneFd(), POLLIN, 0}, {signals.WakeFd(), POLLIN, 0}};
        ::poll(fds, 2, WAKE_CHECK_MS);
        if (signals.Arrived())
            return RunEnd::Stopped;
        if (!lines.Finished())
            continue;
        switch (lines.WriteResult()) {
        case LineWriter::Result::Written:
            return RunEnd::Finished;
        case LineWriter::Result::Stopped:
            return RunEnd::Stopped;
        case LineWriter::Result::ReaderGone:
            return RunEnd::ReaderGone;
        case LineWriter::Result::Failed:
            return RunEnd::Failed;
        }
    }
}

void OnLoss(void* context)
{
    static_cast<MonitorLines*>(context)->Finish();
}

// A queue of a few seconds of revolutions for a reader that takes the lines in bursts.
constexpr int32_t LINES_QUEUED = 64;

int RunMonitor(const MonitorOptions& options, std::ostream& out, std::ostream& err)
{
    const RunSettings settings = options.run.Settings();
    StartRun(settings);
    CSerialPort port;
    std::string reason;
    const int32_t baudRate = options.run.model->nBaudRate;
    if (!port.Open(options.port, baudRate, &reason)) {
        err << "plotwell-tool monitor: Open Failed\n" << reason << "\n";
        return EXIT_FAILED;
    }
    err << "plotwell-tool monitor: " << options.port << " at " << LineSettingsText(baudRate) << ", model "
        << options.run.model->szName << "\n";
    if (!port.LockNote().empty())
        err << "plotwell-tool monitor: " << options.port << ": " << port.LockNote() << "\n";
    // Installed before the threads start, so that they never see SIGPIPE either.
    const StopSignals signals;
    LineWriter writer(out, signals.WakeFd());
    MonitorLines lines(writer, options.frames);
    port.SetLossCallback(&OnLoss, &lines);
    OutputStage stage;
    const OutputStage::OutputId linesId = stage.Attach(lines, {"monitor", LINES_QUEUED, {}});
    if (!stage.Start() || !StartReceiving(port, stage)) {
        err << "plotwell-tool monitor: Serial Thread Setup Failed\n";
        return EXIT_FAILED;
    }
    const RunEnd end = AwaitEnd(lines, signals);
    port.EndReceiving();
    stage.Stop();
    const bool lost = port.LineLost();
    static_cast<void>(port.Close());  // the run is over either way
    if (end == RunEnd::Failed) {
        err << "plotwell-tool monitor: cannot write output: " << writer.Failure() << "\n";
        return EXIT_FAILED;
    }
    const int judged = Summarise(lines, stage.Dropped(linesId), options.port, settings.protocol, err);
    if (end == RunEnd::Finished && lost) {
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
