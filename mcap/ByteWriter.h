// Appends the container's field types (little-endian integers, length-prefixed strings and
// maps) to a byte buffer that the caller keeps and reuses.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& buffer) : m_buffer(buffer) {}

    void U8(uint8_t value) { m_buffer.push_back(value); }
    void U16(uint16_t value) { Little(value, 2); }
    void U32(uint32_t value) { Little(value, 4); }
    void U64(uint64_t value) { Little(value, 8); }

    void Bytes(std::span<const uint8_t> bytes) { m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end()); }

    void String(std::string_view text)
    {
        U32(static_cast<uint32_t>(text.size()));
        m_buffer.insert(m_buffer.end(), text.begin(), text.end());
    }

    void StringMap(const std::map<std::string, std::string>& entries)
    {
        uint64_t length = 0;
        for (const auto& [key, value] : entries)
            length += 8 + key.size() + value.size();
        U32(static_cast<uint32_t>(length));
        for (const auto& [key, value] : entries) {
            String(key);
            String(value);
        }
    }

    // Opens a record: opcode and a length to be filled in by EndRecord, which takes the
    // position this returns.
    size_t BeginRecord(uint8_t opcode)
    {
        U8(opcode);
        const size_t lengthAt = m_buffer.size();
        U64(0);
        return lengthAt;
    }

    void EndRecord(size_t lengthAt)
    {
        uint64_t length = m_buffer.size() - lengthAt - 8;
        for (int i = 0; i < 8; ++i, length >>= 8)
            m_buffer[lengthAt + i] = static_cast<uint8_t>(length);
    }

private:
    void Little(uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i, value >>= 8)
            m_buffer.push_back(static_cast<uint8_t>(value));
    }

    std::vector<uint8_t>& m_buffer;
};
