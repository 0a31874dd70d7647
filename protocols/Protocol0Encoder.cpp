#include "protocols/Protocol0Encoder.h"

#include <algorithm>

#include "protocols/NearestSample.h"

namespace {

constexpr int32_t MIN_POINT_NUM = 20;
constexpr int32_t MAX_POINT_NUM = 200;

void PutBigEndian(uint8_t* out, int16_t value)
{
    const auto word = static_cast<uint16_t>(value);
    out[0] = static_cast<uint8_t>(word >> 8);
    out[1] = static_cast<uint8_t>(word & 0xFF);
}

}  // namespace

void EncodeProtocol0Packet(uint8_t* out, int32_t pointNum, const Protocol0Sector& placement,
                           const int16_t* distances)
{
    out[0] = 0x55;
    out[1] = 0xAA;
    out[2] = placement.sector;
    out[3] = placement.sampleCount;
    PutBigEndian(out + 4, placement.firstDivisor);
    PutBigEndian(out + 6, placement.lastDivisor);
    const int32_t stored = std::min<int32_t>(placement.sampleCount, pointNum);
    for (int32_t k = 0; k < pointNum; ++k)
        PutBigEndian(out + 8 + 2 * k, k < stored ? distances[k] : int16_t{0});
    out[Protocol0PacketBytes(pointNum) - 1] = 0xFA;
}

int32_t Protocol0PointNum(const EncoderSettings& settings)
{
    return std::clamp(settings.samplesPerPacket, MIN_POINT_NUM, MAX_POINT_NUM);
}

float Protocol0SampleAngle(int32_t sector, int32_t k, int32_t pointNum)
{
    // The receiver's arithmetic for A = 0 and B = N.
    const float last = 24.0f * (1.0f - 1.0f / static_cast<float>(pointNum));
    const float step = last / static_cast<float>(pointNum - 1);
    return 24.0f * static_cast<float>(sector) + static_cast<float>(k) * step;
}

int32_t EncodeProtocol0Revolution(const Revolution& revolution, const EncoderSettings& settings, uint8_t* out,
                                  int32_t room)
{
    if (revolution.count <= 0)
        return 0;
    const int32_t pointNum = Protocol0PointNum(settings);
    const int32_t size = Protocol0PacketBytes(pointNum);
    if (room < PROTOCOL0_SECTORS * size)
        return -1;
    // A = 0 starts at the sector start; B = N ends one spacing short of the next sector.
    for (int32_t q = 0; q < PROTOCOL0_SECTORS; ++q) {
        int16_t distances[MAX_POINT_NUM];
        for (int32_t k = 0; k < pointNum; ++k)
            distances[k] = NearestDistance(revolution, Protocol0SampleAngle(q, k, pointNum));
        const Protocol0Sector placement{static_cast<uint8_t>(q), static_cast<uint8_t>(pointNum), 0,
                                        static_cast<int16_t>(pointNum)};
        EncodeProtocol0Packet(out + q * size, pointNum, placement, distances);
    }
    return PROTOCOL0_SECTORS * size;
}
