// The 15-bit check value of a protocol-2 packet, shared by the parser and the encoder.
#pragma once

#include <cstdint>

constexpr int32_t PROTOCOL2_PACKET_SIZE = 36;
constexpr int32_t PROTOCOL2_CHECK_OFFSET = 34;  // little-endian check word after 17 data words

// Over the 17 little-endian words of bytes 0..33: acc = 2 * acc + word (mod 2^32), then the
// low 15 bits and the bits above them are folded together.
inline uint16_t Protocol2CheckValue(const uint8_t* packet)
{
    uint32_t accumulator = 0;
    for (int32_t i = 0; i < PROTOCOL2_CHECK_OFFSET; i += 2)
        accumulator = 2u * accumulator + static_cast<uint32_t>(packet[i] | packet[i + 1] << 8);
    const uint32_t folded = (accumulator & 0x7FFFu) + (accumulator >> 15);
    return static_cast<uint16_t>(folded & 0x7FFFu);
}
