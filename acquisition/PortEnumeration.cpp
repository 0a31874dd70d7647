// EnumeratePorts and LookAtPath: the serial devices the system has, found from sysfs without
// opening any. Opening a port raises DTR and RTS, which resets many devices and can start or
// stop a scanner's motor, and the list is refreshed every second.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <tuple>

#include "acquisition/PortHolders.h"
#include "acquisition/PortLock.h"
#include "acquisition/PortEnumeration.h"

namespace fs = std::filesystem;

namespace {

// "ttyUSB10" sorts after "ttyUSB9": the name without its trailing number, then the number.
bool NaturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1])))
            --digits;
        const std::string number = s.substr(digits);
        return std::make_tuple(s.substr(0, digits), number.size(), number);
    };
    return split(a) < split(b);
}

// An on-board UART slot that the kernel registered but found no chip behind reports type 0.
bool IsPlaceholderUart(const fs::path& ttyEntry)
{
    std::ifstream typeFile(ttyEntry / "type");
    int type = -1;
    return typeFile >> type && type == 0;
}

std::vector<std::string> SerialDeviceNames(const std::string& sysClassTty)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code deviceError;
        // Virtual consoles and the pty multiplexer have no device behind them.
        if (fs::exists(it->path() / "device", deviceError) && !IsPlaceholderUart(it->path()))
            names.push_back(it->path().filename().native());
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

// Device name (ttyUSB0) -> its stable /dev/serial/by-id path.
std::map<std::string, std::string> StableNames(const std::string& serialById)
{
    std::map<std::string, std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(serialById, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError)
            names.emplace(target.filename().native(), it->path().native());
    }
    return names;
}

std::string CanonicalOrSame(const std::string& path)
{
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    return ec ? path : real.native();
}

// The driver bound to the device behind a tty, "ftdi_sio". Newer kernels put the serial core's
// own port and controller devices (bus serial-base) in between: the driver above them counts.
std::string DriverOf(const std::string& path, const std::string& sysClassTty)
{
    constexpr int LEVELS = 4;
    const fs::path name = fs::path(CanonicalOrSame(path)).filename();
    std::error_code ec;
    fs::path device = fs::canonical(fs::path(sysClassTty) / name / "device", ec);
    for (int level = 0; !ec && level < LEVELS; ++level, device = device.parent_path()) {
        std::error_code linkError;
        const fs::path driver = fs::canonical(device / "driver", linkError);
        if (!linkError && driver.parent_path().parent_path().filename() != "serial-base")
            return driver.filename().native();
    }
    return {};
}

struct Classifier {
    const PortScanRoots& roots;
    HeldDevices heldByOthers;

    // Empty when the port is free.
    std::string Holder(const std::string& path) const
    {
        const LockHolder lock = FindLockHolder(path, roots.lockDirs, roots.proc);
        if (!lock.reason.empty())
            return lock.reason;
        const auto descriptor = heldByOthers.holders.find(CanonicalOrSame(path));
        const int pid = lock.pid != 0 ? lock.pid : descriptor != heldByOthers.holders.end() ? descriptor->second : 0;
        return pid != 0 ? DescribeProcess(pid, roots.proc) : std::string();
    }
};

// Terminals that are no line to a device: the controlling terminal, the console and the
// pseudo-terminal multiplexer (major 5), and the virtual consoles (major 4, minors 0 to 63).
bool IsTerminalAlias(dev_t device)
{
    return (major(device) == 5 && minor(device) <= 2) || (major(device) == 4 && minor(device) <= 63);
}

// The pseudo-terminals' device side (majors 136 to 143), which sysfs does not list.
bool IsPseudoTerminal(dev_t device)
{
    return major(device) >= 136 && major(device) <= 143;
}

// The tty class entry of a device, found by its name and checked by its number; empty when the
// device is not in the class.
fs::path TtyClassEntry(const std::string& path, dev_t device, const std::string& sysClassTty)
{
    const fs::path entry = fs::path(sysClassTty) / fs::path(CanonicalOrSame(path)).filename();
    std::ifstream numbers(entry / "dev");
    unsigned majorNumber = 0;
    unsigned minorNumber = 0;
    char colon = 0;
    if (numbers >> majorNumber >> colon >> minorNumber && colon == ':' && majorNumber == major(device) &&
        minorNumber == minor(device))
        return entry;
    return {};
}

}  // namespace

PathLook LookAtPath(const std::string& path, const std::string& sysClassTty)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {PathKind::Missing, errno};
    if (S_ISREG(st.st_mode))
        return {PathKind::RegularFile, 0};
    if (!S_ISCHR(st.st_mode) || IsTerminalAlias(st.st_rdev))
        return {PathKind::Other, 0};
    std::error_code ec;
    // Without sysfs (some containers) nothing tells, and opening the device will.
    if (IsPseudoTerminal(st.st_rdev) || !fs::is_directory(sysClassTty, ec))
        return {PathKind::SerialDevice, 0};
    const fs::path entry = TtyClassEntry(path, st.st_rdev, sysClassTty);
    if (entry.empty())
        return {PathKind::Other, 0};
    if (IsPlaceholderUart(entry))
        return {PathKind::Missing, ENODEV};
    return {PathKind::SerialDevice, 0};
}

void EnumeratePorts(std::vector<PortEntry>& all, std::vector<PortEntry>& free,
                    std::vector<PortEntry>& busy, const PortScanRoots& roots)
{
    all.clear();
    free.clear();
    busy.clear();
    const Classifier classifier{roots, DevicesHeldByOthers(roots.proc)};
    const auto stableNames = StableNames(roots.serialById);
    auto add = [&](const std::string& path, const std::string& displayName) {
        PortEntry entry{path, displayName, DriverOf(path, roots.sysClassTty), classifier.Holder(path),
                        classifier.heldByOthers.someUnseen};
        (entry.holder.empty() ? free : busy).push_back(entry);
        all.push_back(std::move(entry));
    };
    for (const std::string& name : SerialDeviceNames(roots.sysClassTty)) {
        const std::string path = "/dev/" + name;
        const auto stable = stableNames.find(name);
        add(path, stable != stableNames.end() ? stable->second : path);
    }
    for (const std::string& path : roots.extraPaths) {
        const bool listed = std::any_of(all.begin(), all.end(),
                                        [&](const PortEntry& entry) { return entry.path == path; });
        if (!listed && LookAtPath(path, roots.sysClassTty).kind == PathKind::SerialDevice)
            add(path, path);
    }
}
