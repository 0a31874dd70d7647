#include "protocols/ProtocolTable.h"

#include <iterator>

#include "acquisition/SharedState.h"
#include "protocols/Protocol0.h"
#include "protocols/Protocol0Encoder.h"
#include "protocols/Protocol1.h"
#include "protocols/Protocol1Encoder.h"
#include "protocols/Protocol2.h"
#include "protocols/Protocol2Check.h"
#include "protocols/Protocol2Encoder.h"
#include "protocols/Protocol3.h"
#include "protocols/Protocol3Encoder.h"

namespace {

// Protocols 2 and 3 report every read; 0 means a frame completed. Like the protocol-1 parser's
// own, a completed frame lets stepped playback move on.
bool FrameCompleted(int32_t result)
{
    if (result != 0)
        return false;
    Store(g_bFrameDone, 1);
    return true;
}
bool ParseProtocol2Frame(CSerialPort& port, ScanFrame& frame) { return FrameCompleted(ParseProtocol2(port, frame)); }
bool ParseProtocol3Frame(CSerialPort& port, ScanFrame& frame) { return FrameCompleted(ParseProtocol3(port, frame)); }

// The simulated scanner's usual pace: about 70 % of a 115200-baud line in protocol 1.
constexpr int32_t SIMULATED_SAMPLES_PER_SECOND = 3600;
constexpr float SIMULATED_REVOLUTIONS_PER_SECOND = 7.0f;

// Playback's pace: five revolutions a second.
constexpr int FRAME_PAUSE_MS = 200;
// Protocols 2 and 3 decode all of a read at once: reads of a few packets let each revolution
// completed from the ring be paced on its own, instead of several arriving in one read.
constexpr int32_t PACKETS_RING_CHUNK = 256;

// Protocol 1 scanners: the 0.72-degree bins of the viewer's own sorting compensation.
constexpr int32_t PROTOCOL1_BINS = 500;
// Protocol 2 frames stay below 600 samples; one bin a degree.
constexpr int32_t PROTOCOL2_BINS = 360;

const ProtocolRow ROWS[] = {
    {0, "protocol 0", ParseProtocol0, ResetProtocol0, nullptr, ExamineProtocol0, SweepDirection::CounterClockwise,
     0, 0,
     EncodeProtocol0Revolution, SIMULATED_SAMPLES_PER_SECOND, SIMULATED_REVOLUTIONS_PER_SECOND, 0,
     PlaybackFrames::SectorPackets, PlaybackReading::WholeFrame, 0, FRAME_PAUSE_MS, 0},
    {1, "protocol 1", ParseProtocol1, ResetProtocol1, FinishProtocol1, ExamineProtocol1, SweepDirection::Clockwise,
     P1_MAX_DATA_SAMPLES, PROTOCOL1_BINS,
     EncodeProtocol1Revolution, SIMULATED_SAMPLES_PER_SECOND, SIMULATED_REVOLUTIONS_PER_SECOND, 0,
     PlaybackFrames::Markers, PlaybackReading::FrameRing, 0, 0, FRAME_PAUSE_MS},
    {2, "protocol 2", ParseProtocol2Frame, ResetProtocol2, nullptr, ExamineProtocol2, SweepDirection::Clockwise,
     PROTOCOL2_SAMPLES_PER_PACKET, PROTOCOL2_BINS,
     EncodeProtocol2Revolution, PROTOCOL2_SAMPLES_PER_SECOND, SIMULATED_REVOLUTIONS_PER_SECOND, PROTOCOL2_PACKET_SIZE,
     PlaybackFrames::Revolutions, PlaybackReading::FrameRing, PACKETS_RING_CHUNK, 0, FRAME_PAUSE_MS},
    {3, "protocol 3", ParseProtocol3Frame, ResetProtocol3, nullptr, ExamineProtocol3, SweepDirection::Clockwise,
     PROTOCOL3_SAMPLES_PER_PACKET, PROTOCOL3_SAMPLES_PER_REVOLUTION,
     EncodeProtocol3Revolution, SIMULATED_SAMPLES_PER_SECOND, PROTOCOL3_REVOLUTIONS_PER_SECOND, PROTOCOL3_PACKET_BYTES,
     PlaybackFrames::Revolutions, PlaybackReading::FrameRing, PACKETS_RING_CHUNK, 0, FRAME_PAUSE_MS},
};

}  // namespace

bool KnownProtocol(int32_t code)
{
    return code >= 0 && code < ProtocolCount();
}

const ProtocolRow& ProtocolFor(int32_t code)
{
    return ROWS[KnownProtocol(code) ? code : 0];
}

const ProtocolRow* ProtocolRows()
{
    return ROWS;
}

int32_t ProtocolCount()
{
    return static_cast<int32_t>(std::size(ROWS));
}
