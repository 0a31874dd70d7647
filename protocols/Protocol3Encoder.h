// Builds protocol-3 packets (22 bytes, 0xFA, index byte, speed, four samples) for the simulator.
#pragma once

#include <cstdint>

constexpr int32_t PROTOCOL3_PACKET_BYTES = 22;
constexpr uint8_t PROTOCOL3_FIRST_INDEX = 0xA0;  // 2.5 degrees
constexpr uint8_t PROTOCOL3_LAST_INDEX = 0xF9;   // 359.890625 degrees
constexpr uint8_t PROTOCOL3_DEGREE_SPEED = 75;   // speed byte for one degree per sample
constexpr int32_t PROTOCOL3_PACKETS_PER_REVOLUTION = PROTOCOL3_LAST_INDEX - PROTOCOL3_FIRST_INDEX + 1;
constexpr int32_t PROTOCOL3_SAMPLES_PER_REVOLUTION = 4 * PROTOCOL3_PACKETS_PER_REVOLUTION;
constexpr int32_t PROTOCOL3_REVOLUTION_BYTES = PROTOCOL3_PACKETS_PER_REVOLUTION * PROTOCOL3_PACKET_BYTES;

// One packet at `out` (PROTOCOL3_PACKET_BYTES): the four distance words are sent as given.
void EncodeProtocol3Packet(uint8_t* out, uint8_t index, uint8_t speed, const uint16_t words[4]);

// Angle of sample `sample` (0..359) of a revolution at one degree per sample, as the device sends
// it: packets 0xA0..0xF9, four samples each, the first at the packet's start angle.
float Protocol3SampleAngle(int32_t sample);

// One revolution: PROTOCOL3_REVOLUTION_BYTES at `out` for PROTOCOL3_SAMPLES_PER_REVOLUTION
// distances in sample order.
int32_t EncodeProtocol3Revolution(uint8_t* out, const int16_t* distances);
