// What a recording holds, as the writer takes it and the reader gives it: schemas, channels,
// metadata and messages. Times are nanoseconds on the wall clock (since 1970).
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

enum class McapCompression { None, Zstd, Lz4 };

struct McapSchema {
    uint16_t id = 0;  // never 0 in a file
    std::string name;
    std::string encoding;
    std::vector<uint8_t> data;
};

struct McapChannel {
    uint16_t id = 0;
    uint16_t schemaId = 0;  // 0: the channel has no schema
    std::string topic;
    std::string messageEncoding;
    std::map<std::string, std::string> metadata;
};

struct McapMetadata {
    std::string name;
    std::map<std::string, std::string> entries;
};

// One message; `data` stays valid until the next message is asked for.
struct McapMessage {
    uint16_t channelId = 0;
    uint32_t sequence = 0;
    uint64_t logTime = 0;
    uint64_t publishTime = 0;
    std::span<const uint8_t> data;
};
