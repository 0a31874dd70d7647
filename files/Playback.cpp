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

bool StepLocked()
{
    if (!EnsureIndexLocked())
        return false;
    // Between markers a step waits until the parser has completed a frame since the last one.
    const bool markers = ProtocolFor(Load(g_nProtocol)).playbackFrames == PlaybackFrames::Markers;
    if (markers && g_bFrameDone.exchange(0, std::memory_order_relaxed) == 0)
        return false;
    g_nPlaybackFrame = g_nPlaybackFrame + 1 < g_nPlaybackFrames ? g_nPlaybackFrame + 1 : 0;
    return true;
}

void AdvanceUnlessHeldLocked()
{
    if (Load(g_bHoldFrame) == 0)
        StepLocked();
}

// The frame from marker to marker as an endless ring, filling all of `room`. After a step the
// reading runs on from where it was until it passes the new frame's end, then wraps to the new
// frame's start.
int32_t ReadMarkerFrame(uint8_t* destination, int32_t room)
{
    if (room <= 0)
        return 0;
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    // An index built by the packet rule has no markers to read between.
    if (!EnsureIndexLocked() || g_nPlaybackFrame + 1 >= g_playbackMarkerCount)
        return 0;
    const int32_t start = g_PlaybackFrameStart[g_nPlaybackFrame];
    g_nPlaybackFrameEnd = g_PlaybackFrameStart[g_nPlaybackFrame + 1];
    for (int32_t k = 0; k < room; ++k) {
        destination[k] = g_PlaybackData[g_nPlaybackReadPos++];
        if (g_nPlaybackReadPos >= g_nPlaybackFrameEnd)
            g_nPlaybackReadPos = start;
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
    const bool markers = ProtocolFor(Load(g_nProtocol)).playbackFrames == PlaybackFrames::Markers;
    return markers ? ReadMarkerFrame(destination, room) : ReadPacketFrame(destination, room);
}

int32_t PlaybackReadBytes(uint8_t* destination, int32_t length)
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    if (g_nPlaybackSize <= 0 || length <= 0)
        return 0;
    for (int32_t k = 0; k < length; ++k) {
        if (g_nPlaybackPos >= g_nPlaybackSize)
            g_nPlaybackPos = 0;
        destination[k] = g_PlaybackData[g_nPlaybackPos++];
    }
    return length;
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
    // The frame being shown: from its marker to the next, or its run of sector packets.
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
