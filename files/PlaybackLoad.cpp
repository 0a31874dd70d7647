#include "files/PlaybackLoad.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "files/HexDump.h"
#include "files/PlaybackState.h"

namespace {

std::mutex g_loadMutex;  // one load at a time owns the spare buffer

int Refuse(int result, std::string* reason, const std::string& text)
{
    if (reason != nullptr)
        *reason = text;
    return result;
}

// Reads at most `limit` + 1 characters, enough to tell a file that is too large.
bool ReadText(std::FILE* file, int64_t limit, std::vector<char>* text)
{
    text->resize(static_cast<size_t>(limit + 1));
    const size_t got = std::fread(text->data(), 1, text->size(), file);
    text->resize(got);
    return std::ferror(file) == 0;
}

}  // namespace

int LoadPlaybackFile(const std::string& path, std::string* reason)
{
    std::lock_guard<std::mutex> load(g_loadMutex);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return Refuse(PLAYBACK_UNREADABLE, reason, path + ": " + std::strerror(errno));
    std::vector<char> text;
    const bool read = ReadText(file, PLAYBACK_MAX_CHARACTERS, &text);
    const int error = errno;
    std::fclose(file);
    if (!read)
        return Refuse(PLAYBACK_UNREADABLE, reason, path + ": " + std::strerror(error));
    const int64_t length = static_cast<int64_t>(text.size());
    if (length > PLAYBACK_MAX_CHARACTERS)
        return Refuse(PLAYBACK_TOO_LARGE, reason,
                      path + ": more than " + std::to_string(PLAYBACK_MAX_CHARACTERS) + " characters");
    int64_t bad = 0;
    const int64_t bytes = DecodeHexDump(text.data(), length, SparePlaybackBuffer(), &bad);
    if (bytes < 0)
        return Refuse(PLAYBACK_NOT_DATA, reason,
                      path + ": character " + std::to_string(bad) + " is not a hexadecimal digit pair and space");
    InstallPlaybackData(static_cast<int32_t>(bytes));
    return PLAYBACK_LOADED;
}
