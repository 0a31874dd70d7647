// Reads the container's field types from a span of bytes, never past its end: a read that would
// run over marks the reader failed and gives zero or empty values, so a record is parsed field
// by field and checked once with Ok().
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    bool Ok() const { return m_ok; }
    size_t Remaining() const { return m_bytes.size() - m_position; }
    size_t Position() const { return m_position; }

    uint8_t U8() { return static_cast<uint8_t>(Little(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Little(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Little(4)); }
    uint64_t U64() { return Little(8); }

    std::span<const uint8_t> Bytes(uint64_t count)
    {
        if (!Take(count))
            return {};
        return m_bytes.subspan(m_position - count, count);
    }

    std::span<const uint8_t> Rest() { return Bytes(Remaining()); }

    std::string_view StringView()
    {
        const std::span<const uint8_t> bytes = Bytes(U32());
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }

    std::string String() { return std::string(StringView()); }

    // A map of strings; a repeated key keeps its first value.
    std::map<std::string, std::string> StringMap()
    {
        std::map<std::string, std::string> entries;
        ByteReader inner(Bytes(U32()));
        while (m_ok && inner.Remaining() > 0) {
            std::string key = inner.String();
            std::string value = inner.String();
            if (!inner.Ok())
                break;
            entries.emplace(std::move(key), std::move(value));
        }
        m_ok = m_ok && inner.Ok();
        return entries;
    }

private:
    bool Take(uint64_t count)
    {
        if (!m_ok || count > Remaining()) {
            m_ok = false;
            return false;
        }
        m_position += count;
        return true;
    }

    uint64_t Little(int bytes)
    {
        if (!Take(bytes))
            return 0;
        uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | m_bytes[m_position - bytes + i];
        return value;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_position = 0;
    bool m_ok = true;
};
