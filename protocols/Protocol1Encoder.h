// Protocol 1 as a device sends it: 0xAA 0x55 data packets, then a zero packet closing the revolution.
#pragma once

#include <cstdint>

#include "protocols/Revolution.h"

constexpr int32_t P1_MAX_DATA_SAMPLES = 99;
constexpr int32_t P1_ZERO_PACKET_SIZE = 12;

// Packet length for `count` samples: 10 header bytes and one word per sample.
constexpr int32_t Protocol1PacketSize(int32_t count) { return 10 + 2 * count; }

// One data packet of 1..99 samples spanning the first to the last sample's angle. Returns its
// length, or -1 for a count outside 1..99.
int32_t EncodeProtocol1DataPacket(const ScanSample* samples, int32_t count, uint8_t* out);

// The 12-byte zero packet that closes a revolution, carrying one sample.
int32_t EncodeProtocol1ZeroPacket(const ScanSample& sample, uint8_t* out);

// Data packets of settings.samplesPerPacket (clamped to 1..99) for all samples but the last, which
// the zero packet carries. An empty revolution writes nothing.
int32_t EncodeProtocol1Revolution(const Revolution& revolution, const EncoderSettings& settings,
                                  uint8_t* out, int32_t room);
