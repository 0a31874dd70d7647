// Records parsed from their content bytes, bounded by them. Fields a later version of the format
// appends to a record are ignored, as the format asks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mcap/ChunkCompression.h"
#include "mcap/McapRecords.h"

// The largest record or decompressed chunk the reader takes whole: far above what recorders
// write (a few MiB), far below what would hurt the machine.
inline constexpr uint64_t MCAP_MAX_RECORD_BYTES = 128ull << 20;

struct McapChunkHeader {
    uint64_t messageStart = 0;
    uint64_t messageEnd = 0;
    uint64_t uncompressedSize = 0;
    uint32_t uncompressedCrc = 0;
    std::string_view compression;
    std::span<const uint8_t> records;
};

bool ParseChunkHeader(std::span<const uint8_t> content, McapChunkHeader& chunk);
// A chunk's records, decompressed and checked against its size cap and CRC: what is wrong with
// them, or "".
std::string ChunkRecords(const McapChunkHeader& chunk, ChunkDecompressor& decompressor, std::vector<uint8_t>& records);
bool ParseSchema(std::span<const uint8_t> content, McapSchema& schema);
bool ParseChannel(std::span<const uint8_t> content, McapChannel& channel);
bool ParseMetadata(std::span<const uint8_t> content, McapMetadata& metadata);
bool ParseMessage(std::span<const uint8_t> content, McapMessage& message);

// Walks a run of records (a chunk's, the summary's): each record's opcode, content and offset.
class RecordWalker {
public:
    explicit RecordWalker(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    // False at the end, or at a record that runs past the bytes (then Malformed()).
    bool Next(uint8_t& opcode, std::span<const uint8_t>& content, size_t& offset);
    bool Malformed() const { return m_malformed; }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_position = 0;
    bool m_malformed = false;
};
