#include "files/PlaybackSource.h"

#include <algorithm>
#include <mutex>

#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackState.h"
#include "protocols/ProtocolTable.h"

namespace {

constexpr int NOTHING_READ_PAUSE_MS = 10;

const ProtocolRow& Protocol()
{
    return ProtocolFor(Load(g_nProtocol));
}

}  // namespace

int32_t PlaybackSource::Waiting()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return g_nPlaybackSize;
}

int32_t PlaybackSource::Read(uint8_t* buffer, int32_t length)
{
    const int32_t chunk = Protocol().playbackChunk;
    return PlaybackReadFrame(buffer, chunk > 0 ? std::min(length, chunk) : length);
}

// Reading a whole frame at a time paces every read; a ring is paced by the revolutions the
// parser completes from it, and an empty read waits a little instead of spinning.
int PlaybackSource::PauseAfterRead(int32_t placed)
{
    const ProtocolRow& protocol = Protocol();
    if (protocol.playbackReading == PlaybackReading::FrameRing && placed <= 0)
        return NOTHING_READ_PAUSE_MS;
    return protocol.playbackPauseAfterReadMs;
}

int PlaybackSource::PauseAfterFrame()
{
    return Protocol().playbackPauseAfterFrameMs;
}
