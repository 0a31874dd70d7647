#include "mcap/McapFinish.h"

#include <sys/stat.h>

#include <map>

#include "mcap/McapReader.h"
#include "mcap/McapWriter.h"

namespace {

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// Schemas and channels again under the writer's ids; messages of a channel left out keep no
// place in the new file.
bool CopyDefinitions(const McapReader& reader, McapWriter& writer, std::map<uint16_t, uint16_t>& channelIds)
{
    std::map<uint16_t, uint16_t> schemaIds;
    for (const auto& [id, schema] : reader.Schemas()) {
        schemaIds[id] = writer.AddSchema(schema.name, schema.encoding, schema.data);
        if (schemaIds[id] == 0)
            return false;
    }
    for (const auto& [id, channel] : reader.Channels()) {
        const auto schema = schemaIds.find(channel.schemaId);
        channelIds[id] = writer.AddChannel(schema == schemaIds.end() ? 0 : schema->second, channel.topic,
                                           channel.messageEncoding, channel.metadata);
        if (channelIds[id] == 0)
            return false;
    }
    for (const McapMetadata& metadata : reader.Metadata()) {
        if (!writer.WriteMetadata(metadata))
            return false;
    }
    return true;
}

}  // namespace

McapFinishResult FinishMcapFile(const std::string& inputPath, const std::string& outputPath, McapCompression compression)
{
    McapFinishResult result;
    if (SameFile(inputPath, outputPath)) {
        result.error = "The finished recording needs a name of its own: " + outputPath + " is the recording itself";
        return result;
    }
    McapReader reader;
    if (!reader.Open(inputPath)) {
        result.error = reader.Error();
        return result;
    }
    McapWriterOptions options;
    options.profile = reader.Profile();
    options.compression = compression;
    McapWriter writer;
    std::map<uint16_t, uint16_t> channelIds;
    if (!writer.Open(outputPath, options) || !CopyDefinitions(reader, writer, channelIds)) {
        result.error = writer.Error();
        return result;
    }
    McapMessageStream messages = reader.Messages();
    McapMessage message;
    while (messages.Next(message)) {
        message.channelId = channelIds[message.channelId];
        if (!writer.WriteMessage(message)) {
            result.error = writer.Error();
            return result;
        }
        ++result.messages;
    }
    if (!writer.Close()) {
        result.error = writer.Error();
        return result;
    }
    result.problem = reader.Problem();
    if (!messages.Error().empty())
        result.problem += (result.problem.empty() ? "" : "; ") + messages.Error();
    result.finished = true;
    return result;
}
