// Bytes held in memory, handed out a fixed chunk per read as a device would trickle them in:
// the tests' and the benchmarks' feeder.
#pragma once

#include <cstdint>

#include "acquisition/ByteSource.h"

class MemoryByteSource : public ByteSource {
public:
    // The bytes must outlive the source; a chunk below 1 counts as 1.
    MemoryByteSource(const uint8_t* bytes, int64_t size, int32_t chunk);

    int32_t Waiting() override;
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override;

    // Bytes handed out so far.
    int64_t Position() const { return m_position; }

private:
    const uint8_t* m_bytes;
    int64_t m_size;
    int32_t m_chunk;
    int64_t m_position = 0;
};
