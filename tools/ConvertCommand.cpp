// plotwell-tool convert: a raw data file into an MCAP recording and back, chosen by the names'
// extensions; an MCAP recording into another finishes one that was cut off.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <utility>

#include "files/OutputFile.h"
#include "mcap/McapFinish.h"
#include "recording/McapPlayback.h"
#include "recording/McapRawSource.h"
#include "tools/McapRecording.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "Usage: plotwell-tool convert INPUT OUTPUT [OPTION]...\n"
    "Converts between a raw data file (the viewer's hexadecimal dump) and an MCAP recording, by\n"
    "the extension .mcap:\n"
    "  data file -> .mcap   every revolution of the file, as record writes them\n"
    "  .mcap -> data file   the bytes of the recording's raw channel as a hexadecimal dump\n"
    "  .mcap -> .mcap       the recording's readable part as a complete file: finishes a\n"
    "                       recording cut off by a killed program or a full disk\n"
    "Exit status 1 when INPUT cannot be read (or is damaged: what comes before the damage is\n"
    "converted) or OUTPUT cannot be written; 2 on bad arguments.\n"
    "\n"
    "Options:\n"
    "  --model NAME         the data file's model; default TR20_A\n"
    "  --protocol CODE      packet protocol instead of the model's\n"
    "  --point-num N        protocol-0 samples per packet, 20..200; default the model's\n"
    "  --filter FACTOR|off  noise filter factor (above 0), or off; default 2.5\n"
    "  --compensation MODE  none, formula (default) or ros\n"
    "  --compression KIND   zstd (default), lz4 or none\n"
    "  --topic TOPIC        the LaserScans' channel; default /scan\n"
    "  --frame-id ID        frame of the scans; default laser\n"
    "  --format hex|binary  the data file's format; default hex\n"
    "  --help               print this help\n";

Parsed ParseConvertOptions(const std::vector<std::string>& args, std::ostream& err, McapRecordingOptions& options)
{
    std::vector<OptionRule> rules = RunOptionRules(options.run, true);
    for (OptionRule& rule : RecorderOptionRules(options.recorder))
        rules.push_back(std::move(rule));
    rules.push_back(FormatOption(options.hex));
    const OperandRule input{&options.source, "input", "an INPUT file"};
    const OperandRule output{&options.output, "output", "an OUTPUT file"};
    OptionReader reader("convert", args, err);
    const Parsed parsed = reader.Read(rules, &input, &output);
    if (parsed != Parsed::Run)
        return parsed;
    if (!IsMcapFileName(options.source) && !IsMcapFileName(options.output)) {
        reader.FailCommand("converts to or from a .mcap recording; neither " + options.source + " nor " +
                           options.output + " is one");
        return Parsed::Error;
    }
    if (options.source == options.output) {
        reader.FailCommand("would write over its input " + options.source);
        return Parsed::Error;
    }
    return Parsed::Run;
}

// The raw channel's bytes as a dump (or the bytes themselves).
int WriteDataFile(const McapRecordingOptions& options, std::ostream& err)
{
    McapRawSource source;
    std::string reason;
    if (!source.Open(options.source, reason)) {
        err << "plotwell-tool convert: " << options.source << ": " << reason << "\n";
        return EXIT_FAILED;
    }
    std::FILE* file = std::fopen(options.output.c_str(), "wb");
    if (file == nullptr) {
        err << "plotwell-tool convert: cannot write " << options.output << ": " << std::strerror(errno) << "\n";
        return EXIT_FAILED;
    }
    uint8_t block[65536];
    int64_t bytes = 0;
    bool written = true;
    for (int32_t count; written && (count = source.Read(block, sizeof block)) > 0; bytes += count)
        written = options.hex ? WriteHexText(file, block, count)
                              : std::fwrite(block, 1, static_cast<size_t>(count), file) == static_cast<size_t>(count);
    const int error = errno;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        err << "plotwell-tool convert: cannot write " << options.output << ": " << std::strerror(error) << "\n";
        return EXIT_FAILED;
    }
    err << "plotwell-tool convert: " << bytes << " bytes from " << options.source << " into " << options.output << "\n";
    return RecordingEnd("convert", options.source, source, err);
}

int FinishRecording(const McapRecordingOptions& options, std::ostream& err)
{
    const McapFinishResult result = FinishMcapFile(options.source, options.output, options.recorder.compression);
    if (!result.finished) {
        err << "plotwell-tool convert: " << result.error << "\n";
        return EXIT_FAILED;
    }
    err << "plotwell-tool convert: " << result.messages << " messages from " << options.source << " into "
        << options.output << "\n";
    if (result.problem.empty())
        return EXIT_OK;
    err << "plotwell-tool convert: " << options.source << ": " << result.problem << "; converted up to there\n";
    return EXIT_FAILED;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    McapRecordingOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseConvertOptions(args, err, options), USAGE, out))
        return *status;
    if (!IsMcapFileName(options.source))
        return RecordDataFile(options, "convert", err);
    return IsMcapFileName(options.output) ? FinishRecording(options, err) : WriteDataFile(options, err);
}
