#include "protocols/Protocol0.h"

#include <algorithm>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/LineRead.h"
#include "protocols/ShiftLeft.h"

namespace {

constexpr int32_t SECTORS = 15;
constexpr int32_t LAST_SECTOR = 14;
constexpr float SECTOR_DEGREES = 24.0f;
constexpr uint8_t TAIL_BYTE = 0xFA;
constexpr int32_t MIN_POINT_NUM = 20;   // the range the dialog keeps "Point Num" in
constexpr int32_t MAX_POINT_NUM = 200;

int32_t g_nP0Pos = 0;

int32_t PacketSize(int32_t pointNum)
{
    return 2 * pointNum + 9;
}

int16_t BigEndianAt(const uint8_t* bytes)
{
    return static_cast<int16_t>(bytes[0] << 8 | bytes[1]);
}

// Read step: false when the parser should give up without a frame.
bool ReadMore(CSerialPort& port)
{
    const LineRead read = ReadLine(port, port.rxBuffer + port.rxFill,
                                   static_cast<int32_t>(sizeof port.rxBuffer) - port.rxFill);
    port.rxFill += read.placed;
    return read.proceed;
}

bool HeaderAt(const uint8_t* bytes)
{
    return bytes[0] == 0x55 && bytes[1] == 0xAA && bytes[2] < SECTORS;
}

void DecodePacket(const uint8_t* packet, int32_t pointNum, ScanFrame& frame)
{
    const int32_t sector = packet[2];
    const int32_t sampleCount = packet[3];
    const int16_t firstDivisor = BigEndianAt(packet + 4);
    const int16_t lastDivisor = BigEndianAt(packet + 6);
    const float first = SECTOR_DEGREES * (firstDivisor != 0 ? 1.0f / firstDivisor : 0.0f);
    const float last = SECTOR_DEGREES * (lastDivisor > 1 ? 1.0f - 1.0f / lastDivisor : 1.0f);
    // A single sample has no spread: it sits at the first-sample position.
    const float step = sampleCount > 1 ? (last - first) / static_cast<float>(sampleCount - 1) : 0.0f;
    const float sectorStart = SECTOR_DEGREES * static_cast<float>(sector) + first;
    const int32_t stored = std::min(sampleCount, pointNum);
    for (int32_t k = 0; k < stored; ++k) {
        if (g_nFrameIndex >= SCAN_CAPACITY) {
            g_nFrameIndex = 0;  // no sector 14 for too long: drop the partial frame
            CountLink(g_LinkHealth.cutShort);
        }
        frame.distance[g_nFrameIndex] = BigEndianAt(packet + 8 + 2 * k);
        frame.angle[g_nFrameIndex] = sectorStart + static_cast<float>(k) * step;
        ++g_nFrameIndex;
    }
}

// Scan step: decodes the first packet held, drops it and what came before. True when it was
// the last sector's packet.
bool ScanOnePacket(CSerialPort& port, int32_t pointNum, ScanFrame& frame)
{
    const int32_t size = PacketSize(pointNum);
    bool lastSector = false;
    g_nP0Pos = 0;
    bool found = false;
    while (!found && port.rxFill >= g_nP0Pos + size) {
        const uint8_t* candidate = port.rxBuffer + g_nP0Pos;
        if (HeaderAt(candidate)) {
            // The tail byte is all the packet has for check bytes.
            found = candidate[size - 1] == TAIL_BYTE;
            if (!found)
                CountLink(g_LinkHealth.rejected);
        }
        if (!found)
            ++g_nP0Pos;
    }
    CountLink(g_LinkHealth.skipped, g_nP0Pos);
    if (found) {
        const uint8_t* packet = port.rxBuffer + g_nP0Pos;
        CountLink(g_LinkHealth.accepted);
        DecodePacket(packet, pointNum, frame);
        lastSector = packet[2] == LAST_SECTOR;
        g_nP0Pos += size;
    }
    port.rxFill -= g_nP0Pos;
    ShiftLeft(port.rxBuffer, g_nP0Pos, port.rxFill);
    g_nP0Pos = 0;
    return lastSector;
}

}  // namespace

bool ParseProtocol0(CSerialPort& port, ScanFrame& frame)
{
    for (;;) {
        // Read afresh each step: the operator may change it while data flows.
        const int32_t pointNum = std::clamp(Load(g_nPointNum), MIN_POINT_NUM, MAX_POINT_NUM);
        if (port.rxFill < PacketSize(pointNum)) {
            if (!ReadMore(port))
                return false;
        } else if (ScanOnePacket(port, pointNum, frame)) {
            frame.count = std::max(g_nFrameIndex, 1);
            g_nFrameIndex = 0;
            return true;
        }
    }
}

void ResetProtocol0()
{
    g_nP0Pos = 0;
}
