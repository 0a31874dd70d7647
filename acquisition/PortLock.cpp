#include "acquisition/PortLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "acquisition/PortHolders.h"

namespace fs = std::filesystem;

namespace {

// A pid as ten ASCII characters ("%10d\n") is 11 bytes; anything much longer is no lock of ours.
constexpr size_t LOCK_READ_LIMIT = 64;

// What one lock file says.
struct LockContent {
    enum Kind { Absent, Pid, Directory, Unjudged } kind = Absent;
    int pid = 0;
    std::string reason;  // Unjudged: why
};

LockContent Unjudged(const std::string& file, const std::string& why)
{
    return {LockContent::Unjudged, 0, "the lock file " + file + " " + why};
}

// Blanks, decimal digits, blanks: the ASCII form. Exactly four other bytes: the binary form
// that older programs write (a live pid is below 2^22, so its high byte is never a digit).
bool ParsePid(const char* text, size_t size, int& pid)
{
    size_t i = 0;
    while (i < size && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    long value = 0;
    size_t digits = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9' && digits < 10; ++i, ++digits)
        value = value * 10 + (text[i] - '0');
    while (i < size && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    if (digits > 0 && i == size) {
        pid = static_cast<int>(value);
        return pid > 0;
    }
    if (size == sizeof(int)) {
        std::memcpy(&pid, text, sizeof pid);
        return pid > 0;
    }
    return false;
}

// The lock directory is writable by everyone, so its entries are looked at without following
// a link, without waiting on a FIFO and without opening anything that is not a plain file.
LockContent ReadLockFile(const std::string& file)
{
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return {};
        return Unjudged(file, std::string("cannot be read: ") + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode))
        return {LockContent::Directory, 0, {}};
    if (!S_ISREG(st.st_mode))
        return Unjudged(file, "is not a regular file");
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return Unjudged(file, std::string("cannot be read: ") + std::strerror(errno));
    }
    char text[LOCK_READ_LIMIT];
    ssize_t size = -1;
    // It may have been replaced between the look and the open: what was opened is judged.
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular)
        size = ::read(fd, text, sizeof text);
    const int error = errno;
    ::close(fd);
    if (!regular)
        return Unjudged(file, "is not a regular file");
    if (size < 0)
        return Unjudged(file, std::string("cannot be read: ") + std::strerror(error));
    LockContent content{LockContent::Pid, 0, {}};
    if (static_cast<size_t>(size) == sizeof text || !ParsePid(text, static_cast<size_t>(size), content.pid))
        return Unjudged(file, "names no process");
    return content;
}

// 0 when created; otherwise the error of the attempt.
int CreateLockFile(const std::string& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const ssize_t written = ::write(fd, text, static_cast<size_t>(n));
    const int error = written == n ? 0 : written < 0 ? errno : EIO;
    ::close(fd);
    if (error != 0)
        ::unlink(file.c_str());
    return error;
}

// Joins the reasons why no directory took the lock.
void AddReason(std::string& reasons, const std::string& reason)
{
    reasons += (reasons.empty() ? "" : "; ") + reason;
}

}  // namespace

std::string LockFileName(const std::string& devicePath)
{
    std::error_code ec;
    std::string real = fs::canonical(devicePath, ec).native();
    if (ec)
        real = devicePath;
    std::string name = real.starts_with("/dev/") ? real.substr(5) : fs::path(real).filename().native();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return "LCK.." + name;
}

LockHolder FindLockHolder(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                          const std::string& procRoot)
{
    const std::string name = LockFileName(devicePath);
    for (const std::string& dir : lockDirs) {
        const LockContent content = ReadLockFile(dir + "/" + name);
        if (content.kind == LockContent::Unjudged)
            return {0, content.reason};
        if (content.kind == LockContent::Pid && !ProcessGone(content.pid, procRoot))
            return {content.pid, {}};
    }
    return {};
}

PortLockResult TakePortLock(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                            const std::string& procRoot)
{
    PortLockResult result;
    result.holder = FindLockHolder(devicePath, lockDirs, procRoot);
    if (result.holder.Held())
        return result;
    const std::string name = LockFileName(devicePath);
    std::string reasons;
    for (const std::string& dir : lockDirs) {
        const std::string file = dir + "/" + name;
        int error = CreateLockFile(file);
        if (error == EEXIST) {
            // Someone may have locked it since the look above; only a proven-dead holder is stale.
            const LockContent content = ReadLockFile(file);
            if (content.kind == LockContent::Unjudged) {
                result.holder.reason = content.reason;
                return result;
            }
            if (content.kind == LockContent::Pid && !ProcessGone(content.pid, procRoot)) {
                result.holder.pid = content.pid;
                return result;
            }
            if (content.kind == LockContent::Directory) {
                AddReason(reasons, file + " is a directory");
                continue;
            }
            if (content.kind == LockContent::Pid)
                ::unlink(file.c_str());
            error = CreateLockFile(file);
        }
        if (error == 0) {
            result.lockFile = file;
            break;
        }
        AddReason(reasons, dir + ": " + std::strerror(error));
    }
    result.taken = true;
    if (result.lockFile.empty())
        result.notWritten = "no lock file could be written (" + reasons + ")";
    return result;
}

void ReleasePortLock(const std::string& lockFile)
{
    if (lockFile.empty())
        return;
    const LockContent content = ReadLockFile(lockFile);
    if (content.kind == LockContent::Pid && content.pid == ::getpid())
        ::unlink(lockFile.c_str());
}
