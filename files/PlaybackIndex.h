// The frame index of the loaded data, by the rule of the protocol in force: frame markers
// (protocol 1), runs of 15 sector packets (protocol 0), or the revolution ends that the
// protocol's packet recogniser finds (protocols 2 and 3).
#pragma once

#include <cstdint>

// Builds the index for the protocol code and point number in force; returns the new
// g_nPlaybackFrames (0 or -1 when the index holds no frame).
int32_t IndexPlaybackFrames();

// The same for a caller that already holds g_PlaybackMutex.
int32_t IndexPlaybackFramesLocked();

// Whether the loaded data holds a frame by the rule of `protocol` and `pointNum`, without
// building the index (the receive thread builds it at its first read, with the settings then).
bool PlaybackHasFrames(int32_t protocol, int32_t pointNum);

// Length of one sector packet of protocol code 0 for `pointNum` samples.
inline int32_t PacketLength(int32_t pointNum)
{
    return 2 * pointNum + 9;
}
constexpr int32_t PACKETS_PER_FRAME = 15;
