// The loaded data file as the parsers' byte source, attached to the port in place of the device
// once a file is loaded. It reads in each protocol's playback manner and keeps playback's pace,
// about five revolutions a second, as the protocol table says.
#pragma once

#include "acquisition/ByteSource.h"

class PlaybackSource : public ByteSource {
public:
    // The loaded bytes: a replay never runs dry while a file is loaded; its reads pace themselves.
    int32_t Waiting() override;
    // The frame reader, at most the protocol's playback chunk at a time.
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override { return false; }

    int PauseAfterRead(int32_t placed) override;
    int PauseAfterFrame() override;
    bool Replays() override { return true; }
};
