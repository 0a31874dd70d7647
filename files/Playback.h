// Playback of a dropped raw-data file: the readers of the loaded bytes, frame by frame (protocol
// codes 0 and 1) or cyclically (codes 2 and 3), that PlaybackSource hands to the parsers.
#pragma once

#include <cstdint>
#include <vector>

// Frame reader of protocol codes 0 and 1: under the marker rule all of `room` from the current
// frame's bytes taken as a ring, under the packet rule the current run of sector packets when
// `room` holds it; 0 when nothing can be read. Never reads beyond the loaded data.
int32_t PlaybackReadFrame(uint8_t* destination, int32_t room);

// Cyclic reader of protocol codes 2 and 3: `length` bytes, or 0 when no data is loaded.
int32_t PlaybackReadBytes(uint8_t* destination, int32_t length);

// Moves to the next frame, after the last to frame 0. Under the marker rule it takes effect
// only when the protocol-1 parser has completed a frame since the previous step. True when
// the frame changed. The step command (a click on the factor display) calls it during playback.
bool StepPlaybackFrame();

// The bytes of the current frame, for the frame snapshot: from its marker to the next under the
// marker rule, its 15 sector packets (cut at the end of the loaded data) under the packet rule.
// False when the index holds no frame.
bool CopyPlaybackFrame(std::vector<uint8_t>* bytes);
