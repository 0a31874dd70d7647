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

// Removes the files of a set that failed: the names it had reserved and the parts already written.
void RemoveFiles(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        unlink(path.c_str());
}

// Reserves the first name of "base", "base_1", ... that is free for every part, with an empty
// file per part, so that nothing else takes them while the data is written elsewhere. O_EXCL
// makes the test and the creation one step and never follows a link: a link at a name only
// makes that name taken. `paths` gets the reserved files, or after a failure the one that failed.
bool ReserveFreeNames(const std::string& base, const std::vector<RecordFilePart>& parts,
                      std::vector<std::string>* paths)
{
    for (int suffix = 0; suffix <= MAX_SUFFIX; ++suffix) {
        const std::string name = base + (suffix == 0 ? "" : "_" + std::to_string(suffix));
        paths->clear();
        int error = 0;
        for (const RecordFilePart& part : parts) {
            paths->push_back(name + part.extension);
            const int fd = open(paths->back().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0) {
                error = errno;
                break;
            }
            close(fd);
        }
        if (error == 0)
            return true;
        const std::string failed = paths->back();
        paths->pop_back();
        RemoveFiles(*paths);
        *paths = {failed};
        if (error != EEXIST) {
            errno = error;
            return false;
        }
    }
    errno = EEXIST;
    return false;
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

// The file appears under its name only once it is whole: a full disk or a failed write leaves
// nothing that could pass for a complete recording. False with errno set after a failure.
bool WriteWhole(const std::string& path, const std::function<bool(std::FILE*)>& writeBody)
{
    const std::string partial = PartialName(path);
    if (WritePartial(partial, writeBody) && rename(partial.c_str(), path.c_str()) == 0)
        return true;
    const int error = errno;
    unlink(partial.c_str());
    errno = error;
    return false;
}

}  // namespace

FileWriteResult WriteRecordFile(const std::string& stem, bool unique,
                                const std::function<bool(std::FILE*)>& writeBody)
{
    if (unique)
        return WriteRecordFiles(stem, {{".txt", writeBody}});
    std::string reason;
    const std::string directory = ResolveRecordDirectory(&reason);
    if (directory.empty())
        return {FileWriteResult::FAILED, stem + ".txt", reason};
    const std::string path = directory + "/" + stem + ".txt";
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return {FileWriteResult::FAILED, path, "a symbolic link is at this name; it is not followed"};
    if (!WriteWhole(path, writeBody))
        return Failure(path, errno);
    return {FileWriteResult::WRITTEN, path, {}};
}

FileWriteResult WriteRecordFiles(const std::string& stem, const std::vector<RecordFilePart>& parts)
{
    std::string reason;
    const std::string directory = ResolveRecordDirectory(&reason);
    if (directory.empty())
        return {FileWriteResult::FAILED, stem + parts.front().extension, reason};
    std::vector<std::string> paths;
    if (!ReserveFreeNames(directory + "/" + stem, parts, &paths))
        return Failure(paths.back(), errno);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!WriteWhole(paths[i], parts[i].writeBody)) {
            const int error = errno;
            RemoveFiles(paths);
            return Failure(paths[i], error);
        }
    }
    return {FileWriteResult::WRITTEN, paths.front(), {}};
}

FileWriteResult ReserveRecordFile(const std::string& stem, const std::string& extension)
{
    std::string reason;
    const std::string directory = ResolveRecordDirectory(&reason);
    if (directory.empty())
        return {FileWriteResult::FAILED, stem + extension, reason};
    std::vector<std::string> paths;
    if (!ReserveFreeNames(directory + "/" + stem, {{extension, nullptr}}, &paths))
        return Failure(paths.back(), errno);
    return {FileWriteResult::WRITTEN, paths.front(), {}};
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
