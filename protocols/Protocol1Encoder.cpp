#include "protocols/Protocol1Encoder.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint8_t DATA_PACKET = 0;
constexpr uint8_t ZERO_PACKET = 1;
constexpr int32_t MAX_DISTANCE_MM = 16383;  // a sample word holds the distance times 4

void PutWord(uint8_t* out, uint16_t word)
{
    out[0] = static_cast<uint8_t>(word & 0xFF);
    out[1] = static_cast<uint8_t>(word >> 8);
}

// Angles travel in 1/128 degree; the device always sets bit 0.
uint16_t AngleWord(float angle)
{
    float wrapped = std::fmod(angle, 360.0f);
    if (wrapped < 0.0f)
        wrapped += 360.0f;
    return static_cast<uint16_t>(std::lround(wrapped * 128.0f) | 1);
}

uint16_t SampleWord(const ScanSample& sample)
{
    const int32_t mm = std::clamp<int32_t>(sample.distance, 0, MAX_DISTANCE_MM);
    return static_cast<uint16_t>(mm * 4 | (sample.lowBits & 3));
}

// The check word is the XOR of every other little-endian word of the packet.
void PutCheckBytes(uint8_t* packet, int32_t length)
{
    uint8_t low = 0;
    uint8_t high = 0;
    for (int32_t i = 0; i < length; i += 2) {
        if (i == 8)
            continue;
        low ^= packet[i];
        high ^= packet[i + 1];
    }
    packet[8] = low;
    packet[9] = high;
}

void PutHeader(uint8_t* out, uint8_t type, int32_t count, uint16_t startWord, uint16_t endWord)
{
    out[0] = 0xAA;
    out[1] = 0x55;
    out[2] = type;
    out[3] = static_cast<uint8_t>(count);
    PutWord(out + 4, startWord);
    PutWord(out + 6, endWord);
}

}  // namespace

int32_t EncodeProtocol1DataPacket(const ScanSample* samples, int32_t count, uint8_t* out)
{
    if (count < 1 || count > P1_MAX_DATA_SAMPLES)
        return -1;
    PutHeader(out, DATA_PACKET, count, AngleWord(samples[0].angle), AngleWord(samples[count - 1].angle));
    for (int32_t k = 0; k < count; ++k)
        PutWord(out + 10 + 2 * k, SampleWord(samples[k]));
    const int32_t length = Protocol1PacketSize(count);
    PutCheckBytes(out, length);
    return length;
}

int32_t EncodeProtocol1ZeroPacket(const ScanSample& sample, uint8_t* out)
{
    const uint16_t angle = AngleWord(sample.angle);
    PutHeader(out, ZERO_PACKET, 1, angle, angle);
    PutWord(out + 10, SampleWord(sample));
    PutCheckBytes(out, P1_ZERO_PACKET_SIZE);
    return P1_ZERO_PACKET_SIZE;
}

int32_t EncodeProtocol1Revolution(const Revolution& revolution, const EncoderSettings& settings,
                                  uint8_t* out, int32_t room)
{
    if (revolution.count <= 0)
        return 0;
    const int32_t perPacket = std::clamp(settings.samplesPerPacket, 1, P1_MAX_DATA_SAMPLES);
    const int32_t dataSamples = revolution.count - 1;
    int32_t written = 0;
    for (int32_t first = 0; first < dataSamples; first += perPacket) {
        const int32_t count = std::min(perPacket, dataSamples - first);
        if (written + Protocol1PacketSize(count) > room)
            return -1;
        written += EncodeProtocol1DataPacket(revolution.samples + first, count, out + written);
    }
    if (written + P1_ZERO_PACKET_SIZE > room)
        return -1;
    return written + EncodeProtocol1ZeroPacket(revolution.samples[dataSamples], out + written);
}
