#include "tools/McapRecording.h"

#include <poll.h>

#include <fstream>
#include <ostream>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"
#include "recording/McapOutput.h"
#include "ros2/RosNames.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "run/RevolutionFeed.h"
#include "tools/DecodeInput.h"
#include "tools/RunVerdict.h"
#include "tools/StopSignals.h"
#include "tools/ToolArguments.h"

namespace {

// How often the main thread looks at the port, the writer and the count while it waits for a
// stop signal.
constexpr int WATCH_MS = 100;
// A few seconds of revolutions for a disk that is slow for a moment.
constexpr int32_t REVOLUTIONS_QUEUED = 64;

// "plotwell-tool record: 600 revolutions, 412345 bytes in scan.mcap"; what the writer could not
// do, and EXIT_FAILED for it.
int Finish(McapOutput& output, const McapRecordingOptions& options, const char* command, int64_t dropped,
           std::ostream& err)
{
    const uint64_t revolutions = output.Revolutions();
    const uint64_t bytes = output.Bytes();
    std::string reason;
    const bool closed = output.Stop(reason);
    err << "plotwell-tool " << command << ": " << revolutions << " revolutions, " << bytes << " bytes in "
        << options.output;
    if (dropped > 0)
        err << ", " << dropped << " revolutions dropped (the disk took them slower than the scanner sent them)";
    err << "\n";
    if (closed)
        return EXIT_OK;
    err << "plotwell-tool " << command << ": " << reason << "; " << options.output
        << " keeps what was written before (plotwell-tool convert finishes it)\n";
    return EXIT_FAILED;
}

bool StartOutput(McapOutput& output, const McapRecordingOptions& options, const char* command, std::ostream& err)
{
    std::string reason;
    if (output.Start(options.output, options.recorder, reason))
        return true;
    err << "plotwell-tool " << command << ": " << reason << "\n";
    return false;
}

enum class PortEnd { Stopped, Counted, Lost, WriteFailed };

PortEnd AwaitPortEnd(const CSerialPort& port, const McapOutput& output, int64_t frames, const StopSignals& signals)
{
    for (;;) {
        pollfd wake = {signals.WakeFd(), POLLIN, 0};
        ::poll(&wake, 1, WATCH_MS);
        if (signals.Arrived())
            return PortEnd::Stopped;
        if (output.Failed())
            return PortEnd::WriteFailed;
        if (port.LineLost())
            return PortEnd::Lost;
        if (frames > 0 && output.Revolutions() >= static_cast<uint64_t>(frames))
            return PortEnd::Counted;
    }
}

}  // namespace

int RecordPort(const McapRecordingOptions& options, const char* command, std::ostream& err)
{
    const RunSettings settings = options.run.Settings();
    StartRun(settings);
    CSerialPort port;
    std::string reason;
    const int32_t baudRate = options.run.model->nBaudRate;
    if (!port.Open(options.source, baudRate, &reason)) {
        err << "plotwell-tool " << command << ": Open Failed\n" << reason << "\n";
        return EXIT_FAILED;
    }
    McapOutput output;
    if (!StartOutput(output, options, command, err))
        return EXIT_FAILED;
    err << "plotwell-tool " << command << ": " << options.source << " at " << LineSettingsText(baudRate) << ", model "
        << options.run.model->szName << ", into " << options.output << "\n";
    const StopSignals signals;
    OutputStage stage;
    const OutputStage::OutputId id = stage.Attach(output, {command, REVOLUTIONS_QUEUED, {}});
    if (!stage.Start() || !StartReceiving(port, stage)) {
        err << "plotwell-tool " << command << ": Serial Thread Setup Failed\n";
        return EXIT_FAILED;
    }
    const PortEnd end = AwaitPortEnd(port, output, options.frames, signals);
    port.EndReceiving();
    // What the port delivered until the end is in the file.
    stage.Drain();
    stage.Stop();
    static_cast<void>(port.Close());  // the run is over either way
    const int written = Finish(output, options, command, stage.Dropped(id), err);
    if (written != EXIT_OK)
        return written;
    if (end == PortEnd::Lost) {
        err << "plotwell-tool " << command << ": " << options.source << " went away\n";
        return EXIT_FAILED;
    }
    return JudgeRevolutions({command, options.source, true}, ReadLinkHealth(), settings.protocol, err);
}

int RecordDataFile(McapRecordingOptions options, const char* command, std::ostream& err)
{
    std::ifstream file;
    if (!OpenDataInput(file, command, options.source, err))
        return EXIT_FAILED;
    const RunSettings settings = options.run.Settings();
    StartRun(settings);
    options.recorder.lineBaudRate = settings.Model().nBaudRate;
    McapOutput output;
    if (!StartOutput(output, options, command, err))
        return EXIT_FAILED;
    DecodeInput input(*file.rdbuf(), options.hex, INT32_MAX);
    CSerialPort port;
    port.AttachSource(&input);
    OutputStage stage;
    // Served right after each revolution on this thread: a file loses none.
    const OutputStage::OutputId id = stage.Attach(output, {command, 2, [] {}});
    if (!stage.Start())
        return EXIT_FAILED;
    {
        const StopSignals signals;
        RevolutionFeed feed(stage, port);
        for (ParseResult result; !signals.Arrived() && !output.Failed() &&
                                 (result = ParseNextFrame(port)) != ParseResult::InputEnded;) {
            if (result != ParseResult::Frame)
                continue;
            feed.Complete(settings.processing);
            stage.Serve(id);
        }
    }
    stage.Serve(id);  // the bytes after the last revolution
    stage.Stop();
    port.AttachSource(nullptr);
    const int written = Finish(output, options, command, 0, err);
    if (written != EXIT_OK)
        return written;
    if (const int ended = input.Report(command, options.source, err); ended != EXIT_OK)
        return ended;
    return JudgeRevolutions({command, options.source, false}, ReadLinkHealth(), settings.protocol, err);
}

std::vector<OptionRule> RecorderOptionRules(ScanRecorderOptions& recorder)
{
    return {
        {"--compression",
         [&recorder](OptionReader& reader) {
             int32_t index = 0;
             if (!reader.Word({"zstd", "lz4", "none"}, index))
                 return false;
             const McapCompression kinds[] = {McapCompression::Zstd, McapCompression::Lz4, McapCompression::None};
             recorder.compression = kinds[index];
             return true;
         }},
        {"--topic",
         [&recorder](OptionReader& reader) {
             std::string ddsName;
             std::string reason;
             return reader.Text(recorder.scanTopic) &&
                    (DdsTopicName(recorder.scanTopic, ddsName, reason) || reader.Fail(reason));
         }},
        {"--frame-id", [&recorder](OptionReader& reader) { return reader.Text(recorder.frameId); }},
    };
}

int RecordingEnd(const char* command, const std::string& name, const McapRawSource& recording, std::ostream& err)
{
    if (recording.Cut())
        err << "plotwell-tool " << command << ": " << name << " was cut off (its program was killed or its disk full); "
            << "read up to the cut\n";
    if (recording.Problem().empty())
        return EXIT_OK;
    err << "plotwell-tool " << command << ": " << name << ": " << recording.Problem() << "; read up to there\n";
    return EXIT_FAILED;
}
