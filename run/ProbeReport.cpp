#include "run/ProbeReport.h"

#include <cstdio>

#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"

std::string ProbeModelNames(const ProbeCandidate& candidate)
{
    std::string names;
    for (const DeviceModel* model : candidate.models) {
        if (!names.empty())
            names += ' ';
        names += model->szName;
    }
    return names.empty() ? "-" : names;
}

std::string ProbeProtocolText(const ProbeCandidate& candidate)
{
    std::string text = std::to_string(candidate.protocol);
    if (ProtocolFor(candidate.protocol).samplesPerPacket == 0)
        text += " (" + std::to_string(candidate.pointNum) + " pts)";
    return text;
}

std::string ProbeFindingText(const ProbeCandidate& candidate, const std::vector<std::string>& names)
{
    std::string text = "protocol " + ProbeProtocolText(candidate) + " at " + std::to_string(candidate.baudRate) + " baud: ";
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    // Models that share a protocol and a rate send the same packets.
    if (names.size() > 1)
        text += "; the packets cannot tell them apart";
    return text;
}

std::string ProbeTable(const ProbeResult& result)
{
    char line[256];
    std::snprintf(line, sizeof line, "%-6s %-8s %-14s %8s %8s %8s %9s %6s  %s\n", "rank", "baud", "protocol",
                  "passed", "failed", "skipped", "pts/rev", "rev/s", "models");
    std::string table = line;
    int rank = 0;
    for (const ProbeCandidate& candidate : result.candidates) {
        const RecognisedStream& s = candidate.stream;
        std::snprintf(line, sizeof line, "%-6d %-8d %-14s %8lld %8lld %8lld %9.1f %6.2f  %s\n", ++rank,
                      candidate.baudRate, ProbeProtocolText(candidate).c_str(), static_cast<long long>(s.accepted),
                      static_cast<long long>(s.rejected), static_cast<long long>(s.skipped),
                      s.SamplesPerRevolution(), s.RevolutionsPerSecond(), ProbeModelNames(candidate).c_str());
        table += line;
    }
    return table;
}
