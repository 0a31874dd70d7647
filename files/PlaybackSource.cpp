#include "files/PlaybackSource.h"

#include <algorithm>
#include <mutex>

#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackState.h"

namespace {

constexpr int32_t CYCLIC_CHUNK = 50;   // bytes per read of protocol codes 2 and 3
constexpr int CYCLIC_PAUSE_MS = 10;    // after each of those reads
constexpr int FRAME_PAUSE_MS = 200;    // per revolution of codes 0 and 1: five a second
constexpr int NOTHING_READ_PAUSE_MS = 10;

bool Cyclic()
{
    const int32_t protocol = Load(g_nProtocol);
    return protocol == 2 || protocol == 3;
}

}  // namespace

int32_t PlaybackSource::Waiting()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return g_nPlaybackSize;
}

int32_t PlaybackSource::Read(uint8_t* buffer, int32_t length)
{
    if (Cyclic())
        return PlaybackReadBytes(buffer, std::min(length, CYCLIC_CHUNK));
    return PlaybackReadFrame(buffer, length);
}

// Protocol code 0 reads one revolution's bytes at a time and so paces every read; code 1 reads
// a ring that is paced by the revolutions the parser completes from it.
int PlaybackSource::PauseAfterRead(int32_t placed)
{
    if (Cyclic())
        return CYCLIC_PAUSE_MS;
    if (Load(g_nProtocol) == 0)
        return FRAME_PAUSE_MS;
    return placed > 0 ? 0 : NOTHING_READ_PAUSE_MS;
}

int PlaybackSource::PauseAfterFrame()
{
    return Cyclic() || Load(g_nProtocol) == 0 ? 0 : FRAME_PAUSE_MS;
}
