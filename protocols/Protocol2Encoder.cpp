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

int32_t EncodeProtocol2Revolution(const Revolution& revolution, const EncoderSettings&, uint8_t* out,
                                  int32_t room)
{
    const int32_t packets = revolution.count / PROTOCOL2_SAMPLES_PER_PACKET;
    if (packets * PROTOCOL2_PACKET_SIZE > room)
        return -1;
    for (int32_t p = 0; p < packets; ++p) {
        const ScanSample* group = revolution.samples + p * PROTOCOL2_SAMPLES_PER_PACKET;
        int16_t distances[PROTOCOL2_SAMPLES_PER_PACKET];
        for (int32_t k = 0; k < PROTOCOL2_SAMPLES_PER_PACKET; ++k)
            distances[k] = group[k].distance;
        EncodeProtocol2Packet(out + p * PROTOCOL2_PACKET_SIZE, Protocol2AngleWord(group[0].angle),
                              Protocol2AngleWord(group[PROTOCOL2_SAMPLES_PER_PACKET - 1].angle), distances);
    }
    return packets * PROTOCOL2_PACKET_SIZE;
}
