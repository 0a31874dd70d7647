// The container's fixed parts: magic, record opcodes and the sizes of the records whose size
// never changes. Every multi-byte number in the file is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mcap_format {

inline constexpr uint8_t MAGIC[8] = {0x89, 'M', 'C', 'A', 'P', '0', '\r', '\n'};

enum Opcode : uint8_t {
    OP_HEADER = 0x01,
    OP_FOOTER = 0x02,
    OP_SCHEMA = 0x03,
    OP_CHANNEL = 0x04,
    OP_MESSAGE = 0x05,
    OP_CHUNK = 0x06,
    OP_MESSAGE_INDEX = 0x07,
    OP_CHUNK_INDEX = 0x08,
    OP_ATTACHMENT = 0x09,
    OP_ATTACHMENT_INDEX = 0x0A,
    OP_STATISTICS = 0x0B,
    OP_METADATA = 0x0C,
    OP_METADATA_INDEX = 0x0D,
    OP_SUMMARY_OFFSET = 0x0E,
    OP_DATA_END = 0x0F,
};

// Opcode byte and the 64-bit length of the content that follows.
inline constexpr size_t RECORD_PREFIX = 9;
// Channel id, sequence, log time, publish time: what comes before a message's data.
inline constexpr size_t MESSAGE_FIXED = 2 + 4 + 8 + 8;
// Summary start, summary offset start, summary CRC.
inline constexpr size_t FOOTER_CONTENT = 8 + 8 + 4;
inline constexpr size_t FOOTER_RECORD = RECORD_PREFIX + FOOTER_CONTENT;

}  // namespace mcap_format
