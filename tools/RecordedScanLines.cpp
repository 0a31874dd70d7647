#include "tools/RecordedScanLines.h"

#include <algorithm>
#include <memory>
#include <ostream>

#include "acquisition/ScanFrame.h"
#include "mcap/McapReader.h"
#include "messages/LaserScanCdr.h"
#include "messages/ScanConversion.h"
#include "recording/McapScanPlayer.h"
#include "tools/OutputCheck.h"
#include "tools/PointLines.h"
#include "tools/ToolArguments.h"

namespace {

// The channel of `topic`, or of the only LaserScan topic when `topic` is empty; 0 after saying
// why there is none.
uint16_t ChooseChannel(const McapReader& reader, const std::string& path, const std::string& topic, std::ostream& err,
                       int& status)
{
    const std::vector<std::string> topics = LaserScanTopics(reader);
    std::string chosen = topic;
    status = EXIT_FAILED;
    if (topics.empty()) {
        err << "plotwell-tool decode: " << path << ": the recording has neither a raw channel nor a LaserScan channel\n";
        return 0;
    }
    if (chosen.empty() && topics.size() > 1) {
        err << "plotwell-tool decode: " << path << " has several LaserScan topics; choose one with --topic:";
        for (const std::string& each : topics)
            err << " " << each;
        err << "\n";
        status = EXIT_USAGE;
        return 0;
    }
    if (chosen.empty())
        chosen = topics.front();
    for (const auto& [id, channel] : reader.Channels()) {
        if (channel.topic == chosen && std::find(topics.begin(), topics.end(), chosen) != topics.end())
            return id;
    }
    err << "plotwell-tool decode: " << path << " has no LaserScan topic " << chosen << "\n";
    return 0;
}

}  // namespace

int PrintRecordedScans(const std::string& path, const std::string& topic, int32_t protocol, std::ostream& out,
                       std::ostream& err)
{
    McapReader reader;
    if (!reader.Open(path)) {
        err << "plotwell-tool decode: " << path << ": " << reader.Error() << "\n";
        return EXIT_FAILED;
    }
    int status = EXIT_OK;
    const uint16_t channel = ChooseChannel(reader, path, topic, err, status);
    if (channel == 0)
        return status;
    OutputCheck output(out, "decode");
    PointLines lines(out);
    lines.Header();
    const uint16_t channels[] = {channel};
    McapMessageStream messages = reader.Messages(channels);
    LaserScan scan;
    auto list = std::make_unique<PointList>();
    std::string reason;
    int32_t frame = 0;
    int64_t undecodable = 0;
    for (McapMessage message; output.Good() && messages.Next(message);) {
        if (!DecodeLaserScanCdr(message.data.data(), message.data.size(), scan, reason) ||
            !LaserScanToPointList(scan, protocol, *list)) {
            ++undecodable;
            continue;
        }
        lines.Write(frame++, *list);
        lines.Flush();
    }
    if (!output.Finish(err))
        return EXIT_FAILED;
    if (!reader.Complete())
        err << "plotwell-tool decode: " << path << " was cut off (its program was killed or its disk full); "
            << "read up to the cut\n";
    const std::string& problem = !messages.Error().empty() ? messages.Error() : reader.Problem();
    if (!problem.empty()) {
        err << "plotwell-tool decode: " << path << ": " << problem << "; read up to there\n";
        return EXIT_FAILED;
    }
    if (undecodable > 0) {
        err << "plotwell-tool decode: " << path << ": " << undecodable << " of the messages on the topic are not "
            << "LaserScans with finite angles\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}
