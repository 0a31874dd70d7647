// The loaded data file as the parsers' byte source, attached to the port in place of the device
// once a file is loaded. It reads in each protocol's playback manner and keeps playback's pace:
// about five revolutions a second for protocol codes 0 and 1, 50 bytes every 10 ms for 2 and 3.
#pragma once

#include "acquisition/ByteSource.h"

class PlaybackSource : public ByteSource {
public:
    // The loaded bytes: a replay never runs dry while a file is loaded; its reads pace themselves.
    int32_t Waiting() override;
    // Protocol codes 2 and 3: the next 50 bytes of the cycle; others: the frame reader.
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override { return false; }

    int PauseAfterRead(int32_t placed) override;
    int PauseAfterFrame() override;
    bool Replays() override { return true; }
};
