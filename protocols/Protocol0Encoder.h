// Protocol 0 as a device sends it: one sector packet per 24 degrees (0x55 0xAA, sector, count,
// two divisors, big-endian distance words, 0xFA tail), fifteen a revolution.
#pragma once

#include <cstdint>

#include "protocols/Revolution.h"

constexpr int32_t PROTOCOL0_SECTORS = 15;

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

// The point number the encoder uses for settings.samplesPerPacket: the receiver's range 20..200.
int32_t Protocol0PointNum(const EncoderSettings& settings);

// Angle of sample `k` of sector `sector`: the point number's samples spread evenly, 24 / N
// degrees apart from the sector start.
float Protocol0SampleAngle(int32_t sector, int32_t k, int32_t pointNum);

// Fifteen packets, each sample carrying the distance of the revolution's sample nearest to its
// angle. Bytes written, -1 when `room` is too small; nothing for an empty revolution.
int32_t EncodeProtocol0Revolution(const Revolution& revolution, const EncoderSettings& settings,
                                  uint8_t* out, int32_t room);
