// Builds protocol-0 sector packets (0x55 0xAA, sector, count, two divisors, big-endian words,
// 0xFA tail) for the simulator.
#pragma once

#include <cstdint>

constexpr int32_t PROTOCOL0_SECTORS = 15;  // 24 degrees each

// Bytes of one packet with `pointNum` distance words.
constexpr int32_t Protocol0PacketBytes(int32_t pointNum) { return 2 * pointNum + 9; }

// The placement of a packet's samples inside its sector.
struct Protocol0Sector {
    uint8_t sector;        // 0..14
    uint8_t sampleCount;   // c: samples the receiver stores (at most pointNum) and the angle step
    int16_t firstDivisor;  // A: first sample 24 / A degrees into the sector, 0 for the sector start
    int16_t lastDivisor;   // B: last sample 24 * (1 - 1 / B) degrees into it, 24 for B <= 1
};

// One packet at `out` with `pointNum` words: the first min(c, pointNum) from `distances`, the
// rest 0.
void EncodeProtocol0Packet(uint8_t* out, int32_t pointNum, const Protocol0Sector& placement,
                           const int16_t* distances);

// One revolution: 15 packets of `pointNum` samples spread evenly, 24 / pointNum degrees apart,
// starting at 0 degrees. Takes 15 * pointNum distances; returns the bytes written.
int32_t EncodeProtocol0Revolution(uint8_t* out, int32_t pointNum, const int16_t* distances);
