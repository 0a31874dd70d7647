#include "files/Playback.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "acquisition/SharedState.h"
#include "files/PlaybackIndex.h"
#include "files/PlaybackState.h"
#include "protocols/ProtocolTable.h"

namespace {

// The index is built lazily, with the protocol code and point number of its first use.
bool EnsureIndexLocked()
{
    if (g_nPlaybackFrames == 0)
        IndexPlaybackFramesLocked();
    return g_nPlaybackFrames > 0;
}

// Markers and revolution ends are kept in the start table; sector packet runs are computed.
bool FramesFromTable()
{
    return ProtocolFor(Load(g_nProtocol)).playbackFrames != PlaybackFrames::SectorPackets;
}

bool StepLocked()
{
    if (!EnsureIndexLocked())
        return false;
    // Between table entries a step waits until the parser has completed a frame since the last one.
    if (FramesFromTable() && g_bFrameDone.exchange(0, std::memory_order_relaxed) == 0)
        return false;
    g_nPlaybackFrame = g_nPlaybackFrame + 1 < g_nPlaybackFrames ? g_nPlaybackFrame + 1 : 0;
    return true;
}

void AdvanceUnlessHeldLocked()
{
    if (Load(g_bHoldFrame) == 0)
        StepLocked();
}

// At the end of the frame the ring reader is in: the frame after it while the current frame lies
// ahead, so that frames stepped over meanwhile are read through; otherwise the current frame's
// start (the same frame again while held, the first after the wrap). The parser always sees
// whole frames in the file's order, and no frame cut short where the file wraps.
void NextRingFrameLocked()
{
    const int32_t next = g_nPlaybackReadFrame < g_nPlaybackFrame ? g_nPlaybackReadFrame + 1 : g_nPlaybackFrame;
    g_nPlaybackReadFrame = next;
    g_nPlaybackReadPos = g_PlaybackFrameStart[next];
    g_nPlaybackFrameEnd = g_PlaybackFrameStart[next + 1];
}

// The frame between two table entries as an endless ring, filling all of `room`.
int32_t ReadRingFrame(uint8_t* destination, int32_t room)
{
    if (room <= 0)
        return 0;
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    // An index built by the packet rule has no table to read between.
    if (!EnsureIndexLocked() || g_nPlaybackFrame + 1 >= g_playbackMarkerCount)
        return 0;
    for (int32_t k = 0; k < room; ++k) {
        if (g_nPlaybackReadPos >= g_nPlaybackFrameEnd)
            NextRingFrameLocked();
        destination[k] = g_PlaybackData[g_nPlaybackReadPos++];
    }
    AdvanceUnlessHeldLocked();
    return room;
}

// Bytes of frame `frame` in packet geometry that lie within the loaded data: [begin, begin + n).
int32_t PacketFrameRange(int32_t frame, int32_t* begin)
{
    const int64_t frameLength = int64_t{PACKETS_PER_FRAME} * PacketLength(Load(g_nPointNum));
    const int64_t first = g_nPlaybackFirstOffset + int64_t{frame} * frameLength;
    if (first < 0 || first >= g_nPlaybackSize)
        return 0;
    *begin = static_cast<int32_t>(first);
    return static_cast<int32_t>(std::min<int64_t>(frameLength, g_nPlaybackSize - first));
}

// The current run of 15 sector packets; a frame cut short by the end of the data delivers
// what there is.
int32_t ReadPacketFrame(uint8_t* destination, int32_t room)
{
    if (room < PACKETS_PER_FRAME * PacketLength(Load(g_nPointNum)))
        return 0;
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    if (!EnsureIndexLocked())
        return 0;
    int32_t begin = 0;
    const int32_t length = PacketFrameRange(g_nPlaybackFrame, &begin);
    std::memcpy(destination, g_PlaybackData + begin, static_cast<size_t>(length));
    AdvanceUnlessHeldLocked();
    return length;
}

}  // namespace

int32_t PlaybackReadFrame(uint8_t* destination, int32_t room)
{
    return FramesFromTable() ? ReadRingFrame(destination, room) : ReadPacketFrame(destination, room);
}

bool StepPlaybackFrame()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return StepLocked();
}

bool CopyPlaybackFrame(std::vector<uint8_t>* bytes)
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    if (!EnsureIndexLocked())
        return false;
    // The frame being shown: from its table entry to the next, or its run of sector packets.
    int32_t begin = 0;
    int32_t length = 0;
    if (g_playbackMarkerCount > 0) {
        begin = g_PlaybackFrameStart[g_nPlaybackFrame];
        length = g_PlaybackFrameStart[g_nPlaybackFrame + 1] - begin;
    } else {
        length = PacketFrameRange(g_nPlaybackFrame, &begin);
    }
    bytes->assign(g_PlaybackData + begin, g_PlaybackData + begin + length);
    return true;
}
