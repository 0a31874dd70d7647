// plotwell-tool simulate: revolutions of the simulated scanner as a raw data file.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>

#include "files/HexDump.h"
#include "protocols/DeviceModel.h"
#include "run/PseudoTerminalScanner.h"
#include "run/SimulatedScanner.h"
#include "tools/OutputCheck.h"
#include "tools/StopSignals.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool simulate [--model NAME] [--protocol 0-3] [--frames K] [--format hex|binary]\n"
    "                              [--seed S] [--output FILE]\n"
    "       plotwell-tool simulate --pty [--realtime on|off] [--model NAME] [--protocol 0-3] [--frames K]\n"
    "                              [--seed S]\n"
    "Writes K revolutions of a simulated room as the selected model's scanner sends them, as a\n"
    "raw data file (hexadecimal dump) or, with --format binary, as the bytes themselves, and\n"
    "what closes the last revolution for a receiver, so that decode finds all K.\n"
    "  --model NAME     one of the model names; default TR20_A\n"
    "  --protocol CODE  packet protocol instead of the model's\n"
    "  --frames K       revolutions to write, 1..100000; default 10\n"
    "  --seed S         the same seed gives the same room readings; default 1\n"
    "  --output FILE    write there instead of standard output\n"
    "  --pty            stream into a new pseudo-terminal instead, as the scanner turns and no faster\n"
    "                   than the model's baud rate carries the bytes;\n"
    "                   its device path is the first line of output; until Ctrl+C or K revolutions\n"
    "  --realtime off   with --pty: as fast as the reader takes the bytes\n";

struct SimulateOptions {
    const DeviceModel* model = &g_ModelTR20_A;
    int32_t protocol = -1;  // -1: the model's
    int32_t frames = 10;
    bool hex = true;
    uint32_t seed = 1;
    std::string output;
    bool pty = false;
    bool realtime = true;
    bool framesGiven = false;
};

Parsed ParseSimulateOptions(const std::vector<std::string>& args, std::ostream& err, SimulateOptions& options)
{
    const std::vector<OptionRule> rules = {
        ModelOption(options.model),
        ProtocolOption(options.protocol),
        FormatOption(options.hex),
        {"--frames",
         [&options](OptionReader& reader) {
             options.framesGiven = true;
             return reader.Integer(1, 100000, options.frames);
         }},
        {"--seed",
         [&options](OptionReader& reader) {
             int64_t seed = 0;
             if (!reader.Integer(0, UINT32_MAX, seed))
                 return false;
             options.seed = static_cast<uint32_t>(seed);
             return true;
         }},
        {"--output", [&options](OptionReader& reader) { return reader.Text(options.output); }},
        {"--pty",
         [&options](OptionReader&) {
             options.pty = true;
             return true;
         }},
        {"--realtime",
         [&options](OptionReader& reader) {
             int32_t realtime = 0;
             if (!reader.Word({"on", "off"}, realtime))
                 return false;
             options.realtime = realtime == 0;
             return true;
         }},
    };
    const Parsed parsed = OptionReader("simulate", args, err).Read(rules, nullptr);
    if (options.protocol < 0)
        options.protocol = CodesForName(options.model->szName).protocol;
    return parsed;
}

void WriteRevolution(const SimulatedScanner& scanner, bool hex, std::ostream& out)
{
    if (!hex) {
        out.write(reinterpret_cast<const char*>(scanner.Bytes()), scanner.ByteCount());
        return;
    }
    char text[3];
    for (int32_t i = 0; i < scanner.ByteCount(); ++i) {
        EncodeHexByte(scanner.Bytes()[i], text);
        out.write(text, sizeof text);
    }
}

SimulatedScannerSettings ScannerSettings(const SimulateOptions& options)
{
    return ModelScannerSettings(*options.model, options.protocol, options.seed);
}

// K revolutions, then what closes the last of them for a receiver; stops at a failed write.
int Simulate(const SimulateOptions& options, std::ostream& out, std::ostream& err)
{
    OutputCheck output(out, "simulate");
    SimulatedScanner scanner(ScannerSettings(options));
    for (int32_t r = 0; r < options.frames && output.Good(); ++r) {
        scanner.NextRevolution();
        WriteRevolution(scanner, options.hex, out);
    }
    if (output.Good()) {
        scanner.EndStream();
        WriteRevolution(scanner, options.hex, out);
    }
    return output.Finish(err) ? EXIT_OK : EXIT_FAILED;
}

// Until K revolutions are out or a stop signal arrives, with or without a reader; either way the
// line is hung up on the way out.
int StreamSimulation(const SimulateOptions& options, std::ostream& out, std::ostream& err)
{
    PseudoTerminalScanner scanner(ScannerSettings(options), options.model->nBaudRate, options.realtime);
    std::string reason;
    if (!scanner.Open(&reason)) {
        err << "plotwell-tool simulate: cannot create a pseudo-terminal: " << reason << "\n";
        return EXIT_FAILED;
    }
    const StopSignals signals;
    out << scanner.Path() << "\n" << std::flush;
    if (!scanner.Stream(options.framesGiven ? options.frames : 0, &reason, signals.WakeFd())) {
        err << "plotwell-tool simulate: writing to " << scanner.Path() << " failed: " << reason << "\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace

int RunSimulateCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    SimulateOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseSimulateOptions(args, err, options), USAGE, out))
        return *status;
    if (options.pty)
        return StreamSimulation(options, out, err);
    if (options.output.empty())
        return Simulate(options, out, err);
    errno = 0;
    std::ofstream file(options.output, std::ios::binary | std::ios::trunc);
    if (!file) {
        err << "plotwell-tool simulate: " << options.output << ": " << std::strerror(errno != 0 ? errno : EIO) << "\n";
        return EXIT_FAILED;
    }
    return Simulate(options, file, err);
}
