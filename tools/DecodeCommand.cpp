// plotwell-tool decode: a raw data file through the packet parsers, filter and compensation, one
// line per point of every completed frame.
#include <cstdio>
#include <istream>
#include <ostream>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/Pipeline.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "tools/DataFile.h"
#include "tools/RunOptions.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool decode [--model NAME] [--protocol 0-3] [--point-num N] [--filter FACTOR|off]\n"
    "                            [--compensation none|formula|ros] [--format hex|binary]\n"
    "                            [--chunk BYTES] FILE|-\n"
    "Decodes a raw data file (hexadecimal dump, or raw bytes with --format binary) as the\n"
    "selected model's scanner would send it and prints frame,index,angle,distance for every\n"
    "point of every completed frame.\n"
    "  --model NAME         one of the model names; default TR20_A\n"
    "  --protocol CODE      packet protocol instead of the model's\n"
    "  --point-num N        protocol-0 samples per packet, 20..200; default the model's\n"
    "  --filter FACTOR|off  run the noise filter with this factor (above 0), or not; default off\n"
    "  --compensation MODE  none (default), formula or ros\n"
    "  --chunk BYTES        bytes handed to the parser per read; default 50\n";

constexpr int32_t MAX_CHUNK = 1 << 20;

struct DecodeOptions {
    RunOptions run;
    bool hex = true;
    int32_t chunk = 50;
    std::string input;

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
    const OperandRule input{&options.input, "input", "a FILE, or - for standard input"};
    return OptionReader("decode", args, err).Read(rules, &input);
}

void PrintPointList(int32_t frameNumber, std::ostream& out)
{
    char line[80];
    for (int32_t i = 0; i < g_PointList.count; ++i) {
        const int length = std::snprintf(line, sizeof line, "%d,%d,%.4f,%d\n", frameNumber, i,
                                         static_cast<double>(g_PointList.angle[i]), g_PointList.distance[i]);
        out.write(line, length);
    }
}

void Decode(const DecodeOptions& options, const std::vector<uint8_t>& bytes, std::ostream& out)
{
    const RunSettings settings = options.run.Settings();
    StartRun(settings);
    MemoryByteSource source(bytes.data(), static_cast<int64_t>(bytes.size()), options.chunk);
    CSerialPort port;
    port.AttachSource(&source);
    out << "frame,index,angle,distance\n";
    int32_t frameNumber = 0;
    for (ParseResult result; (result = ParseNextFrame(port)) != ParseResult::InputEnded;) {
        if (result != ParseResult::Frame)
            continue;
        ProcessFrame(settings.processing);
        PrintPointList(frameNumber++, out);
    }
    port.AttachSource(nullptr);
}

}  // namespace

int RunDecodeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    DecodeOptions options;
    const Parsed parsed = ParseDecodeOptions(args, err, options);
    if (parsed == Parsed::Help) {
        out << USAGE;
        return EXIT_OK;
    }
    if (parsed == Parsed::Error)
        return EXIT_USAGE;
    std::vector<uint8_t> bytes;
    const int read = ReadDataFile("decode", options.input, in, options.hex, bytes, err);
    if (read != EXIT_OK)
        return read;
    Decode(options, bytes, out);
    out.flush();
    return out ? EXIT_OK : EXIT_FAILED;
}
