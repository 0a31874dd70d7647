// plotwell-tool probe: which scanner is on a port? Listens at each baud rate of the model table
// and reports what every protocol's recogniser heard, best first, and the model rows that fit.
#include <ostream>

#include "protocols/DeviceModel.h"
#include "run/ProbeReport.h"
#include "run/ScannerProbe.h"
#include "tools/StopSignals.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool probe PORT [--seconds S]\n"
    "Opens PORT at each baud rate of the model table in turn, listens for S seconds, and looks\n"
    "for the packets of every protocol by their header and check bytes. Lists what it heard,\n"
    "most packets passed first, with the model rows that fit; models that share a protocol and a\n"
    "baud rate send the same packets, so all of them are named. Exit status 0 when one protocol\n"
    "and rate fit clearly, 1 when none does or the port could not be opened, 2 on bad arguments.\n"
    "Ctrl+C or kill ends the listening early; what was heard until then is judged the same way.\n"
    "  --seconds S  listening time per baud rate, above 0 and at most 60; default 1.5\n";

constexpr float MAX_SECONDS = 60.0f;

struct ProbeOptions {
    std::string port;
    float seconds = 1.5f;
};

Parsed ParseProbeOptions(const std::vector<std::string>& args, std::ostream& err, ProbeOptions& options)
{
    const std::vector<OptionRule> rules = {
        {"--seconds",
         [&options](OptionReader& reader) {
             return reader.PositiveNumber(options.seconds) &&
                    (options.seconds <= MAX_SECONDS || reader.Fail("takes at most 60 seconds"));
         }},
    };
    const OperandRule port{&options.port, "port", "a PORT, e.g. /dev/ttyUSB0"};
    return OptionReader("probe", args, err).Read(rules, &port);
}

std::string HeardText(const ProbeResult& result)
{
    std::string text;
    for (const ProbeRateHeard& rate : result.rates)
        text += (text.empty() ? "" : ", ") + std::to_string(rate.bytes) + " bytes at " + std::to_string(rate.baudRate);
    return text;
}

std::string CandidateText(const ProbeCandidate& candidate)
{
    return "protocol " + ProbeProtocolText(candidate) + " at " + std::to_string(candidate.baudRate) + " baud";
}

int Report(const ProbeResult& result, std::ostream& out, std::ostream& err)
{
    if (!result.candidates.empty())
        out << ProbeTable(result);
    out << "heard: " << HeardText(result) << "\n";
    if (const ProbeCandidate* found = result.Found()) {
        std::vector<std::string> names;
        for (const DeviceModel* model : found->models)
            names.emplace_back(model->szName);
        out << "found: " << ProbeFindingText(*found, names) << "\n";
        return EXIT_OK;
    }
    if (result.rival >= 0) {
        err << "plotwell-tool probe: no clear fit: " << CandidateText(result.candidates[static_cast<size_t>(result.best)])
            << " and " << CandidateText(result.candidates[static_cast<size_t>(result.rival)])
            << " both passed packets\n";
    } else {
        err << "plotwell-tool probe: no model fits what was heard; is the scanner powered and spinning, "
               "and its cable on this port?\n";
    }
    return EXIT_FAILED;
}

int RunProbe(const ProbeOptions& options, std::ostream& out, std::ostream& err)
{
    // Ctrl+C, kill or a closed terminal cancel the probe, which then closes the port it holds.
    std::atomic<bool> cancel{false};
    const StopSignals signals;
    std::string rates;
    for (const int32_t rate : ProbeBaudRates())
        rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
    err << "plotwell-tool probe: listening to " << options.port << " for " << options.seconds << " s at each of "
        << rates << " baud\n";
    const ProbeResult result = ProbeScanner({options.port, options.seconds, PortScanRoots{}}, cancel,
                                            [&cancel, &signals](const ProbeProgress&) {
                                                if (signals.Arrived())
                                                    cancel.store(true, std::memory_order_relaxed);
                                            });
    switch (result.end) {
    case ProbeEnd::OpenFailed:
        err << "plotwell-tool probe: Open Failed\n" << result.failure << "\n";
        return EXIT_FAILED;
    case ProbeEnd::Lost:
        err << "plotwell-tool probe: " << options.port << " went away\n";
        return EXIT_FAILED;
    case ProbeEnd::Cancelled:
        // A stop ends probe as it ends every command: with what was done until then.
        err << "plotwell-tool probe: stopped; what was heard until then follows\n";
        break;
    case ProbeEnd::Listened:
        break;
    }
    return Report(result, out, err);
}

}  // namespace

int RunProbeCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    ProbeOptions options;
    if (const std::optional<int> status = EndBeforeRun(ParseProbeOptions(args, err, options), USAGE, out))
        return *status;
    return RunProbe(options, out, err);
}
