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

inline uint16_t Protocol1WordAt(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// The check word is the XOR of every other little-endian word of the packet.
inline bool Protocol1CheckMatches(const uint8_t* packet, int32_t length)
{
    uint16_t check = Protocol1WordAt(packet) ^ Protocol1WordAt(packet + 2) ^ Protocol1WordAt(packet + 4) ^
                     Protocol1WordAt(packet + 6);
    for (int32_t i = PROTOCOL1_HEADER_SIZE; i < length; i += 2)
        check ^= Protocol1WordAt(packet + i);
    return check == Protocol1WordAt(packet + 8);
}
