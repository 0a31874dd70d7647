#include "files/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "files/HexDump.h"
#include "files/OutputDirectory.h"

namespace {

constexpr int MAX_SUFFIX = 9999;

FileWriteResult Failure(const std::string& path, int error)
{
    return {FileWriteResult::FAILED, path, std::strerror(error)};
}

// O_EXCL makes the existence test and the creation one step, so no earlier file is replaced.
int CreateFreeName(const std::string& base, bool unique, std::string* path)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (unique ? O_EXCL : O_TRUNC);
    for (int suffix = 0; suffix <= MAX_SUFFIX; ++suffix) {
        *path = base + (suffix == 0 ? "" : "_" + std::to_string(suffix)) + ".txt";
        const int fd = open(path->c_str(), flags, 0644);
        if (fd >= 0 || !unique || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

FileWriteResult WriteRecordFile(const std::string& stem, bool unique,
                                const std::function<bool(std::FILE*)>& writeBody)
{
    std::string reason;
    const std::string directory = ResolveRecordDirectory(&reason);
    if (directory.empty())
        return {FileWriteResult::FAILED, stem + ".txt", reason};
    std::string path;
    const int fd = CreateFreeName(directory + "/" + stem, unique, &path);
    if (fd < 0)
        return Failure(path, errno);
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        return Failure(path, error);
    }
    errno = 0;
    const bool written = writeBody(file) && std::fflush(file) == 0;
    const int error = errno != 0 ? errno : EIO;
    if (std::fclose(file) != 0 && written)
        return Failure(path, errno);
    if (!written)
        return Failure(path, error);
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
