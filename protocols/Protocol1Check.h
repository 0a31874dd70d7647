// What makes bytes a protocol-1 packet: the header shapes of the zero and data packets and the
// check word, shared by the parser and the recogniser.
#pragma once

#include <cstdint>

constexpr int32_t PROTOCOL1_HEADER_SIZE = 10;
constexpr int32_t PROTOCOL1_ZERO_PACKET_SIZE = 12;
constexpr int32_t PROTOCOL1_MAX_DATA_SAMPLES = 99;

// Both angle words have bit 0 set, as the device always sends them.
inline bool Protocol1AnglesOdd(const uint8_t* packet)
{
    return (packet[4] & 1) != 0 && (packet[6] & 1) != 0;
}

// The 12-byte packet closing a revolution: type 1, one sample, equal odd angle words.
inline bool Protocol1ZeroPacketShape(const uint8_t* packet)
{
    return packet[2] == 1 && packet[3] == 1 && Protocol1AnglesOdd(packet) && packet[4] == packet[6] &&
           packet[5] == packet[7];
}

// Samples of a data packet header (type 0, 1..99 samples, odd angle words); 0 for anything else.
inline int32_t Protocol1DataSamples(const uint8_t* packet)
{
    const bool shape = packet[2] == 0 && packet[3] >= 1 && packet[3] <= PROTOCOL1_MAX_DATA_SAMPLES &&
                       Protocol1AnglesOdd(packet);
    return shape ? packet[3] : 0;
}

// The check word is the XOR of every other little-endian word of the packet.
inline bool Protocol1CheckMatches(const uint8_t* packet, int32_t length)
{
    uint8_t low = packet[8];
    uint8_t high = packet[9];
    for (int32_t i = 0; i < length; i += 2) {
        if (i == 8)
            continue;
        low ^= packet[i];
        high ^= packet[i + 1];
    }
    return low == 0 && high == 0;
}
