#include "protocols/Protocol3Encoder.h"

void EncodeProtocol3Packet(uint8_t* out, uint8_t index, uint8_t speed, const uint16_t words[4])
{
    out[0] = 0xFA;
    out[1] = index;
    out[2] = 0;  // low speed byte: the receiver ignores it
    out[3] = speed;
    for (int32_t k = 0; k < 4; ++k) {
        uint8_t* sample = out + 4 + 4 * k;
        sample[0] = static_cast<uint8_t>(words[k] & 0xFF);
        sample[1] = static_cast<uint8_t>(words[k] >> 8);
        sample[2] = 0;
        sample[3] = 0;
    }
    out[20] = 0;  // check bytes: the receiver ignores them
    out[21] = 0;
}

float Protocol3SampleAngle(int32_t sample)
{
    const int32_t index = PROTOCOL3_FIRST_INDEX + sample / 4;
    const float angle = static_cast<float>(257 * index - 40960) / 64.0f + static_cast<float>(sample % 4);
    return angle > 360.0f ? angle - 360.0f : angle;
}

int32_t EncodeProtocol3Revolution(uint8_t* out, const int16_t* distances)
{
    for (int32_t p = 0; p < PROTOCOL3_PACKETS_PER_REVOLUTION; ++p) {
        const uint16_t words[4] = {
            static_cast<uint16_t>(distances[4 * p]), static_cast<uint16_t>(distances[4 * p + 1]),
            static_cast<uint16_t>(distances[4 * p + 2]), static_cast<uint16_t>(distances[4 * p + 3])};
        EncodeProtocol3Packet(out + p * PROTOCOL3_PACKET_BYTES, static_cast<uint8_t>(PROTOCOL3_FIRST_INDEX + p),
                              PROTOCOL3_DEGREE_SPEED, words);
    }
    return PROTOCOL3_REVOLUTION_BYTES;
}
