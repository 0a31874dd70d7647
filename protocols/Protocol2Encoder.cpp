#include "protocols/Protocol2Encoder.h"

#include <cmath>

#include "protocols/Protocol2Check.h"

namespace {

void PutWord(uint8_t* out, uint16_t word)
{
    out[0] = static_cast<uint8_t>(word & 0xFF);
    out[1] = static_cast<uint8_t>(word >> 8);
}

}  // namespace

uint16_t Protocol2AngleWord(float degrees)
{
    return static_cast<uint16_t>(40960 + std::lround(degrees * 64.0f));
}

void EncodeProtocol2Packet(uint8_t* out, uint16_t startWord, uint16_t endWord, const int16_t distances[8])
{
    out[0] = 0x55;
    out[1] = 0xAA;
    out[2] = 0x03;
    out[3] = 0x08;
    PutWord(out + 4, 0);
    PutWord(out + 6, startWord);
    for (int32_t k = 0; k < PROTOCOL2_SAMPLES_PER_PACKET; ++k) {
        PutWord(out + 8 + 3 * k, static_cast<uint16_t>(distances[k]));
        out[10 + 3 * k] = 0;
    }
    PutWord(out + 32, endWord);
    PutWord(out + PROTOCOL2_CHECK_OFFSET, Protocol2CheckValue(out));
}

int32_t EncodeProtocol2Revolution(uint8_t* out, const int16_t* distances)
{
    for (int32_t p = 0; p < PROTOCOL2_PACKETS_PER_REVOLUTION; ++p) {
        const float start = 8.0f * static_cast<float>(p);
        EncodeProtocol2Packet(out + p * PROTOCOL2_PACKET_SIZE, Protocol2AngleWord(start),
                              Protocol2AngleWord(start + 7.0f), distances + p * PROTOCOL2_SAMPLES_PER_PACKET);
    }
    return PROTOCOL2_REVOLUTION_BYTES;
}
