#include "protocols/Protocol2Encoder.h"

#include <cmath>

#include "protocols/NearestSample.h"
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
    if (packets == 0)
        return 0;
    // Whole packets spread over the revolution's full arc: its last sample still reaches past
    // 350 degrees, where the receiver looks for the wrap.
    const int32_t sent = packets * PROTOCOL2_SAMPLES_PER_PACKET;
    const float first = revolution.samples[0].angle;
    const float spacing = (revolution.samples[revolution.count - 1].angle - first) / static_cast<float>(sent - 1);
    for (int32_t p = 0; p < packets; ++p) {
        int16_t distances[PROTOCOL2_SAMPLES_PER_PACKET];
        for (int32_t k = 0; k < PROTOCOL2_SAMPLES_PER_PACKET; ++k) {
            const float angle = first + static_cast<float>(p * PROTOCOL2_SAMPLES_PER_PACKET + k) * spacing;
            distances[k] = NearestDistance(revolution, angle);
        }
        const float start = first + static_cast<float>(p * PROTOCOL2_SAMPLES_PER_PACKET) * spacing;
        const float end = start + static_cast<float>(PROTOCOL2_SAMPLES_PER_PACKET - 1) * spacing;
        EncodeProtocol2Packet(out + p * PROTOCOL2_PACKET_SIZE, Protocol2AngleWord(start), Protocol2AngleWord(end),
                              distances);
    }
    return packets * PROTOCOL2_PACKET_SIZE;
}
