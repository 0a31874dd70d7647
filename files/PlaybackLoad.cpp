#include "files/PlaybackLoad.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
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

// Why a file that is not a regular file cannot be played: reading a FIFO or a terminal waits
// for a writer, a directory has no data.
const char* NotAFile(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO, not a data file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device, not a data file";
    if (S_ISDIR(mode))
        return "a directory, not a data file";
    if (S_ISSOCK(mode))
        return "a socket, not a data file";
    return nullptr;
}

// Opens for reading without ever waiting: O_NONBLOCK lets the open of a FIFO without a writer
// or of a terminal return at once, and anything but a regular file is then refused.
std::FILE* OpenDataFile(const std::string& path, int64_t* size, std::string* why)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    const char* notAFile = fstat(fd, &info) != 0 ? std::strerror(errno) : NotAFile(info.st_mode);
    if (notAFile == nullptr && !S_ISREG(info.st_mode))
        notAFile = "not a regular file";
    *size = static_cast<int64_t>(info.st_size);
    std::FILE* file = notAFile == nullptr ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        *why = notAFile != nullptr ? notAFile : std::strerror(errno);
        close(fd);
    }
    return file;
}

// Reads at most `limit` + 1 characters, enough to tell a file that is too large. The buffer starts
// at the size the file had when opened, not at the limit (megabytes to clear for every small
// file), and grows while the file turns out longer.
bool ReadText(std::FILE* file, int64_t expected, int64_t limit, std::vector<char>* text)
{
    const size_t most = static_cast<size_t>(limit + 1);
    text->resize(std::min(static_cast<size_t>(std::max<int64_t>(expected, 0)) + 1, most));
    size_t got = 0;
    for (;;) {
        got += std::fread(text->data() + got, 1, text->size() - got, file);
        if (got < text->size() || text->size() == most)
            break;
        text->resize(std::min(2 * text->size(), most));
    }
    text->resize(got);
    return std::ferror(file) == 0;
}

}  // namespace

int LoadPlaybackFile(const std::string& path, std::string* reason)
{
    std::lock_guard<std::mutex> load(g_loadMutex);
    std::string why;
    int64_t size = 0;
    std::FILE* file = OpenDataFile(path, &size, &why);
    if (file == nullptr)
        return Refuse(PLAYBACK_UNREADABLE, reason, path + ": " + why);
    std::vector<char> text;
    const bool read = ReadText(file, size, PLAYBACK_MAX_CHARACTERS, &text);
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

void LoadPlaybackBytes(const std::function<int32_t(uint8_t* buffer, int32_t room)>& fill)
{
    std::lock_guard<std::mutex> load(g_loadMutex);
    InstallPlaybackData(fill(SparePlaybackBuffer(), PLAYBACK_CAPACITY - 1));
}
