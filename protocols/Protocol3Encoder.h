// Protocol 3 as a device sends it: 22-byte packets with index bytes 0xA0..0xF9, a speed byte and
// four samples each, ninety packets a revolution.
#pragma once

#include <cstdint>

#include "protocols/Revolution.h"

constexpr int32_t PROTOCOL3_PACKET_BYTES = 22;
constexpr uint8_t PROTOCOL3_FIRST_INDEX = 0xA0;  // 2.5 degrees
constexpr uint8_t PROTOCOL3_LAST_INDEX = 0xF9;   // 359.890625 degrees
constexpr int32_t PROTOCOL3_PACKETS_PER_REVOLUTION = PROTOCOL3_LAST_INDEX - PROTOCOL3_FIRST_INDEX + 1;
constexpr int32_t PROTOCOL3_SAMPLES_PER_PACKET = 4;
constexpr int32_t PROTOCOL3_SAMPLES_PER_REVOLUTION = PROTOCOL3_SAMPLES_PER_PACKET * PROTOCOL3_PACKETS_PER_REVOLUTION;
// The receiver spaces samples by the reported speed at 1800 samples a second, so the 360 samples
// of a revolution lie one degree apart only near this speed; far from it they overlap or leave
// gaps, and a revolution may wrap twice.
constexpr float PROTOCOL3_REVOLUTIONS_PER_SECOND = 5.0f;

// One packet at `out` (PROTOCOL3_PACKET_BYTES): the four distance words are sent as given.
void EncodeProtocol3Packet(uint8_t* out, uint8_t index, uint8_t speed, const uint16_t words[4]);

// Speed byte of a rotation speed: the device reports 4 x byte revolutions a minute, which also
// sets its sample spacing (five revolutions a second: one degree).
uint8_t Protocol3SpeedByte(float revolutionsPerSecond);

// Angle at which the device sends sample `sample` (0..359) of a revolution at that speed.
float Protocol3SampleAngle(int32_t sample, uint8_t speed);

// Ninety packets, each sample carrying the distance of the revolution's sample nearest to its
// angle. Bytes written, -1 when `room` is too small; nothing for an empty revolution.
int32_t EncodeProtocol3Revolution(const Revolution& revolution, const EncoderSettings& settings,
                                  uint8_t* out, int32_t room);
