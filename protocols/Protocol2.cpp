#include "protocols/Protocol2.h"

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/Protocol2Check.h"
#include "protocols/RxChunk.h"
#include "protocols/ShiftLeft.h"

namespace {

constexpr int32_t BUFFER_SIZE = 512;
constexpr int32_t SAMPLES = 8;
constexpr int32_t RESTART_INDEX = 600;  // a frame this long without a wrap starts over unreported

uint8_t g_P2Buffer[BUFFER_SIZE];
int32_t g_nP2Fill = 0;
float g_fP2LastAngle = 0.0f;
// Next sample of the packet at the buffer start: a frame that ends inside a packet is returned
// at once, and its remaining samples open the next frame.
int32_t g_nP2NextSample = 0;

uint16_t WordAt(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// Angle words count 1/64 degree from 0xA000.
float AngleOfWord(uint16_t word)
{
    return static_cast<float>(word - 40960) * 360.0f / 23040.0f;
}

bool HeaderAt(const uint8_t* bytes)
{
    return bytes[0] == 0x55 && bytes[1] == 0xAA;
}

bool ValidPacketAtStart()
{
    if (!HeaderAt(g_P2Buffer) || g_P2Buffer[2] != 0x03 || g_P2Buffer[3] != 0x08)
        return false;
    if (Protocol2CheckValue(g_P2Buffer) == WordAt(g_P2Buffer + PROTOCOL2_CHECK_OFFSET))
        return true;
    CountLink(g_LinkHealth.rejected);
    return false;
}

void DropBytes(int32_t count)
{
    g_nP2Fill -= count;
    ShiftLeft(g_P2Buffer, count, g_nP2Fill);
}

// Drops everything before the next 0x55 0xAA (all but the last byte when there is none).
void Resynchronise()
{
    int32_t skip = 1;
    while (skip <= g_nP2Fill - 2 && !HeaderAt(g_P2Buffer + skip))
        ++skip;
    const int32_t dropped = skip <= g_nP2Fill - 2 ? skip : g_nP2Fill - 1;
    CountLink(g_LinkHealth.skipped, dropped);
    DropBytes(dropped);
}

// Decodes the valid packet at the buffer start from g_nP2NextSample on. True when a sample
// closed a frame; the packet stays in the buffer while samples of it remain.
bool DecodePacket(ScanFrame& frame)
{
    const float start = AngleOfWord(WordAt(g_P2Buffer + 6));
    const float end = AngleOfWord(WordAt(g_P2Buffer + 32));
    const float arc = start > end ? 360.0f - start + end : end - start;
    const float step = arc / static_cast<float>(SAMPLES - 1);
    if (g_nP2NextSample == 0)
        CountLink(g_LinkHealth.accepted);
    if (g_nFrameIndex >= RESTART_INDEX) {
        g_nFrameIndex = 0;
        CountLink(g_LinkHealth.cutShort);
    }
    for (int32_t k = g_nP2NextSample; k < SAMPLES; ++k) {
        const int16_t distance = static_cast<int16_t>(WordAt(g_P2Buffer + 8 + 3 * k));
        float angle = start + static_cast<float>(k) * step;
        if (angle > 360.0f)
            angle -= 360.0f;
        const bool valid = angle >= 0.0f;
        frame.distance[g_nFrameIndex] = valid ? distance : 0;
        frame.angle[g_nFrameIndex] = valid ? angle : 0.0f;
        ++g_nFrameIndex;
        const bool frameEnd = g_fP2LastAngle > 350.0f && angle < 10.0f;
        g_fP2LastAngle = angle;
        if (frameEnd) {
            frame.count = g_nFrameIndex;
            g_nFrameIndex = 0;
            g_nP2NextSample = k + 1 < SAMPLES ? k + 1 : 0;
            if (g_nP2NextSample == 0)
                DropBytes(PROTOCOL2_PACKET_SIZE);
            return true;
        }
    }
    g_nP2NextSample = 0;
    DropBytes(PROTOCOL2_PACKET_SIZE);
    return false;
}

// Decodes what the packet buffer and the pending read hold until a frame ends or all is used.
bool DecodeHeld(ScanFrame& frame)
{
    for (;;) {
        while (g_nP2Fill >= PROTOCOL2_PACKET_SIZE) {
            if (!ValidPacketAtStart())
                Resynchronise();
            else if (DecodePacket(frame))
                return true;
        }
        if (g_nRxChunkFill <= 0)
            return false;
        g_nP2Fill += TakeRxChunk(g_P2Buffer + g_nP2Fill, BUFFER_SIZE - g_nP2Fill);
    }
}

}  // namespace

int32_t ParseProtocol2(CSerialPort& port, ScanFrame& frame)
{
    // What an earlier call left after returning its frame comes first, then one new read.
    if (DecodeHeld(frame))
        return 0;
    if (!FetchRxChunk(port))
        return -1;
    return DecodeHeld(frame) ? 0 : -1;
}

void ResetProtocol2()
{
    g_nP2Fill = 0;
    g_fP2LastAngle = 0.0f;
    g_nP2NextSample = 0;
    ResetRxChunk();
}
