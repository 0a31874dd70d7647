#include "recording/RecordingMetadata.h"

#include <charconv>
#include <cstdio>

#include "mcap/McapWriter.h"
#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"

namespace {

std::string FilterText(const ProcessingSettings& processing)
{
    if (!processing.filter)
        return "off";
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(processing.filterFactor));
    return text;
}

std::string CompensationText(int32_t mode)
{
    switch (mode) {
    case 1:
        return "formula";
    case 2:
        return "ros";
    default:
        return "none";
    }
}

}  // namespace

McapMetadata RecordingMetadata(const RunInfo& run, const ProcessingSettings& processing)
{
    McapMetadata metadata;
    metadata.name = RECORDING_METADATA_NAME;
    if (run.model != nullptr) {
        metadata.entries["model"] = run.model->szName;
        metadata.entries["baud_rate"] = std::to_string(run.model->nBaudRate);
    }
    metadata.entries["protocol"] = std::to_string(run.protocol);
    metadata.entries["filter"] = FilterText(processing);
    metadata.entries["compensation"] = CompensationText(processing.compensation.mode);
    metadata.entries["version"] = McapWriterOptions::DefaultLibrary();
    return metadata;
}

RecordedRun ReadRecordedRun(const std::vector<McapMetadata>& metadata)
{
    RecordedRun recorded;
    for (const McapMetadata& record : metadata) {
        if (record.name != RECORDING_METADATA_NAME)
            continue;
        if (const auto model = record.entries.find("model"); model != record.entries.end())
            recorded.model = FindAnyModel(model->second.c_str());
        if (const auto protocol = record.entries.find("protocol"); protocol != record.entries.end()) {
            int32_t code = -1;
            const std::string& text = protocol->second;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
            recorded.protocol = error == std::errc{} && end == text.data() + text.size() && KnownProtocol(code) ? code : -1;
        }
        break;  // the first run's: playback replays a file as one run
    }
    return recorded;
}
