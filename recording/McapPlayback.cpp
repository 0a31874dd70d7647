#include "recording/McapPlayback.h"

#include <algorithm>
#include <cctype>

#include "files/PlaybackLoad.h"
#include "recording/McapRawSource.h"

bool IsMcapFileName(const std::string& path)
{
    constexpr char EXTENSION[] = ".mcap";
    constexpr size_t LENGTH = sizeof EXTENSION - 1;
    if (path.size() < LENGTH)
        return false;
    return std::equal(path.end() - LENGTH, path.end(), EXTENSION,
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

McapPlaybackResult LoadMcapPlayback(const std::string& path)
{
    McapPlaybackResult result;
    McapRawSource source;
    std::string reason;
    if (!source.Open(path, reason)) {
        result.status = PLAYBACK_UNREADABLE;
        result.reason = path + ": " + reason;
        result.lacksRawChannel = source.LacksRawChannel();
        return result;
    }
    result.run = source.Run();
    LoadPlaybackBytes([&source, &result](uint8_t* buffer, int32_t room) {
        int32_t held = 0;
        for (int32_t count; held < room && (count = source.Read(buffer + held, room - held)) > 0;)
            held += count;
        result.shortened = !source.Ended();
        result.loaded = held;
        return held;
    });
    result.status = PLAYBACK_LOADED;
    return result;
}
