#include "acquisition/PortHolders.h"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsPidName(const std::string& name)
{
    if (name.empty())
        return false;
    for (char c : name)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Records every /dev/... that one process's descriptors point at; false when they cannot be
// listed although the process is still there.
bool CollectDescriptors(const fs::path& fdDir, int pid, std::map<std::string, int>& held)
{
    std::error_code ec;
    for (fs::directory_iterator it(fdDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError && target.native().starts_with("/dev/"))
            held.emplace(target.native(), pid);
    }
    return !ec || ec == std::errc::no_such_file_or_directory;
}

}  // namespace

HeldDevices DevicesHeldByOthers(const std::string& procRoot)
{
    HeldDevices held;
    const std::string self = std::to_string(::getpid());
    std::error_code ec;
    // Other users' descriptors are unreadable without privileges; those processes stay unseen.
    for (fs::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (IsPidName(name) && name != self &&
            !CollectDescriptors(it->path() / "fd", std::atoi(name.c_str()), held.holders))
            held.someUnseen = true;
    }
    return held;
}

int HolderOf(const std::string& devicePath, const std::string& procRoot)
{
    // Descriptor links name the device itself, not a /dev/serial/by-id link to it.
    std::error_code ec;
    const fs::path device = fs::canonical(devicePath, ec);
    const auto held = DevicesHeldByOthers(procRoot).holders;
    const auto found = held.find(ec ? devicePath : device.native());
    return found == held.end() ? 0 : found->second;
}

bool ProcessGone(int pid, const std::string& procRoot)
{
    std::error_code ec;
    if (pid <= 0 || fs::exists(fs::path(procRoot) / std::to_string(pid), ec) || ec)
        return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

std::string DescribeProcess(int pid, const std::string& procRoot)
{
    std::ifstream comm(fs::path(procRoot) / std::to_string(pid) / "comm");
    std::string name;
    std::getline(comm, name);
    if (name.empty())
        return "pid " + std::to_string(pid);
    return name + " (pid " + std::to_string(pid) + ")";
}
