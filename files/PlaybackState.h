// The loaded data of dropped-file playback and the position of its readers, shared by the
// loader and the step command (UI thread) and the parsers' readers (receive thread).
#pragma once

#include <cstdint>
#include <mutex>

constexpr int32_t PLAYBACK_CAPACITY = 1747627;
constexpr int32_t PLAYBACK_MAX_CHARACTERS = 5242880;  // 5M characters: 1,747,626 bytes
constexpr int32_t PLAYBACK_MAX_MARKERS = 1000;

// Held for a copy, an index scan or a swap, never across a wait: the UI thread may wait on
// it, the receive thread never waits for the UI while holding it. Guards everything below.
extern std::mutex g_PlaybackMutex;

extern const uint8_t* g_PlaybackData;  // the active one of two static buffers
extern int32_t g_nPlaybackSize;        // loaded bytes
extern int32_t g_nPlaybackFrames;      // frames in the index; 0 = build it; -1 = no frame
extern int32_t g_nPlaybackFrame;       // current frame
extern int32_t g_PlaybackFrameStart[PLAYBACK_MAX_MARKERS];
extern int32_t g_playbackMarkerCount;  // valid entries of g_PlaybackFrameStart (markers or revolution ends)
extern int32_t g_nPlaybackReadPos;     // next byte of the ring frame reader
extern int32_t g_nPlaybackFrameEnd;    // ring frame reader: end of the frame it is in
extern int32_t g_nPlaybackReadFrame;   // ring frame reader: the frame it is in
extern int32_t g_nPlaybackFirstOffset; // packet rule: position of the first frame

// The buffer a new file is decoded into while the readers keep using the active one. Only
// the loader touches it, one load at a time.
uint8_t* SparePlaybackBuffer();

// Makes the spare buffer, holding `size` bytes, the loaded data: frame 0, no frame completed
// from it yet, holding, index to be built, playback on.
void InstallPlaybackData(int32_t size);

// For the status line: current frame and frame count of the index.
struct PlaybackPosition {
    int32_t frame;
    int32_t frames;
};
PlaybackPosition GetPlaybackPosition();

// Start-up state: nothing loaded (tests, the command-line tool). Leaves g_bPlayback alone.
void ResetPlaybackState();
