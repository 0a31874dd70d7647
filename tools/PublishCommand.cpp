// plotwell-tool publish: the revolutions of a serial port or of a recording as ROS 2 LaserScans
// over DDS, headless. The main thread runs the parse and process loop and hands each revolution
// to the publisher's output, which converts and writes it on a thread of its own.
#include <cstdint>
#include <ostream>
#include <utility>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "ros2/PublisherOutput.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/RosNames.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/RevolutionFeed.h"
#include "tools/Counted.h"
#include "tools/PortOrFile.h"
#include "tools/RunOptions.h"
#include "tools/RunVerdict.h"
#include "tools/StopSignals.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "Usage: plotwell-tool publish SOURCE [OPTION]...\n"
    "Publishes the revolutions of SOURCE as ROS 2 LaserScans (sensor_msgs/msg/LaserScan) over DDS.\n"
    "SOURCE is a serial port (a device such as /dev/ttyUSB0, or the path simulate --pty prints) or a\n"
    "raw data file, played at the speed of the model's line; a SOURCE named *.mcap is a recording,\n"
    "whose raw channel plays as the model it names. Runs until K scans are published, the\n"
    "file ends, the device goes away, or Ctrl+C. Exit status 1 when SOURCE cannot be opened or\n"
    "read, goes away, or brings bytes but no revolution of the model (or, from a port, nothing\n"
    "at all); 2 on bad arguments or a recording that breaks its format.\n"
    "\n"
    "Options:\n"
    "  --model NAME         one of the model names; default TR20_A\n"
    "  --filter FACTOR|off  noise filter factor (above 0), or off; default 2.5\n"
    "  --compensation MODE  none, formula (default) or ros\n"
    "  --topic TOPIC        ROS 2 topic; default /scan (DDS topic rt/scan)\n"
    "  --frame-id ID        frame of the scans; default laser\n"
    "  --domain N           DDS domain, 0 to 232; default ROS_DOMAIN_ID, else 0\n"
    "  --node-name NAME     the node's name in the ROS 2 graph; default plotwell\n"
    "  --bins N             bins per turn, 1 to 16000; default the model's (500 for the listed models)\n"
    "  --frames K           stop after K published scans; default until interrupted\n"
    "  --format hex|binary  a data file's format; default hex (a recording of the viewer)\n"
    "  --help               print this help\n";

struct PublishOptions {
    std::string source;
    RunOptions run;
    PublishSettings publish{0, "/scan", "laser", {}};
    int32_t bins = 0;    // 0: the model's
    int64_t frames = 0;  // 0: until interrupted
    bool hex = true;
    bool domainGiven = false;
};

std::vector<OptionRule> PublishRules(PublishOptions& options)
{
    std::vector<OptionRule> rules = RunOptionRules(options.run, false);
    rules.push_back({"--topic", [&options](OptionReader& reader) {
                         std::string ddsName;
                         std::string reason;
                         return reader.Text(options.publish.topic) &&
                                (DdsTopicName(options.publish.topic, ddsName, reason) || reader.Fail(reason));
                     }});
    rules.push_back({"--node-name", [&options](OptionReader& reader) {
                         std::string reason;
                         return reader.Text(options.publish.nodeName) &&
                                (CheckNodeName(options.publish.nodeName, reason) || reader.Fail(reason));
                     }});
    rules.push_back({"--frame-id", [&options](OptionReader& reader) { return reader.Text(options.publish.frameId); }});
    rules.push_back({"--domain", [&options](OptionReader& reader) {
                         int64_t domain = 0;
                         options.domainGiven = reader.Integer(0, int64_t{MAX_DOMAIN_ID}, domain);
                         options.publish.domain = static_cast<uint32_t>(domain);
                         return options.domainGiven;
                     }});
    rules.push_back({"--bins", [&options](OptionReader& reader) { return reader.Integer(1, MAX_SCAN_BINS, options.bins); }});
    rules.push_back({"--frames", [&options](OptionReader& reader) { return reader.Integer(1, INT64_MAX, options.frames); }});
    rules.push_back(FormatOption(options.hex));
    return rules;
}

Parsed ParsePublishOptions(const std::vector<std::string>& args, std::ostream& err, PublishOptions& options)
{
    OptionReader reader("publish", args, err);
    const OperandRule source{&options.source, "source", "a SOURCE: a serial port such as /dev/ttyUSB0, or a raw data file"};
    const Parsed parsed = reader.Read(PublishRules(options), &source);
    if (parsed != Parsed::Run)
        return parsed;
    std::string reason;
    if (!options.domainGiven && !DomainFromEnvironment(options.publish.domain, reason)) {
        reader.FailCommand(reason);
        return Parsed::Error;
    }
    return Parsed::Run;
}

// The scans' shape follows the model, which a recording may name.
void ShapeScans(PublishOptions& options)
{
    options.publish.shape = ModelScanShape(*options.run.model);
    if (options.bins > 0)
        options.publish.shape.bins = options.bins;
}

// A few revolutions for a DDS write that is slow for a moment.
constexpr int32_t SCANS_QUEUED = 8;

class Publishing {
public:
    Publishing(PublishOptions options, std::ostream& err)
        // The last scan asked for ends the run: the parser, which waits for a revolution that
        // may never come, stops at its next wait.
        : m_options(std::move(options)), m_err(err),
          m_output(m_publisher, m_options.frames, [this] { m_port.bStop.store(1, std::memory_order_relaxed); })
    {
        m_outputId = m_stage.Attach(m_output, {"publish", SCANS_QUEUED, {}});
    }

    int Run()
    {
        const int recording = m_source.OpenRecording("publish", m_options.source, m_options.run, m_err);
        if (recording != EXIT_OK)
            return recording;
        ShapeScans(m_options);
        std::string reason;
        if (!m_publisher.Open(m_options.publish, reason)) {
            m_err << "plotwell-tool publish: " << reason << "\n";
            return EXIT_FAILED;
        }
        const RunSettings settings = m_options.run.Settings();
        StartRun(settings);
        const int attached = m_source.Open("publish", m_options.source, *m_options.run.model, m_options.hex, m_port, m_err);
        if (attached != EXIT_OK)
            return attached;
        Announce();
        if (!m_stage.Start()) {
            m_err << "plotwell-tool publish: Serial Thread Setup Failed\n";
            return EXIT_FAILED;
        }
        int status = EXIT_OK;
        {
            StopSignals signals;
            signals.AlsoStop(m_port.bStop);
            {
                RevolutionFeed feed(m_stage, m_port);
                status = Loop(settings, signals, feed);
            }
            // What was read is sent, unless a stop signal ends the run at once.
            if (!signals.Arrived())
                m_stage.Drain();
            m_stage.Stop();
        }
        m_port.AttachSource(nullptr);
        if (status == EXIT_OK)
            status = m_source.Report("publish", m_options.source, m_err);
        if (status == EXIT_OK)
            status = JudgeRevolutions({"publish", m_options.source, !m_source.IsFile()}, ReadLinkHealth(), settings.protocol, m_err);
        static_cast<void>(m_port.Close());  // the run is over either way
        m_err << "plotwell-tool publish: " << Counted(m_publisher.Sent(), "scan") << " published";
        if (m_publisher.Failed() > 0)
            m_err << ", " << m_publisher.Failed() << " refused by DDS";
        m_err << ", " << Counted(m_stage.Dropped(m_outputId), "revolution") << " dropped";
        if (m_stage.Dropped(m_outputId) > 0)
            m_err << " (DDS took them slower than the scanner sent them)";
        m_err << "\n";
        return status;
    }

private:
    void Announce()
    {
        const ScanShape& shape = m_options.publish.shape;
        m_err << "plotwell-tool publish: " << m_options.source << " ("
              << (m_source.IsFile() ? "file" : LineSettingsText(m_options.run.model->nBaudRate)) << ", model " << m_options.run.model->szName
              << ") as sensor_msgs/msg/LaserScan on " << m_options.publish.topic << " (DDS " << m_publisher.DdsName()
              << ", domain " << m_options.publish.domain << "): " << shape.bins << " bins, frame "
              << m_options.publish.frameId << ", reliable, keep last 10, node /" << m_options.publish.nodeName << "\n";
        if (!m_port.LockNote().empty())
            m_err << "plotwell-tool publish: " << m_options.source << ": " << m_port.LockNote() << "\n";
    }

    // Until the scans are out, the input ends, the device goes away or a stop signal arrives
    // (seen within one of the parser's short waits).
    int Loop(const RunSettings& settings, const StopSignals& signals, RevolutionFeed& feed)
    {
        int32_t subscribers = 0;
        while (!signals.Arrived() && !m_port.bStop.load(std::memory_order_relaxed)) {
            const ParseResult result = ParseNextFrame(m_port);
            if (result == ParseResult::InputEnded)
                return EXIT_OK;
            if (m_port.LineLost()) {
                m_err << "plotwell-tool publish: " << m_options.source << " went away\n";
                return EXIT_FAILED;
            }
            if (result != ParseResult::Frame)
                continue;
            feed.Complete(settings.processing);
            ReportSubscribers(subscribers);
            if (m_options.frames > 0 && m_publisher.Sent() >= m_options.frames)
                return EXIT_OK;
        }
        return EXIT_OK;
    }

    void ReportSubscribers(int32_t& known)
    {
        const int32_t now = m_publisher.MatchedSubscribers();
        if (now != known)
            m_err << "plotwell-tool publish: " << now << (now == 1 ? " subscriber\n" : " subscribers\n");
        known = now;
    }

    PublishOptions m_options;
    std::ostream& m_err;
    RevolutionPublisher m_publisher;
    CSerialPort m_port;
    PortOrFile m_source;  // the port's source while a file plays
    PublisherOutput m_output;
    OutputStage m_stage;  // after the output it serves: stopped first
    OutputStage::OutputId m_outputId = 0;
};

}  // namespace

int RunPublishCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    PublishOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParsePublishOptions(args, err, options), USAGE, out))
        return *status;
    return Publishing(std::move(options), err).Run();
}
