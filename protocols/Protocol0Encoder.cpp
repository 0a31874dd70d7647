#include "protocols/Protocol0Encoder.h"

#include <algorithm>

namespace {

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

int32_t EncodeProtocol0Revolution(uint8_t* out, int32_t pointNum, const int16_t* distances)
{
    // A = 0 starts at the sector start; B = pointNum ends one spacing short of the next sector.
    const int32_t size = Protocol0PacketBytes(pointNum);
    for (int32_t q = 0; q < PROTOCOL0_SECTORS; ++q) {
        const Protocol0Sector placement{static_cast<uint8_t>(q), static_cast<uint8_t>(pointNum), 0,
                                        static_cast<int16_t>(pointNum)};
        EncodeProtocol0Packet(out + q * size, pointNum, placement, distances + q * pointNum);
    }
    return PROTOCOL0_SECTORS * size;
}
