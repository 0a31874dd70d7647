#include "files/PlaybackIndex.h"

#include <mutex>

#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "protocols/ProtocolTable.h"

namespace {

constexpr uint8_t FRAME_MARKER[4] = {0xAA, 0x55, 0x01, 0x01};  // a protocol-1 zero packet's head
constexpr uint8_t LAST_PACKET = 14;

bool MarkerAt(const uint8_t* data, int32_t p)
{
    return data[p] == FRAME_MARKER[0] && data[p + 1] == FRAME_MARKER[1] && data[p + 2] == FRAME_MARKER[2]
        && data[p + 3] == FRAME_MARKER[3];
}

// The first `count` entries of the start table are the index: frame k runs from entry k to k + 1.
// The ring reader starts at the beginning of frame 0.
int32_t UseFrameStarts(int32_t count)
{
    g_playbackMarkerCount = count;
    if (count > 0)
        g_nPlaybackReadPos = g_PlaybackFrameStart[0];
    if (count > 1)
        g_nPlaybackFrameEnd = g_PlaybackFrameStart[1];
    g_nPlaybackReadFrame = 0;
    return count - 1;
}

// Frames run from marker to marker; the table keeps the first PLAYBACK_MAX_MARKERS.
int32_t IndexMarkers()
{
    int32_t count = 0;
    for (int32_t p = 0; p + 4 <= g_nPlaybackSize && count < PLAYBACK_MAX_MARKERS; ++p) {
        if (MarkerAt(g_PlaybackData, p))
            g_PlaybackFrameStart[count++] = p;
    }
    return UseFrameStarts(count);
}

// Where the protocol's packet recogniser sees revolutions end, up to `limit` of them, written to
// `starts` unless it is null; the number found. Bytes that are no packet are stepped over one by one.
int32_t FindRevolutionEnds(const ProtocolRow& protocol, int32_t pointNum, int32_t* starts, int32_t limit)
{
    RecogniserState state{pointNum};
    int32_t count = 0;
    auto found = [&](int32_t p) {
        if (starts != nullptr)
            starts[count] = p;
        ++count;
    };
    int32_t p = 0;
    while (p < g_nPlaybackSize && count < limit) {
        const PacketVerdict verdict = protocol.examine(state, g_PlaybackData + p, g_nPlaybackSize - p);
        if (verdict.kind == PacketVerdict::NeedMore)
            break;  // the end of the data cuts the packet short
        if (verdict.kind != PacketVerdict::Accepted) {
            ++p;
            continue;
        }
        if (verdict.boundary == PacketVerdict::BeforePacket)
            found(p);
        p += verdict.length;
        if (verdict.boundary == PacketVerdict::AfterPacket && count < limit)
            found(p);
    }
    return count;
}

int32_t IndexRevolutions(const ProtocolRow& protocol)
{
    return UseFrameStarts(FindRevolutionEnds(protocol, Load(g_nPointNum), g_PlaybackFrameStart, PLAYBACK_MAX_MARKERS));
}

bool PacketAt(const uint8_t* data, int32_t p, int32_t pointNum, int32_t length)
{
    return data[p] == 0x55 && data[p + 1] == 0xAA && data[p + 2] < PACKETS_PER_FRAME
        && data[p + 3] < pointNum + 10 && data[p + length - 1] == 0xFA;
}

// A packet is stepped over whole, anything else byte by byte.
int32_t NextPosition(int32_t p, int32_t pointNum, int32_t length)
{
    return PacketAt(g_PlaybackData, p, pointNum, length) ? p + length : p + 1;
}

// Frames begin at the first packet numbered 0 (`first`); one is counted for every last packet
// after it.
int32_t CountPackets(int32_t pointNum, int32_t* first)
{
    const int32_t length = PacketLength(pointNum);
    int32_t p = 0;
    while (p <= g_nPlaybackSize - length
           && !(PacketAt(g_PlaybackData, p, pointNum, length) && g_PlaybackData[p + 2] == 0))
        p = NextPosition(p, pointNum, length);
    *first = p;
    int32_t frames = 0;
    for (; p <= g_nPlaybackSize - length; p = NextPosition(p, pointNum, length)) {
        if (PacketAt(g_PlaybackData, p, pointNum, length) && g_PlaybackData[p + 2] == LAST_PACKET)
            ++frames;
    }
    return frames;
}

int32_t IndexPackets()
{
    g_playbackMarkerCount = 0;
    return CountPackets(Load(g_nPointNum), &g_nPlaybackFirstOffset);
}

bool TwoMarkers()
{
    int32_t count = 0;
    for (int32_t p = 0; p + 4 <= g_nPlaybackSize && count < 2; ++p)
        count += MarkerAt(g_PlaybackData, p) ? 1 : 0;
    return count == 2;
}

}  // namespace

int32_t IndexPlaybackFramesLocked()
{
    const ProtocolRow& protocol = ProtocolFor(Load(g_nProtocol));
    switch (protocol.playbackFrames) {
    case PlaybackFrames::Markers:
        g_nPlaybackFrames = IndexMarkers();
        break;
    case PlaybackFrames::SectorPackets:
        g_nPlaybackFrames = IndexPackets();
        break;
    case PlaybackFrames::Revolutions:
        g_nPlaybackFrames = IndexRevolutions(protocol);
        break;
    }
    return g_nPlaybackFrames;
}

bool PlaybackHasFrames(int32_t protocol, int32_t pointNum)
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    const ProtocolRow& row = ProtocolFor(protocol);
    int32_t first = 0;
    switch (row.playbackFrames) {
    case PlaybackFrames::Markers:
        return TwoMarkers();
    case PlaybackFrames::SectorPackets:
        return CountPackets(pointNum, &first) > 0;
    case PlaybackFrames::Revolutions:
        return FindRevolutionEnds(row, pointNum, nullptr, 2) == 2;
    }
    return false;
}

int32_t IndexPlaybackFrames()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return IndexPlaybackFramesLocked();
}
