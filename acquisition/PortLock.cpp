#include "acquisition/PortLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "acquisition/PortHolders.h"

namespace fs = std::filesystem;

namespace {

// The pid written in a lock file, as ten ASCII characters ("%10d\n").
int ReadLockPid(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    char text[32] = {};
    in.read(text, sizeof text - 1);
    return std::atoi(text);
}

bool CreateLockFile(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const bool written = ::write(fd, text, static_cast<size_t>(n)) == n;
    ::close(fd);
    if (!written)
        ::unlink(file.c_str());
    return written;
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

int LiveLockHolder(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                   const std::string& procRoot)
{
    const std::string name = LockFileName(devicePath);
    for (const std::string& dir : lockDirs) {
        const fs::path file = fs::path(dir) / name;
        std::error_code ec;
        if (!fs::exists(file, ec))
            continue;
        const int pid = ReadLockPid(file);
        if (ProcessExists(pid, procRoot))
            return pid;
    }
    return 0;
}

PortLockResult TakePortLock(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                            const std::string& procRoot)
{
    PortLockResult result;
    result.holderPid = LiveLockHolder(devicePath, lockDirs, procRoot);
    if (result.holderPid != 0)
        return result;
    const std::string name = LockFileName(devicePath);
    for (const std::string& dir : lockDirs) {
        const fs::path file = fs::path(dir) / name;
        bool created = CreateLockFile(file);
        if (!created && errno == EEXIST) {
            // Someone may have locked it since the check; a lock whose process is gone is stale.
            result.holderPid = ReadLockPid(file);
            if (ProcessExists(result.holderPid, procRoot))
                return result;
            result.holderPid = 0;
            ::unlink(file.c_str());
            created = CreateLockFile(file);
        }
        if (created) {
            result.lockFile = file.native();
            break;
        }
    }
    result.taken = true;
    return result;
}

void ReleasePortLock(const std::string& lockFile)
{
    if (!lockFile.empty() && ReadLockPid(lockFile) == ::getpid())
        ::unlink(lockFile.c_str());
}
