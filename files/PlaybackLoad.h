// Loading a dropped raw-data file for playback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum PlaybackLoadResult {
    PLAYBACK_LOADED = 0,
    PLAYBACK_TOO_LARGE = 1,  // "More than 5M"
    PLAYBACK_NOT_DATA = 2,   // "Non-data files"
    PLAYBACK_UNREADABLE = 3, // the file could not be opened or read, or is no regular file; `reason` says why
};

// Checks the whole file first and only then replaces the loaded data, so a refused file
// changes nothing. Never waits: a FIFO, a terminal or any other file that is not a regular one
// is refused at once. `path` is the file's name as the system has it, in any encoding. On success: frame 0, holding, playback on. `reason` (when given) receives
// the cause of a refusal: the system's error, the size, or the offset of the bad character.
[[nodiscard]] int LoadPlaybackFile(const std::string& path, std::string* reason = nullptr);

// Loads bytes from elsewhere (a recording's raw channel) in the same way: `fill` writes at most
// `room` bytes into `buffer` and returns how many.
void LoadPlaybackBytes(const std::function<int32_t(uint8_t* buffer, int32_t room)>& fill);
