#include "acquisition/LockFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "acquisition/PortHolders.h"

namespace {

// "PID NAME USER" with a long name still fits; the pid comes first in every form.
constexpr size_t LOCK_READ_LIMIT = 128;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
}

// The ASCII forms: blanks, decimal digits, then the end or a blank and anything ("  1234\n",
// "1234 minicom user"). The binary form some older programs write is a native int whose high
// byte is 0 (a pid is below 2^22), so "12\n" and its like are never taken for one. 0 when the
// bytes name no process ("", "-1", "0", words).
int PidInLock(const char* bytes, size_t size)
{
    if (size == sizeof(int) && bytes[sizeof(int) - 1] == 0) {
        int pid = 0;
        std::memcpy(&pid, bytes, sizeof pid);
        return pid > 0 ? pid : 0;
    }
    size_t i = 0;
    while (i < size && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    long long value = 0;
    size_t digits = 0;
    for (; i < size && bytes[i] >= '0' && bytes[i] <= '9' && digits <= 10; ++i, ++digits)
        value = value * 10 + (bytes[i] - '0');
    if (digits == 0 || digits > 10 || value > INT_MAX || (i < size && !IsBlank(bytes[i])))
        return 0;
    return static_cast<int>(value);
}

std::string UserName(uid_t uid)
{
    passwd entry {};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(uid);
}

std::string AgeText(time_t seconds)
{
    if (seconds < 120)
        return std::to_string(seconds) + " s";
    return std::to_string(seconds / 60) + " min";
}

// The file's bytes, or the error that kept them from us. It may have been replaced between the
// look and the open: what was opened is judged, and only when it is a plain file.
int ReadPlainFile(const std::string& file, struct stat& st, char* text, ssize_t& size)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if ((size = ::read(fd, text, LOCK_READ_LIMIT)) < 0)
        error = errno;
    ::close(fd);
    return error;
}

// A lock whose bytes name no live process: held while it may still be being written, stale
// once it has been so for longer than the grace.
LockVerdict JudgeByAge(LockVerdict verdict, const struct stat& st, const std::string& problem)
{
    const time_t age = std::time(nullptr) - st.st_mtime;
    verdict.text += ", which " + problem + " and is " + AgeText(age < 0 ? 0 : age) + " old";
    if (age >= UNJUDGED_LOCK_GRACE_S) {
        verdict.kind = LockVerdict::Stale;
        verdict.text += " (stale after " + std::to_string(UNJUDGED_LOCK_GRACE_S) + " s)";
    } else {
        verdict.kind = LockVerdict::Held;
        verdict.text += " (held until it is " + std::to_string(UNJUDGED_LOCK_GRACE_S) + " s old)";
    }
    return verdict;
}

}  // namespace

LockVerdict JudgeLockFile(const std::string& file, const std::string& procRoot)
{
    LockVerdict verdict;
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return verdict;
        // An unsearchable lock directory takes no lock of ours either; the device's own
        // exclusivity still keeps others out.
        verdict.kind = LockVerdict::NotALock;
        verdict.text = file + " cannot be looked at: " + std::strerror(errno);
        return verdict;
    }
    if (S_ISDIR(st.st_mode)) {
        verdict.kind = LockVerdict::NotALock;
        verdict.text = file + " is a directory";
        return verdict;
    }
    verdict.text = "the lock file " + file + " of user " + UserName(st.st_uid);
    if (!S_ISREG(st.st_mode)) {
        verdict.kind = LockVerdict::Held;
        verdict.text += " is not a regular file";
        return verdict;
    }
    char text[LOCK_READ_LIMIT];
    ssize_t size = 0;
    const int error = ReadPlainFile(file, st, text, size);
    if (error == ENOENT)
        return {};
    if (error == EINVAL || error == ELOOP) {
        verdict.kind = LockVerdict::Held;
        verdict.text += " is not a regular file";
        return verdict;
    }
    verdict.device = st.st_dev;
    verdict.inode = st.st_ino;
    if (error != 0)
        return JudgeByAge(verdict, st, std::string("cannot be read (") + std::strerror(error) + ")");
    verdict.pid = PidInLock(text, static_cast<size_t>(size));
    if (verdict.pid == 0)
        return JudgeByAge(verdict, st, "names no process");
    if (!ProcessGone(verdict.pid, procRoot)) {
        verdict.kind = LockVerdict::Live;
        return verdict;
    }
    verdict.kind = LockVerdict::Stale;
    verdict.text += ", whose pid " + std::to_string(verdict.pid) + " has ended";
    return verdict;
}

bool RemoveStaleLock(const std::string& file, const LockVerdict& verdict, std::string& why)
{
    struct stat st {};
    // Another program may have replaced the stale lock with its own since it was judged.
    if (::lstat(file.c_str(), &st) != 0 || st.st_dev != verdict.device || st.st_ino != verdict.inode)
        return true;
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
        why = std::string("cannot be removed: ") + std::strerror(errno);
        return false;
    }
    return true;
}
