#include "acquisition/PortLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "acquisition/LockFile.h"

namespace fs = std::filesystem;

namespace {

// A lock file whose verdict keeps changing under us is given up on after this many looks.
constexpr int LOCK_ATTEMPTS = 3;

// Each folder once, by the name it was first given: /var/lock is usually a link to /run/lock.
std::vector<std::string> DistinctDirs(const std::vector<std::string>& lockDirs)
{
    std::vector<std::string> dirs;
    std::vector<std::string> seen;
    for (const std::string& dir : lockDirs) {
        std::error_code ec;
        const fs::path real = fs::canonical(dir, ec);
        const std::string key = ec ? dir : real.native();
        if (std::find(seen.begin(), seen.end(), key) == seen.end()) {
            seen.push_back(key);
            dirs.push_back(dir);
        }
    }
    return dirs;
}

// 0 when created; otherwise the error of the attempt. The pid is written into a file of our
// own first and linked into place, so that a lock of ours is never seen empty.
int CreateLockFile(const std::string& dir, const std::string& file)
{
    std::string temporary = dir + "/LTMP.XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    int error = 0;
    if (::fchmod(fd, 0644) != 0)
        error = errno;
    else if (const ssize_t written = ::write(fd, text, static_cast<size_t>(n)); written != n)
        error = written < 0 ? errno : EIO;
    ::close(fd);
    if (error == 0 && ::link(temporary.c_str(), file.c_str()) != 0)
        error = errno;
    ::unlink(temporary.c_str());
    return error;
}

void AddText(std::string& texts, const std::string& text)
{
    texts += (texts.empty() ? "" : "; ") + text;
}

enum class DirOutcome { Taken, Held, Skipped };

// Takes the lock in one folder, replacing a stale lock there. `skipped` gathers why a folder
// takes no lock, `replaced` the stale locks that were removed.
DirOutcome LockInDir(const std::string& dir, const std::string& file, const std::string& procRoot,
                     PortLockResult& result, std::string& skipped, std::string& replaced)
{
    for (int attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        const int error = CreateLockFile(dir, file);
        if (error == 0) {
            result.lockFile = file;
            return DirOutcome::Taken;
        }
        if (error != EEXIST) {
            // A stale lock that we cannot replace is named, with its owner.
            const LockVerdict verdict = JudgeLockFile(file, procRoot);
            const std::string stays = verdict.kind == LockVerdict::Stale ? verdict.text + ", cannot be replaced: " : "";
            AddText(skipped, stays + dir + ": " + std::strerror(error));
            return DirOutcome::Skipped;
        }
        // Someone may have locked it since the first look.
        const LockVerdict verdict = JudgeLockFile(file, procRoot);
        std::string why;
        switch (verdict.kind) {
        case LockVerdict::Absent:
            continue;
        case LockVerdict::Live:
            result.holder.pid = verdict.pid;
            return DirOutcome::Held;
        case LockVerdict::Held:
            result.holder.reason = verdict.text;
            return DirOutcome::Held;
        case LockVerdict::NotALock:
            AddText(skipped, verdict.text);
            return DirOutcome::Skipped;
        case LockVerdict::Stale:
            if (!RemoveStaleLock(file, verdict, why)) {
                AddText(skipped, verdict.text + ", " + why);
                return DirOutcome::Skipped;
            }
            AddText(replaced, "replaced " + verdict.text);
            continue;
        }
    }
    AddText(skipped, file + " kept changing while it was judged");
    return DirOutcome::Skipped;
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
    for (const std::string& dir : DistinctDirs(lockDirs)) {
        const LockVerdict verdict = JudgeLockFile(dir + "/" + name, procRoot);
        if (verdict.kind == LockVerdict::Live)
            return {verdict.pid, {}};
        if (verdict.kind == LockVerdict::Held)
            return {0, verdict.text};
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
    std::string skipped;
    std::string replaced;
    for (const std::string& dir : DistinctDirs(lockDirs)) {
        const DirOutcome outcome = LockInDir(dir, dir + "/" + name, procRoot, result, skipped, replaced);
        if (outcome == DirOutcome::Held)
            return result;
        if (outcome == DirOutcome::Taken)
            break;
    }
    result.taken = true;
    result.note = replaced;
    if (result.lockFile.empty())
        AddText(result.note, "no lock file could be written (" + skipped + ")");
    return result;
}

void ReleasePortLock(const std::string& lockFile)
{
    if (lockFile.empty())
        return;
    const LockVerdict verdict = JudgeLockFile(lockFile, "/proc");
    if (verdict.kind == LockVerdict::Live && verdict.pid == ::getpid())
        ::unlink(lockFile.c_str());
}
