// Lists what our reader finds in a recording, one line each, for tests/interop to compare with
// what a writer we did not write put there:
//   mcap_list_recording FILE
//   state COMPLETE INDEXED PROFILE | channel ID TOPIC ENCODING SCHEMA | metadata NAME KEY=VALUE...
//   message TOPIC SEQUENCE LOG_TIME SIZE CRC32 | problem TEXT | error TEXT
#include <zlib.h>

#include <cstdio>
#include <string>

#include "mcap/McapReader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mcap_list_recording FILE\n");
        return 2;
    }
    McapReader reader;
    if (!reader.Open(argv[1])) {
        std::printf("error %s\n", reader.Error().c_str());
        return 1;
    }
    std::printf("state %d %d %s\n", reader.Complete(), reader.Indexed(), reader.Profile().c_str());
    for (const auto& [id, channel] : reader.Channels()) {
        const auto schema = reader.Schemas().find(channel.schemaId);
        std::printf("channel %u %s %s %s\n", id, channel.topic.c_str(), channel.messageEncoding.c_str(),
                    schema == reader.Schemas().end() ? "-" : schema->second.name.c_str());
    }
    for (const McapMetadata& metadata : reader.Metadata()) {
        std::printf("metadata %s", metadata.name.c_str());
        for (const auto& [key, value] : metadata.entries)
            std::printf(" %s=%s", key.c_str(), value.c_str());
        std::printf("\n");
    }
    McapMessageStream messages = reader.Messages();
    McapMessage message;
    while (messages.Next(message)) {
        std::printf("message %s %u %llu %zu %08lx\n", reader.Channels().at(message.channelId).topic.c_str(),
                    message.sequence, static_cast<unsigned long long>(message.logTime), message.data.size(),
                    crc32_z(0, message.data.data(), message.data.size()));
    }
    if (!reader.Problem().empty())
        std::printf("problem %s\n", reader.Problem().c_str());
    if (!messages.Error().empty())
        std::printf("problem %s\n", messages.Error().c_str());
    return 0;
}
