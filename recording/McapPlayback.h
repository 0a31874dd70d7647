// An MCAP recording dropped on the window (or given to --play): its raw channel loaded as the
// playback's bytes, so that it plays through the parsers as a text dump does, with the same
// hold, step and automatic run.
#pragma once

#include <cstdint>
#include <string>

#include "recording/RecordingMetadata.h"

// By the name: ".mcap" in any case.
bool IsMcapFileName(const std::string& path);

struct McapPlaybackResult {
    int status = 0;          // a PlaybackLoadResult
    std::string reason;      // why it was refused
    bool lacksRawChannel = false;  // refused as it has no raw channel: its LaserScans may play
    RecordedRun run;         // the model and protocol the recording names
    int64_t loaded = 0;      // bytes loaded
    bool shortened = false;  // the recording holds more than playback keeps: its beginning plays
};

McapPlaybackResult LoadMcapPlayback(const std::string& path);
