// Playback of a dropped raw-data file: the frame readers of the loaded bytes that PlaybackSource
// hands to the parsers, stepping, and the frame snapshot.
#pragma once

#include <cstdint>
#include <vector>

// Under the marker and revolution rules all of `room` from the current frame's bytes taken as a
// ring, under the packet rule the current run of sector packets when `room` holds it; 0 when
// nothing can be read. Never reads beyond the loaded data.
int32_t PlaybackReadFrame(uint8_t* destination, int32_t room);

// Moves to the next frame, after the last to frame 0. Under the marker and revolution rules it
// takes effect only when the parser has completed a frame since the previous step. True when
// the frame changed. The step command (a click on the factor display) calls it during playback.
bool StepPlaybackFrame();

// The bytes of the current frame, for the frame snapshot: from its table entry to the next under
// the marker and revolution rules, its 15 sector packets (cut at the end of the loaded data)
// under the packet rule. False when the index holds no frame.
bool CopyPlaybackFrame(std::vector<uint8_t>* bytes);
