// One revolution as plain samples: what the simulated scanner produces and every packet encoder takes.
//
// An encoder for protocol N lives in protocols/ProtocolNEncoder.{h,cpp} and has this signature:
//
//   int32_t EncodeProtocolNRevolution(const Revolution& revolution, const EncoderSettings& settings,
//                                     uint8_t* out, int32_t room);
//
// It writes the packets a device of that protocol sends for the revolution, in order and with
// valid check values, into `out`, and returns the number of bytes written; -1 when `room` is too
// small (whatever was written is then unusable). It keeps no state between revolutions beyond what
// the revolution carries, and never allocates. Room of ENCODER_BYTES_PER_SAMPLE per sample plus
// ENCODER_BYTES_OVERHEAD is always given.
#pragma once

#include <cstdint>

struct ScanSample {
    float angle;       // degrees, 0 <= angle < 360
    int16_t distance;  // millimetres; 0 = no return
    uint8_t lowBits;   // the two bits below the millimetre in protocol-1 sample words
};

struct Revolution {
    const ScanSample* samples;
    int32_t count;
    float revolutionsPerSecond;  // rotation speed, for protocols that report it
};

struct EncoderSettings {
    int32_t samplesPerPacket;  // protocol 1: up to 99 per data packet; protocol 0: the point number
};

constexpr int32_t ENCODER_BYTES_PER_SAMPLE = 8;
constexpr int32_t ENCODER_BYTES_OVERHEAD = 4096;
