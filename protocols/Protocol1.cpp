#include "protocols/Protocol1.h"

#include <algorithm>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/LineRead.h"
#include "protocols/Protocol1Check.h"
#include "protocols/ShiftLeft.h"

namespace {

constexpr int32_t BUFFER_SIZE = 210;  // one largest packet (208) plus the next header
constexpr int32_t HEADER_SIZE = PROTOCOL1_HEADER_SIZE;
constexpr int32_t ZERO_PACKET_SIZE = PROTOCOL1_ZERO_PACKET_SIZE;

// The spare byte after the buffer is never written and stays 0.
uint8_t g_P1Buffer[BUFFER_SIZE + 1];
int32_t g_nP1Fill = 0;  // bytes held in g_P1Buffer
// A passed data packet stays at the buffer start until the next header is found: its length,
// so that dropping it then does not count as bytes skipped.
int32_t g_nP1PassedAtStart = 0;

enum class PacketOutcome { Continue, EndPass, FrameComplete };

void Consume(int32_t count)
{
    g_nP1Fill -= count;
    ShiftLeft(g_P1Buffer, count, g_nP1Fill);
}

// Drops `count` bytes from the buffer start, of which a passed packet there was used.
void Skip(int32_t count)
{
    CountLink(g_LinkHealth.skipped, count - g_nP1PassedAtStart);
    g_nP1PassedAtStart = 0;
    Consume(count);
}

// Drops the revolution in progress.
void CutRevolution()
{
    if (g_nFrameIndex > 0)
        CountLink(g_LinkHealth.cutShort);
    g_nFrameIndex = 0;
}

// A stream that never closes a revolution must not write past the arrays: the partial frame
// is dropped and writing starts again at 0.
int32_t TakeWriteIndex()
{
    if (g_nFrameIndex < 0 || g_nFrameIndex >= SCAN_CAPACITY)
        CutRevolution();
    return g_nFrameIndex++;
}

uint16_t WordAt(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

float AngleAt(const uint8_t* bytes)
{
    return static_cast<float>(WordAt(bytes) / 128.0);
}

void StoreSamples(const uint8_t* packet, int32_t n, ScanFrame& frame)
{
    const float start = AngleAt(packet + 4);
    const float end = AngleAt(packet + 6);
    float step = 0.0f;
    if (n > 1)
        step = start > end ? (360.0f - start + end) / static_cast<float>(n - 1)
                           : (end - start) / static_cast<float>(n - 1);
    for (int32_t k = 0; k < n; ++k) {
        const uint16_t word = WordAt(packet + HEADER_SIZE + 2 * k);
        float angle = start + static_cast<float>(k) * step;
        if (angle > 360.0f)
            angle -= 360.0f;
        const int32_t index = TakeWriteIndex();
        frame.distance[index] = static_cast<int16_t>(word / 4);
        frame.lowBits[index] = static_cast<int16_t>(word & 3);
        frame.angle[index] = angle;
    }
}

// Examines the packet whose header is at the start of the buffer (at least 12 bytes held).
PacketOutcome ExaminePacket(ScanFrame& frame)
{
    const uint8_t* p = g_P1Buffer;
    if (Protocol1ZeroPacketShape(p)) {
        if (Protocol1CheckMatches(p, ZERO_PACKET_SIZE))
            return PacketOutcome::FrameComplete;
        CountLink(g_LinkHealth.rejected);
        Skip(ZERO_PACKET_SIZE);
        CutRevolution();
        return PacketOutcome::EndPass;
    }
    if (const int32_t samples = Protocol1DataSamples(p); samples > 0) {
        const int32_t length = HEADER_SIZE + 2 * samples;
        if (g_nP1Fill < length)
            return PacketOutcome::EndPass;
        // A packet with bad check bytes is skipped; it leaves with the next header shift.
        if (Protocol1CheckMatches(p, length)) {
            CountLink(g_LinkHealth.accepted);
            g_nP1PassedAtStart = length;
            StoreSamples(p, samples, frame);
        } else {
            CountLink(g_LinkHealth.rejected);
        }
    }
    return PacketOutcome::Continue;
}

// Runs over a full buffer, or at the end of input over what is held; true when a valid zero
// packet waits at its start.
bool ScanPass(ScanFrame& frame)
{
    for (int32_t i = 0; i < g_nP1Fill; ++i) {
        if (g_P1Buffer[i] == 0xAA && i + 1 == g_nP1Fill) {
            // The next header's second byte has not arrived: keep its first and the frame.
            Skip(i);
            return false;
        }
        if (g_P1Buffer[i] == 0xAA && g_P1Buffer[i + 1] == 0x55) {
            if (i != 0) {
                Skip(i);
                i = 0;
            }
            // Fewer bytes than the shortest packet: more are needed. Only the end-of-input scan
            // meets this with the header already at the start; the bytes past the fill there are
            // left over from earlier packets and must not be taken for this one's.
            if (g_nP1Fill < ZERO_PACKET_SIZE)
                return false;
            const PacketOutcome outcome = ExaminePacket(frame);
            if (outcome == PacketOutcome::FrameComplete)
                return true;
            if (outcome == PacketOutcome::EndPass)
                return false;
        }
        if (g_nP1Fill == HEADER_SIZE + 2 * g_P1Buffer[3]) {
            Skip(g_nP1Fill);
            return false;
        }
    }
    // No further header: the bytes and the revolution in progress cannot be trusted.
    Skip(g_nP1Fill);
    CutRevolution();
    return false;
}

// Tops up the buffer; false when the parser should give up.
bool ReadPass(CSerialPort& port)
{
    uint8_t* tail = g_P1Buffer + g_nP1Fill;
    const LineRead read = ReadLine(port, tail, BUFFER_SIZE - g_nP1Fill);
    g_nP1Fill += read.placed;
    return read.proceed;
}

// The zero packet at the start of the buffer closes the revolution with its own sample.
void CompleteFrame(ScanFrame& frame)
{
    Store(g_bFrameDone, 1);
    const int32_t index = TakeWriteIndex();
    frame.distance[index] = static_cast<int16_t>(WordAt(g_P1Buffer + 10) / 4);
    frame.angle[index] = AngleAt(g_P1Buffer + 4);
    frame.count = g_nFrameIndex;
    CountLink(g_LinkHealth.accepted);
    g_nP1PassedAtStart = 0;
    Consume(ZERO_PACKET_SIZE);
    const int32_t valid = static_cast<int32_t>(
        std::count_if(frame.distance, frame.distance + frame.count, [](int16_t d) { return d > 0; }));
    Store(g_nValidSamples, valid);
    g_nFrameIndex = 0;
}

}  // namespace

bool ParseProtocol1(CSerialPort& port, ScanFrame& frame)
{
    for (;;) {
        if (g_nP1Fill < BUFFER_SIZE) {
            if (!ReadPass(port))
                return false;
        } else if (ScanPass(frame)) {
            CompleteFrame(frame);
            return true;
        }
    }
}

bool FinishProtocol1(CSerialPort&, ScanFrame& frame)
{
    while (g_nP1Fill > 0) {
        const int32_t held = g_nP1Fill;
        if (ScanPass(frame)) {
            CompleteFrame(frame);
            return true;
        }
        if (g_nP1Fill == held)
            break;  // an unfinished packet at the start, which nothing will complete
    }
    g_nP1Fill = 0;
    g_nFrameIndex = 0;
    return false;
}

void ResetProtocol1()
{
    std::fill(g_P1Buffer, g_P1Buffer + BUFFER_SIZE + 1, uint8_t{0});
    g_nP1Fill = 0;
    g_nP1PassedAtStart = 0;
}
