// plotwell-tool serve: the revolutions of a serial port or of a recording on a Foxglove WebSocket
// server, headless, for Foxglove or Lichtblick on another machine. The main thread runs the parse
// and process loop and hands each revolution to the server's output, which encodes and queues it
// for every client on a thread of its own.
#include <cstdint>
#include <ostream>
#include <utility>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "messages/ScanShape.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/RevolutionFeed.h"
#include "serve/RevolutionServer.h"
#include "tools/PortOrFile.h"
#include "tools/RunOptions.h"
#include "tools/RunVerdict.h"
#include "tools/StopSignals.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "Usage: plotwell-tool serve SOURCE [OPTION]...\n"
    "Serves the revolutions of SOURCE to Foxglove and Lichtblick over the Foxglove WebSocket protocol\n"
    "(foxglove.websocket.v1): /scan, every revolution as a sensor_msgs/msg/LaserScan (cdr), and\n"
    "/plotwell/health, the link's figures once a second (JSON).\n"
    "SOURCE is a serial port (a device such as /dev/ttyUSB0, or the path simulate --pty prints) or a\n"
    "raw data file, played at the speed of the model's line; a SOURCE named *.mcap is a recording,\n"
    "whose raw channel plays as the model it names. Runs until the file ends, the device goes away,\n"
    "or Ctrl+C. Exit status 1 when SOURCE cannot be opened or read, goes away, or brings\n"
    "bytes but no revolution of the model (or, from a port, nothing at all), or the address cannot\n"
    "be listened on; 2 on bad arguments or a recording that breaks its format.\n"
    "\n"
    "Options:\n"
    "  --listen [ADDR:]PORT  where clients connect; default 127.0.0.1:8765, this machine only.\n"
    "                        0.0.0.0:8765 lets every machine that reaches this one connect\n"
    "  --model NAME          one of the model names; default TR20_A\n"
    "  --filter FACTOR|off   noise filter factor (above 0), or off; default 2.5\n"
    "  --compensation MODE   none, formula (default) or ros\n"
    "  --frame-id ID         frame of the scans; default laser\n"
    "  --bins N              bins per turn, 1 to 16000; default the model's (500 for the listed models)\n"
    "  --format hex|binary   a data file's format; default hex (a recording of the viewer)\n"
    "  --help                print this help\n";

struct ServeOptions {
    std::string source;
    RunOptions run;
    ListenAddress listen;
    ScanOptions scan;
    bool hex = true;
};

Parsed ParseServeOptions(const std::vector<std::string>& args, std::ostream& err, ServeOptions& options)
{
    std::vector<OptionRule> rules = RunOptionRules(options.run, false);
    rules.push_back({"--listen", [&options](OptionReader& reader) {
                         std::string text;
                         std::string reason;
                         return reader.Text(text) &&
                                (ParseListenAddress(text, options.listen, reason) || reader.Fail(reason));
                     }});
    rules.push_back({"--frame-id", [&options](OptionReader& reader) { return reader.Text(options.scan.frameId); }});
    rules.push_back(
        {"--bins", [&options](OptionReader& reader) { return reader.Integer(1, MAX_SCAN_BINS, options.scan.bins); }});
    rules.push_back(FormatOption(options.hex));
    OptionReader reader("serve", args, err);
    const OperandRule source{&options.source, "source", "a SOURCE: a serial port such as /dev/ttyUSB0, or a raw data file"};
    return reader.Read(rules, &source);
}

// A few revolutions for a moment in which the output's thread is not scheduled.
constexpr int32_t SCANS_QUEUED = 8;

class Serving {
public:
    Serving(ServeOptions options, std::ostream& err)
        : m_options(std::move(options)), m_err(err), m_server(m_options.scan)
    {
        m_outputId = m_stage.Attach(m_server.Output(), {"Foxglove server", SCANS_QUEUED, {}});
    }

    int Run()
    {
        const int recording = m_source.OpenRecording("serve", m_options.source, m_options.run, m_err);
        if (recording != EXIT_OK)
            return recording;
        const RunSettings settings = m_options.run.Settings();
        StartRun(settings);
        const int opened = m_source.Open("serve", m_options.source, *m_options.run.model, m_options.hex, m_port, m_err);
        if (opened != EXIT_OK)
            return opened;
        std::string reason;
        if (!m_server.Start(m_options.listen, [this] { return m_stage.Drops(); }, reason)) {
            m_err << "plotwell-tool serve: " << reason << "\n";
            m_port.AttachSource(nullptr);
            static_cast<void>(m_port.Close());
            return EXIT_FAILED;
        }
        Announce();
        if (!m_stage.Start()) {
            m_err << "plotwell-tool serve: Serial Thread Setup Failed\n";
            m_server.Stop();
            m_port.AttachSource(nullptr);
            static_cast<void>(m_port.Close());
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
        m_server.Stop();
        m_port.AttachSource(nullptr);
        if (status == EXIT_OK)
            status = m_source.Report("serve", m_options.source, m_err);
        if (status == EXIT_OK)
            status = JudgeRevolutions({"serve", m_options.source, !m_source.IsFile()}, ReadLinkHealth(),
                                      settings.protocol, m_err);
        static_cast<void>(m_port.Close());  // the run is over either way
        Summarise();
        return status;
    }

private:
    void Announce()
    {
        m_err << "plotwell-tool serve: " << m_options.source << " ("
              << (m_source.IsFile() ? "file" : LineSettingsText(m_options.run.model->nBaudRate)) << ", model "
              << m_options.run.model->szName << ") on " << m_server.Url() << ": " << SCAN_TOPIC
              << " (sensor_msgs/msg/LaserScan, " << Bins() << " bins, frame " << m_options.scan.frameId << ") and "
              << HEALTH_TOPIC << "\n";
    }

    int32_t Bins() const
    {
        return m_options.scan.bins > 0 ? m_options.scan.bins : ModelScanShape(*m_options.run.model).bins;
    }

    // Until the input ends, the device goes away or a stop signal arrives (seen within one of the
    // parser's short waits).
    int Loop(const RunSettings& settings, const StopSignals& signals, RevolutionFeed& feed)
    {
        int32_t clients = 0;
        while (!signals.Arrived() && !m_port.bStop.load(std::memory_order_relaxed)) {
            const ParseResult result = ParseNextFrame(m_port);
            if (result == ParseResult::InputEnded)
                return EXIT_OK;
            if (m_port.LineLost()) {
                m_err << "plotwell-tool serve: " << m_options.source << " went away\n";
                return EXIT_FAILED;
            }
            if (result != ParseResult::Frame)
                continue;
            feed.Complete(settings.processing);
            ReportClients(clients);
        }
        return EXIT_OK;
    }

    void ReportClients(int32_t& known)
    {
        const int32_t now = m_server.Server().Counters().clients;
        if (now != known)
            m_err << "plotwell-tool serve: " << now << (now == 1 ? " client\n" : " clients\n");
        known = now;
    }

    void Summarise()
    {
        const ServerCounters counters = m_server.Server().Counters();
        m_err << "plotwell-tool serve: " << m_server.ScansPublished() << " scans served, " << counters.sent
              << " messages sent to clients, " << counters.dropped << " lost by clients that read slower than they came, "
              << m_stage.Dropped(m_outputId) << " revolutions dropped\n";
    }

    ServeOptions m_options;
    std::ostream& m_err;
    RevolutionServer m_server;
    CSerialPort m_port;
    PortOrFile m_source;  // the port's source while a file plays
    OutputStage m_stage;  // stopped before the server whose output it serves
    OutputStage::OutputId m_outputId = 0;
};

}  // namespace

int RunServeCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    ServeOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseServeOptions(args, err, options), USAGE, out))
        return *status;
    return Serving(std::move(options), err).Run();
}
