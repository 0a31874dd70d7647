// plotwell-tool decode: a raw data file through the packet parsers, filter and compensation, one
// line per point of every completed frame, each revolution printed as soon as it is complete.
#include <algorithm>
#include <fstream>
#include <functional>
#include <istream>
#include <ostream>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/RevolutionFeed.h"
#include "recording/McapPlayback.h"
#include "recording/McapRawSource.h"
#include "tools/DecodeInput.h"
#include "tools/McapRecording.h"
#include "tools/OutputCheck.h"
#include "tools/PointLines.h"
#include "tools/RecordedScanLines.h"
#include "tools/RunOptions.h"
#include "tools/RunVerdict.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool decode [--model NAME] [--protocol 0-3] [--point-num N] [--filter FACTOR|off]\n"
    "                            [--compensation none|formula|ros] [--format hex|binary]\n"
    "                            [--chunk BYTES] [--topic TOPIC] FILE|-\n"
    "Decodes a raw data file (hexadecimal dump, or raw bytes with --format binary) as the\n"
    "selected model's scanner would send it and prints frame,index,angle,distance for every\n"
    "point of every completed frame, as soon as the frame is complete, so that it also reads a\n"
    "pipe from a live source. A FILE named *.mcap is a recording: the bytes of its raw channel\n"
    "are decoded, as the model and protocol it names unless --model or --protocol is given; one\n"
    "without that channel (a bag of another scanner's ROS 2 driver) has the points of its\n"
    "sensor_msgs/msg/LaserScan messages printed, one frame a scan, at the angles the model's\n"
    "scanner counts (they come processed: no filter or compensation).\n"
    "Exit status 1 when the input cannot be read (or a recording is damaged), the output cannot\n"
    "be written or the input holds bytes but no revolution of the model; 2 on bad arguments\n"
    "or a dump that breaks its format.\n"
    "  --model NAME         one of the model names; default TR20_A (or a recording's)\n"
    "  --protocol CODE      packet protocol instead of the model's\n"
    "  --point-num N        protocol-0 samples per packet, 20..200; default the model's\n"
    "  --filter FACTOR|off  run the noise filter with this factor (above 0), or not; default off\n"
    "  --compensation MODE  none (default), formula or ros\n"
    "  --format FORMAT      hex (default) or binary\n"
    "  --chunk BYTES        bytes handed to the parser per read; default 50\n"
    "  --topic TOPIC        a recording's LaserScan topic, when it has several and no raw channel\n";

constexpr int32_t MAX_CHUNK = 1 << 20;

struct DecodeOptions {
    RunOptions run;
    bool hex = true;
    int32_t chunk = 50;
    std::string input;
    std::string topic;

    // Unlike the viewer, decode shows the revolutions as they were sent unless asked otherwise.
    DecodeOptions()
    {
        run.filter = false;
        run.compensation = 0;
    }
};

Parsed ParseDecodeOptions(const std::vector<std::string>& args, std::ostream& err, DecodeOptions& options)
{
    std::vector<OptionRule> rules = RunOptionRules(options.run, true);
    rules.push_back(FormatOption(options.hex));
    rules.push_back({"--chunk", [&options](OptionReader& reader) { return reader.Integer(1, MAX_CHUNK, options.chunk); }});
    rules.push_back({"--topic", [&options](OptionReader& reader) { return reader.Text(options.topic); }});
    const OperandRule input{&options.input, "input", "a FILE, or - for standard input"};
    return OptionReader("decode", args, err).Read(rules, &input);
}

std::string InputName(const DecodeOptions& options)
{
    return options.input == "-" ? "standard input" : options.input;
}

// Hands over what was printed; a write that fails now makes the status 1 and is said as well.
int Ending(OutputCheck& output, std::ostream& err, int status)
{
    return output.Finish(err) ? status : EXIT_FAILED;
}

// decode's output, served on the thread that decodes right after each revolution is handed out:
// a file is read as fast as its lines are printed, and none is dropped.
class PrintedRevolutions : public RevolutionOutput {
public:
    explicit PrintedRevolutions(std::ostream& out) : m_out(out), m_lines(out) {}

    void Take(const RevolutionValue& revolution) override
    {
        if (!revolution.complete)
            return;
        if (m_frames == 0)
            m_lines.Header();
        m_lines.Write(m_frames++, revolution.points);
        m_lines.Flush();
        m_out.flush();  // a reader at the end of a pipe gets each revolution as it completes
    }

    // The header alone when no revolution came.
    void Finish()
    {
        if (m_frames > 0)
            return;
        m_lines.Header();
        m_lines.Flush();
    }

private:
    std::ostream& m_out;
    PointLines m_lines;
    int32_t m_frames = 0;
};

// Prints every revolution of `input` as soon as it is complete; then judges how the input ended
// (`ended` says whether it ended well, as DecodeInput::Report does).
int Decode(const DecodeOptions& options, ByteSource& input, const std::function<int()>& ended, std::ostream& out,
           std::ostream& err)
{
    const RunSettings settings = options.run.Settings();
    StartRun(settings);
    CSerialPort port;
    port.AttachSource(&input);
    PrintedRevolutions printed(out);
    OutputCheck output(out, "decode");
    OutputStage stage;
    const OutputStage::OutputId printer = stage.Attach(printed, {"decode", 2, [] {}});
    if (!stage.Start())
        return Ending(output, err, EXIT_FAILED);
    {
        RevolutionFeed feed(stage, port);
        for (ParseResult result; output.Good() && (result = ParseNextFrame(port)) != ParseResult::InputEnded;) {
            if (result != ParseResult::Frame)
                continue;
            feed.Complete(settings.processing);
            stage.Serve(printer);
        }
    }
    stage.Stop();
    port.AttachSource(nullptr);

    const std::string name = InputName(options);
    if (!output.Good())
        return Ending(output, err, EXIT_FAILED);
    if (const int status = ended(); status != EXIT_OK)
        return Ending(output, err, status);
    const int judged = JudgeRevolutions({"decode", name, false}, ReadLinkHealth(), settings.protocol, err);
    if (judged == EXIT_OK)
        printed.Finish();  // an empty input decodes to an empty list
    return Ending(output, err, judged);
}

// A recording's raw channel, read `--chunk` bytes at a time as a data file is.
class ChunkedSource : public ByteSource {
public:
    ChunkedSource(ByteSource& bytes, int32_t chunk) : m_bytes(bytes), m_chunk(chunk) {}
    int32_t Waiting() override { return std::min(m_bytes.Waiting(), m_chunk); }
    int32_t Read(uint8_t* buffer, int32_t length) override { return m_bytes.Read(buffer, std::min(length, m_chunk)); }
    bool Ended() override { return m_bytes.Ended(); }

private:
    ByteSource& m_bytes;
    int32_t m_chunk;
};

int DecodeRecording(DecodeOptions options, std::ostream& out, std::ostream& err)
{
    McapRawSource recording;
    std::string reason;
    if (!recording.Open(options.input, reason)) {
        if (recording.LacksRawChannel())
            return PrintRecordedScans(options.input, options.topic, options.run.Settings().protocol, out, err);
        err << "plotwell-tool decode: " << options.input << ": " << reason << "\n";
        return EXIT_FAILED;
    }
    options.run.TakeRecorded(recording.Run());
    ChunkedSource input(recording, options.chunk);
    return Decode(options, input, [&] { return RecordingEnd("decode", options.input, recording, err); }, out, err);
}

}  // namespace

int RunDecodeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    DecodeOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseDecodeOptions(args, err, options), USAGE, out))
        return *status;
    if (IsMcapFileName(options.input))
        return DecodeRecording(options, out, err);
    std::ifstream file;
    if (options.input != "-" && !OpenDataInput(file, "decode", options.input, err))
        return EXIT_FAILED;
    DecodeInput input(options.input == "-" ? *in.rdbuf() : *file.rdbuf(), options.hex, options.chunk);
    const std::string name = InputName(options);
    return Decode(options, input, [&] { return input.Report("decode", name, err); }, out, err);
}
