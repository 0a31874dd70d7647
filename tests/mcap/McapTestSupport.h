// Recordings for the MCAP tests: messages with known contents, written by our writer and read
// back as copies, and the file's top-level records found by their prefixes alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mcap/McapReader.h"
#include "mcap/McapWriter.h"

struct StoredMessage {
    uint16_t channelId = 0;
    uint32_t sequence = 0;
    uint64_t logTime = 0;
    uint64_t publishTime = 0;
    std::vector<uint8_t> data;
    bool operator==(const StoredMessage&) const = default;
};

// Message `index` of a test recording: its payload says which one it is, and sizes vary.
StoredMessage TestMessage(uint16_t channelId, uint32_t index, uint64_t logTime, size_t size);

// Writes the messages (channels 1..channels, each with a schema of its own except the last,
// which has none) and two metadata records; the caller closes the file, or leaves it open as a
// killed program would.
void WriteTestRecording(McapWriter& writer, const std::string& path, const McapWriterOptions& options,
                        const std::vector<StoredMessage>& messages, int channels);

std::vector<StoredMessage> ReadMessages(const McapReader& reader, std::string* error = nullptr,
                                        const std::vector<uint16_t>& channels = {});

// The order a reader must give: by log time, ties in the order written.
std::vector<StoredMessage> InLogTimeOrder(std::vector<StoredMessage> messages);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

struct TopRecord {
    uint8_t opcode;
    uint64_t offset;
    uint64_t length;  // with opcode and length prefix
};
// The records after the magic, up to the footer or a record cut short.
std::vector<TopRecord> TopRecords(const std::vector<uint8_t>& bytes);

uint64_t ReadLittle(const std::vector<uint8_t>& bytes, size_t offset, int size);
void WriteLittle(std::vector<uint8_t>& bytes, size_t offset, int size, uint64_t value);
