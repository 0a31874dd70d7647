#include "acquisition/MemoryByteSource.h"

#include <algorithm>
#include <cstring>

MemoryByteSource::MemoryByteSource(const uint8_t* bytes, int64_t size, int32_t chunk)
    : m_bytes(bytes), m_size(std::max<int64_t>(size, 0)), m_chunk(std::max(chunk, 1))
{
}

int32_t MemoryByteSource::Waiting()
{
    return static_cast<int32_t>(std::min<int64_t>(m_chunk, m_size - m_position));
}

int32_t MemoryByteSource::Read(uint8_t* buffer, int32_t length)
{
    const int32_t count = std::min(Waiting(), std::max(length, 0));
    if (count > 0)
        std::memcpy(buffer, m_bytes + m_position, static_cast<size_t>(count));
    m_position += count;
    return count;
}

bool MemoryByteSource::Ended()
{
    return m_position >= m_size;
}
