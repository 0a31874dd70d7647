#include "files/PlaybackState.h"

#include "acquisition/SharedState.h"

std::mutex g_PlaybackMutex;

namespace {

uint8_t g_playbackBuffers[2][PLAYBACK_CAPACITY];
int g_activeBuffer = 0;  // guarded by g_PlaybackMutex

}  // namespace

const uint8_t* g_PlaybackData = g_playbackBuffers[0];
int32_t g_nPlaybackSize = 0;
int32_t g_nPlaybackFrames = 0;
int32_t g_nPlaybackFrame = 0;
int32_t g_PlaybackFrameStart[PLAYBACK_MAX_MARKERS];
int32_t g_playbackMarkerCount = 0;
int32_t g_nPlaybackReadPos = 0;
int32_t g_nPlaybackFrameEnd = 0;
int32_t g_nPlaybackReadFrame = 0;
int32_t g_nPlaybackFirstOffset = 0;

// The loader is the only writer of the inactive buffer, and only it changes which is active.
uint8_t* SparePlaybackBuffer()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return g_playbackBuffers[1 - g_activeBuffer];
}

namespace {

// A new file starts at frame 0 with an index still to build. Called with the playback lock held.
void RewindPlayback(int32_t size)
{
    g_nPlaybackSize = size;
    g_nPlaybackFrames = 0;
    g_nPlaybackFrame = 0;
    g_playbackMarkerCount = 0;
    g_nPlaybackReadPos = 0;
    g_nPlaybackFrameEnd = 0;
    g_nPlaybackReadFrame = 0;
    g_nPlaybackFirstOffset = 0;
}

}  // namespace

void InstallPlaybackData(int32_t size)
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    g_activeBuffer = 1 - g_activeBuffer;
    g_PlaybackData = g_playbackBuffers[g_activeBuffer];
    RewindPlayback(size);
    // A frame the parser completed from the line or an earlier file is none of this file's.
    Store(g_bFrameDone, 0);
    Store(g_bHoldFrame, 1);
    Store(g_bPlayback, 1);
}

PlaybackPosition GetPlaybackPosition()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    return {g_nPlaybackFrame, g_nPlaybackFrames};
}

void ResetPlaybackState()
{
    std::lock_guard<std::mutex> lock(g_PlaybackMutex);
    RewindPlayback(0);
}
