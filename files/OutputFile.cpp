#include "files/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/HexDump.h"
#include "files/OutputDirectory.h"

namespace {

constexpr int MAX_SUFFIX = 9999;

FileWriteResult Failure(const std::string& path, int error)
{
    return {FileWriteResult::FAILED, path, std::strerror(error)};
}

// Holds the first free name of "base", "base_1", ... with an empty file, so that nothing else
// takes it while the data is written elsewhere. O_EXCL makes the test and the creation one
// step and never follows a link: a link at a name only makes that name taken.
int ReserveFreeName(const std::string& base, std::string* path)
{
    for (int suffix = 0; suffix <= MAX_SUFFIX; ++suffix) {
        *path = base + (suffix == 0 ? "" : "_" + std::to_string(suffix)) + ".txt";
        const int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0)
            close(fd);
        if (fd >= 0 || errno != EEXIST)
            return fd >= 0 ? 0 : -1;
    }
    return -1;
}

// The file the data goes to first: a hidden name beside `path`, its own for this process.
std::string PartialName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + "." + std::to_string(getpid()) + ".partial";
}

// Writes the whole body into `partial`; false with errno set when anything failed, the full
// disk included (fsync reports what delayed allocation would otherwise hide until later).
bool WritePartial(const std::string& partial, const std::function<bool(std::FILE*)>& writeBody)
{
    unlink(partial.c_str());  // a leftover of an earlier run of this process id
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    errno = 0;
    const bool written = writeBody(file) && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    const int error = errno != 0 ? errno : EIO;
    if (std::fclose(file) != 0 && written)
        return false;
    errno = error;
    return written;
}

}  // namespace

FileWriteResult WriteRecordFile(const std::string& stem, bool unique,
                                const std::function<bool(std::FILE*)>& writeBody)
{
    std::string reason;
    const std::string directory = ResolveRecordDirectory(&reason);
    if (directory.empty())
        return {FileWriteResult::FAILED, stem + ".txt", reason};
    std::string path = directory + "/" + stem + ".txt";
    if (unique && ReserveFreeName(directory + "/" + stem, &path) != 0)
        return Failure(path, errno);
    struct stat info {};
    if (!unique && lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return {FileWriteResult::FAILED, path, "a symbolic link is at this name; it is not followed"};
    // The file appears under its name only once it is whole: a full disk or a failed write
    // leaves nothing that could pass for a complete recording.
    const std::string partial = PartialName(path);
    if (!WritePartial(partial, writeBody) || rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(partial.c_str());
        if (unique)
            unlink(path.c_str());
        return Failure(path, error);
    }
    return {FileWriteResult::WRITTEN, path, {}};
}

bool WriteHexText(std::FILE* file, const uint8_t* bytes, int64_t count)
{
    char text[3 * 4096];
    for (int64_t done = 0; done < count;) {
        const int64_t chunk = count - done < 4096 ? count - done : 4096;
        for (int64_t i = 0; i < chunk; ++i)
            EncodeHexByte(bytes[done + i], text + 3 * i);
        if (std::fwrite(text, 1, static_cast<size_t>(3 * chunk), file) != static_cast<size_t>(3 * chunk))
            return false;
        done += chunk;
    }
    return true;
}
