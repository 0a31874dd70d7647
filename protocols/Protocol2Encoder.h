// Protocol 2 as a device sends it: 36-byte packets 0x55 0xAA 0x03 0x08 of eight samples between a
// start and an end angle, with the check word.
#pragma once

#include <cstdint>

#include "protocols/Revolution.h"

constexpr int32_t PROTOCOL2_SAMPLES_PER_PACKET = 8;
// 36 bytes per eight samples: a sample rate that fills about 80 % of a 115200-baud line.
constexpr int32_t PROTOCOL2_SAMPLES_PER_SECOND = 2000;

// Angle word of the wire format: 1/64 degree counted from 0xA000.
uint16_t Protocol2AngleWord(float degrees);

// One packet of 36 bytes at `out` between two angle words, with a correct check word.
void EncodeProtocol2Packet(uint8_t* out, uint16_t startWord, uint16_t endWord, const int16_t distances[8]);

// Eight samples a packet, as many whole packets as the revolution has samples for, spread evenly
// from its first to its last sample's angle; each carries the distance of the nearest sample.
// Bytes written, -1 when `room` is too small.
int32_t EncodeProtocol2Revolution(const Revolution& revolution, const EncoderSettings& settings,
                                  uint8_t* out, int32_t room);
