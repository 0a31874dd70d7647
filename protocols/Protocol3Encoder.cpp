#include "protocols/Protocol3Encoder.h"

#include <algorithm>
#include <cmath>

#include "protocols/NearestSample.h"

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

uint8_t Protocol3SpeedByte(float revolutionsPerSecond)
{
    return static_cast<uint8_t>(std::clamp(std::lround(revolutionsPerSecond * 15.0f), 0L, 255L));
}

float Protocol3SampleAngle(int32_t sample, uint8_t speed)
{
    // The receiver's arithmetic: 257 x index in 1/64 degree, 1800 samples a second.
    const int32_t index = PROTOCOL3_FIRST_INDEX + sample / 4;
    const float start = static_cast<float>(257 * index - 40960) / 64.0f;
    const float step = static_cast<float>(256 * speed) / 64.0f / 60.0f * 360.0f / 1800.0f;
    const float angle = start + static_cast<float>(sample % 4) * step;
    return angle > 360.0f ? angle - 360.0f : angle;
}

int32_t EncodeProtocol3Revolution(const Revolution& revolution, const EncoderSettings&, uint8_t* out,
                                  int32_t room)
{
    if (revolution.count <= 0)
        return 0;
    if (room < PROTOCOL3_PACKETS_PER_REVOLUTION * PROTOCOL3_PACKET_BYTES)
        return -1;
    const uint8_t speed = Protocol3SpeedByte(revolution.revolutionsPerSecond);
    for (int32_t p = 0; p < PROTOCOL3_PACKETS_PER_REVOLUTION; ++p) {
        uint16_t words[4];
        for (int32_t k = 0; k < 4; ++k)
            words[k] = static_cast<uint16_t>(NearestDistance(revolution, Protocol3SampleAngle(4 * p + k, speed)));
        EncodeProtocol3Packet(out + p * PROTOCOL3_PACKET_BYTES, static_cast<uint8_t>(PROTOCOL3_FIRST_INDEX + p),
                              speed, words);
    }
    return PROTOCOL3_PACKETS_PER_REVOLUTION * PROTOCOL3_PACKET_BYTES;
}
