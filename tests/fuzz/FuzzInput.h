// Reads a fuzzer's input as a script: control bytes and counts first, payload bytes after.
// Running short is never an error; missing bytes read as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_position >= m_size; }
    size_t Remaining() const { return m_size - m_position; }

    uint8_t Byte() { return Empty() ? 0 : m_data[m_position++]; }

    uint16_t Word()
    {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }

    // A value in [low, high], taken from one byte.
    int32_t Between(int32_t low, int32_t high) { return low + Byte() % (high - low + 1); }

    // Up to `count` payload bytes; `taken` receives how many there were.
    const uint8_t* Bytes(size_t count, size_t* taken)
    {
        *taken = count < Remaining() ? count : Remaining();
        const uint8_t* start = m_data + m_position;
        m_position += *taken;
        return start;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

// A broken invariant is a crash to the fuzzer and a failed test to the corpus replay.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)
