// The serial ports the system has, listed without opening any of them, and where the system
// keeps what the port list and the link consult.
#pragma once

#include <string>
#include <vector>

// One serial device as the port list shows it.
struct PortEntry {
    std::string path;         // what Open takes: /dev/ttyUSB0, a pseudo-terminal, ...
    std::string displayName;  // /dev/serial/by-id name where one exists, else the path
    std::string driver;       // the kernel driver behind it (sysfs); empty when none is known
    std::string holder;       // busy: who holds it, "name (pid N)", or why it counts as held
    bool othersUnseen = false;  // free as far as this user can see: the descriptors of some
                                // other users' processes could not be read
};

// Where the system keeps what the link consults; tests point it at a fake tree.
struct PortScanRoots {
    std::string sysClassTty = "/sys/class/tty";
    std::string serialById = "/dev/serial/by-id";
    std::vector<std::string> lockDirs = {"/var/lock", "/run/lock"};
    std::string proc = "/proc";
    std::vector<std::string> extraPaths;  // offered beside the enumerated ones (simulator, typed paths)
};

// Lists the serial devices without opening any of them: all, free, and busy (a live lock file,
// a lock file that cannot be judged, or a descriptor held by another process). Enumerated
// devices come first in natural name order, then the extra paths that LookAtPath finds serial.
void EnumeratePorts(std::vector<PortEntry>& all, std::vector<PortEntry>& free,
                    std::vector<PortEntry>& busy, const PortScanRoots& roots = PortScanRoots{});

// What a path given by hand names, found without opening it: a character device is a serial one
// when the tty class lists it (or, where there is no sysfs to ask, unless it is a known console).
enum class PathKind {
    SerialDevice,  // a terminal device of the serial kind, or a pseudo-terminal
    RegularFile,
    Missing,       // nothing there, a link to nothing, or a serial slot with no chip behind it
    Other,         // anything else: /dev/null, the controlling terminal, a console, a folder
};
struct PathLook {
    PathKind kind;
    int error;  // Missing: the system's reason (ENOENT, ENODEV, EACCES, ...); otherwise 0
};
PathLook LookAtPath(const std::string& path, const std::string& sysClassTty = "/sys/class/tty");
