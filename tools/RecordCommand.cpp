// plotwell-tool record: the revolutions of a serial port (or of a raw data file) written into an
// MCAP recording as they come, the file complete when the command ends, by a stop signal too.
#include <cstring>
#include <ostream>
#include <utility>

#include "acquisition/PortEnumeration.h"
#include "tools/McapRecording.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "Usage: plotwell-tool record SOURCE OUTPUT.mcap [OPTION]...\n"
"Records the revolutions of SOURCE into an MCAP file as they arrive, as ROS 2 records a bag:\n"
    "each revolution's LaserScan (channel /scan, sensor_msgs/msg/LaserScan, as publish sends it),\n"
    "the bytes read from the line (channel /plotwell/raw_packets, std_msgs/msg/UInt8MultiArray),\n"
    "so that the file plays back through the parsers, and the run's model, protocol and settings\n"
    "as metadata. SOURCE is a\n"
    "serial port (a device such as /dev/ttyUSB0, or the path simulate --pty prints), recorded until\n"
    "K revolutions, Ctrl+C, kill or a closed terminal, or a raw data file, recorded whole. The\n"
    "file grows a chunk at least every second, so that a recording whose program is killed reads\n"
    "up to about a second before the kill. Exit status 1 when SOURCE cannot be opened, goes away\n"
    "or brings no revolution of the model, or the file cannot be written (what was written stays);\n"
    "2 on bad arguments.\n"
    "\n"
    "Options:\n"
    "  --model NAME         one of the model names; default TR20_A\n"
    "  --filter FACTOR|off  noise filter factor (above 0), or off; default 2.5\n"
    "  --compensation MODE  none, formula (default) or ros\n"
    "  --compression KIND   zstd (default), lz4 or none\n"
    "  --topic TOPIC        the LaserScans' channel; default /scan\n"
    "  --frame-id ID        frame of the scans; default laser\n"
    "  --frames K           from a port: stop after K revolutions; default until interrupted\n"
    "  --format hex|binary  a data file's format; default hex (a recording of the viewer)\n"
    "  --help               print this help\n";

Parsed ParseRecordOptions(const std::vector<std::string>& args, std::ostream& err, McapRecordingOptions& options)
{
    std::vector<OptionRule> rules = RunOptionRules(options.run, false);
    for (OptionRule& rule : RecorderOptionRules(options.recorder))
        rules.push_back(std::move(rule));
    rules.push_back({"--frames", [&options](OptionReader& reader) { return reader.Integer(1, INT64_MAX, options.frames); }});
    rules.push_back(FormatOption(options.hex));
    const OperandRule source{&options.source, "source", "a SOURCE: a serial port such as /dev/ttyUSB0, or a raw data file"};
    const OperandRule output{&options.output, "output", "an OUTPUT file, e.g. scan.mcap"};
    return OptionReader("record", args, err).Read(rules, &source, &output);
}

}  // namespace

int RunRecordCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    McapRecordingOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseRecordOptions(args, err, options), USAGE, out))
        return *status;
    const PathLook look = LookAtPath(options.source);
    switch (look.kind) {
    case PathKind::SerialDevice:
        return RecordPort(options, "record", err);
    case PathKind::RegularFile:
        return RecordDataFile(options, "record", err);
    case PathKind::Missing:
        err << "plotwell-tool record: " << options.source << ": " << std::strerror(look.error) << "\n";
        return EXIT_FAILED;
    case PathKind::Other:
        break;
    }
    err << "plotwell-tool record: " << options.source << ": not a serial port or a data file\n";
    return EXIT_FAILED;
}
