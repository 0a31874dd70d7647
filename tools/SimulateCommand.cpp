// plotwell-tool simulate: revolutions of the simulated scanner as a raw data file.
#include <fstream>
#include <istream>
#include <ostream>
#include <string>

#include "acquisition/PseudoTerminalScanner.h"
#include "acquisition/SimulatedScanner.h"
#include "files/HexDump.h"
#include "protocols/DeviceModel.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool simulate [--model NAME] [--protocol 0-3] [--frames K] [--format hex|binary]\n"
    "                              [--seed S] [--output FILE]\n"
    "       plotwell-tool simulate --pty [--realtime on|off] [--model NAME] [--protocol 0-3] [--frames K]\n"
    "                              [--seed S]\n"
    "Writes K revolutions of a simulated room as the selected model's scanner sends them, as a\n"
    "raw data file (hexadecimal dump) or, with --format binary, as the bytes themselves.\n"
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

bool ParseOption(OptionReader& reader, const std::string& option, SimulateOptions& options)
{
    std::string text;
    int64_t number = 0;
    if (option == "--model")
        return reader.Model(options.model);
    if (option == "--protocol")
        return reader.Integer(0, 3, options.protocol);
    if (option == "--frames") {
        if (!reader.Integer(1, 100000, number))
            return false;
        options.frames = static_cast<int32_t>(number);
        options.framesGiven = true;
        return true;
    }
    if (option == "--pty") {
        options.pty = true;
        return true;
    }
    if (option == "--realtime") {
        if (!reader.Value(text))
            return false;
        options.realtime = text == "on";
        return options.realtime || text == "off" || reader.Fail("takes on or off, not '" + text + "'");
    }
    if (option == "--seed") {
        if (!reader.Integer(0, UINT32_MAX, number))
            return false;
        options.seed = static_cast<uint32_t>(number);
        return true;
    }
    if (option == "--format") {
        if (!reader.Value(text))
            return false;
        options.hex = text == "hex";
        return options.hex || text == "binary" || reader.Fail("takes hex or binary, not '" + text + "'");
    }
    if (option == "--output")
        return reader.Value(options.output);
    return reader.Fail("is not an option of simulate");
}

Parsed ParseSimulateOptions(const std::vector<std::string>& args, std::ostream& err, SimulateOptions& options)
{
    OptionReader reader("simulate", args, err);
    std::string argument;
    while (reader.Next(argument)) {
        if (argument == "--help")
            return Parsed::Help;
        if (!ParseOption(reader, argument, options))
            return Parsed::Error;
    }
    if (options.protocol < 0)
        options.protocol = CodesForName(options.model->szName).protocol;
    return Parsed::Run;
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

void Simulate(const SimulateOptions& options, std::ostream& out)
{
    SimulatedScanner scanner(ScannerSettings(options));
    for (int32_t r = 0; r < options.frames && out; ++r) {
        scanner.NextRevolution();
        WriteRevolution(scanner, options.hex, out);
    }
    out.flush();
}

int StreamSimulation(const SimulateOptions& options, std::ostream& out, std::ostream& err)
{
    PseudoTerminalScanner scanner(ScannerSettings(options), options.model->nBaudRate, options.realtime);
    std::string reason;
    if (!scanner.Open(&reason)) {
        err << "plotwell-tool simulate: cannot create a pseudo-terminal: " << reason << "\n";
        return EXIT_FAILED;
    }
    out << scanner.Path() << "\n" << std::flush;
    if (!scanner.Stream(options.framesGiven ? options.frames : 0, &reason)) {
        err << "plotwell-tool simulate: writing to " << scanner.Path() << " failed: " << reason << "\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

}  // namespace

int RunSimulateCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    SimulateOptions options;
    const Parsed parsed = ParseSimulateOptions(args, err, options);
    if (parsed == Parsed::Help) {
        out << USAGE;
        return EXIT_OK;
    }
    if (parsed == Parsed::Error)
        return EXIT_USAGE;
    if (options.pty)
        return StreamSimulation(options, out, err);
    if (options.output.empty()) {
        Simulate(options, out);
        return out ? EXIT_OK : EXIT_FAILED;
    }
    std::ofstream file(options.output, std::ios::binary | std::ios::trunc);
    if (file)
        Simulate(options, file);
    if (!file) {
        err << "plotwell-tool simulate: cannot write '" << options.output << "'\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}
