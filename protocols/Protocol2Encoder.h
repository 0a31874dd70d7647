// Builds protocol-2 packets (36 bytes, 0x55 0xAA 0x03 0x08, eight samples, check word) for the
// simulator.
#pragma once

#include <cstdint>

constexpr int32_t PROTOCOL2_SAMPLES_PER_PACKET = 8;
constexpr int32_t PROTOCOL2_PACKETS_PER_REVOLUTION = 45;  // 8 degrees each, one degree per sample
constexpr int32_t PROTOCOL2_SAMPLES_PER_REVOLUTION = PROTOCOL2_PACKETS_PER_REVOLUTION * PROTOCOL2_SAMPLES_PER_PACKET;
constexpr int32_t PROTOCOL2_REVOLUTION_BYTES = PROTOCOL2_PACKETS_PER_REVOLUTION * 36;

// Angle word of the wire format: 1/64 degree counted from 0xA000.
uint16_t Protocol2AngleWord(float degrees);

// One packet of 36 bytes at `out` between two angle words, with a correct check word.
void EncodeProtocol2Packet(uint8_t* out, uint16_t startWord, uint16_t endWord, const int16_t distances[8]);

// One revolution: packet p spans 8p .. 8p + 7 degrees, so sample i lies at i degrees.
// PROTOCOL2_REVOLUTION_BYTES at `out` for PROTOCOL2_SAMPLES_PER_REVOLUTION distances.
int32_t EncodeProtocol2Revolution(uint8_t* out, const int16_t* distances);
