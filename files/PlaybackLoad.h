// Loading a dropped raw-data file for playback.
#pragma once

#include <string>

enum PlaybackLoadResult {
    PLAYBACK_LOADED = 0,
    PLAYBACK_TOO_LARGE = 1,  // "More than 5M"
    PLAYBACK_NOT_DATA = 2,   // "Non-data files"
    PLAYBACK_UNREADABLE = 3, // the file could not be opened or read; `reason` says why
};

// Checks the whole file first and only then replaces the loaded data, so a refused file
// changes nothing. On success: frame 0, holding, playback on. `reason` (when given) receives
// the cause of a refusal: the system's error, the size, or the offset of the bad character.
[[nodiscard]] int LoadPlaybackFile(const std::string& path, std::string* reason = nullptr);
