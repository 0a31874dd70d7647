// Playback of a dropped raw-data file: the parsers read from the loaded bytes instead of the port.
#pragma once

#include <cstdint>

// Frame reader of protocol codes 0 and 1: the current frame's bytes; 0 when nothing can be read.
int32_t PlaybackReadFrame(uint8_t* destination, int32_t room);

// Cyclic reader of protocol codes 2 and 3: `length` bytes, or 0 when no data is loaded.
int32_t PlaybackReadBytes(uint8_t* destination, int32_t length);
