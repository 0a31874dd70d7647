#include "protocols/Protocol3.h"

#include <cstring>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/RxChunk.h"
#include "protocols/ShiftLeft.h"

namespace {

constexpr int32_t PACKET_SIZE = 22;
constexpr int32_t BUFFER_SIZE = 100;
constexpr int32_t SAMPLES = 4;
constexpr uint8_t START_BYTE = 0xFA;
constexpr int32_t RESTART_INDEX = 370;    // a frame this long without a wrap starts over unreported
constexpr uint16_t NO_RETURN_WORD = 0x8020;

uint8_t g_P3Buffer[BUFFER_SIZE];
int32_t g_nP3Fill = 0;
float g_fP3LastAngle = 0.0f;
// Next sample of the packet at the buffer start: a frame that ends inside a packet is returned
// at once, and its remaining samples open the next frame.
int32_t g_nP3NextSample = 0;

void DropBytes(int32_t count)
{
    g_nP3Fill -= count;
    ShiftLeft(g_P3Buffer, count, g_nP3Fill);
}

// Drops everything before the next start byte (all but the last byte when there is none).
void Resynchronise()
{
    const void* found = std::memchr(g_P3Buffer + 1, START_BYTE, static_cast<size_t>(g_nP3Fill - 2));
    const int32_t skip = found ? static_cast<int32_t>(static_cast<const uint8_t*>(found) - g_P3Buffer)
                               : g_nP3Fill - 1;
    CountLink(g_LinkHealth.skipped, skip);
    DropBytes(skip);
}

// Decodes the packet at the buffer start from g_nP3NextSample on. True when a sample closed a
// frame; the packet stays in the buffer while samples of it remain.
bool DecodePacket(ScanFrame& frame)
{
    const uint8_t* packet = g_P3Buffer;
    // The index byte is both bytes of a 16-bit angle word: 257 x b1, in 1/64 degree.
    const float start = static_cast<float>(257 * packet[1] - 40960) / 64.0f;
    const float speed = static_cast<float>(256 * packet[3]) / 64.0f;
    const float step = speed / 60.0f * 360.0f / 1800.0f;  // 1800 samples a second
    // The device's check bytes mean nothing, so a packet passes by its start byte alone.
    if (g_nP3NextSample == 0)
        CountLink(g_LinkHealth.accepted);
    if (g_nFrameIndex >= RESTART_INDEX) {
        g_nFrameIndex = 0;
        CountLink(g_LinkHealth.cutShort);
    }
    for (int32_t k = g_nP3NextSample; k < SAMPLES; ++k) {
        const uint8_t* word = packet + 4 + 4 * k;
        uint16_t distance = static_cast<uint16_t>(word[0] | word[1] << 8);
        if (distance == NO_RETURN_WORD)
            distance = 0;
        float angle = start + static_cast<float>(k) * step;
        if (angle > 360.0f)
            angle -= 360.0f;
        const bool valid = angle >= 0.0f;
        frame.distance[g_nFrameIndex] = valid ? static_cast<int16_t>(distance) : 0;
        frame.angle[g_nFrameIndex] = valid ? angle : 0.0f;
        ++g_nFrameIndex;
        const bool frameEnd = g_fP3LastAngle > 350.0f && angle < 10.0f;
        g_fP3LastAngle = angle;
        if (frameEnd) {
            frame.count = g_nFrameIndex;
            g_nFrameIndex = 0;
            g_nP3NextSample = k + 1 < SAMPLES ? k + 1 : 0;
            if (g_nP3NextSample == 0)
                DropBytes(PACKET_SIZE);
            return true;
        }
    }
    g_nP3NextSample = 0;
    DropBytes(PACKET_SIZE);
    return false;
}

// Decodes what the packet buffer and the pending read hold until a frame ends or all is used.
bool DecodeHeld(ScanFrame& frame)
{
    for (;;) {
        while (g_nP3Fill >= PACKET_SIZE) {
            if (g_P3Buffer[0] != START_BYTE)
                Resynchronise();
            else if (DecodePacket(frame))
                return true;
        }
        if (g_nRxChunkFill <= 0)
            return false;
        g_nP3Fill += TakeRxChunk(g_P3Buffer + g_nP3Fill, BUFFER_SIZE - g_nP3Fill);
    }
}

}  // namespace

int32_t ParseProtocol3(CSerialPort& port, ScanFrame& frame)
{
    // What an earlier call left after returning its frame comes first, then one new read.
    if (DecodeHeld(frame))
        return 0;
    if (!FetchRxChunk(port))
        return -1;
    return DecodeHeld(frame) ? 0 : -1;
}

void ResetProtocol3()
{
    g_nP3Fill = 0;
    g_fP3LastAngle = 0.0f;
    g_nP3NextSample = 0;
    ResetRxChunk();
}
