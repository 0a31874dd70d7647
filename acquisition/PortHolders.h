// Which other processes hold a device open, seen through /proc without touching the device.
#pragma once

#include <map>
#include <string>

// The devices other processes hold, as far as /proc shows them. Our own process is left out: a
// port we hold is not "held by another program".
struct HeldDevices {
    std::map<std::string, int> holders;  // device path (as the descriptor links name it, e.g.
                                         // /dev/ttyUSB0) -> pid of one process holding it
    bool someUnseen = false;             // the descriptors of some processes (other users')
                                         // could not be read: what they hold is unknown
};
HeldDevices DevicesHeldByOthers(const std::string& procRoot);

// The holder of one device (any path that leads to it), or 0.
int HolderOf(const std::string& devicePath, const std::string& procRoot);

// True only when the process is proven gone: `procRoot` has no entry for it and the system
// knows no such pid. A process of another user hidden from /proc still counts as alive.
bool ProcessGone(int pid, const std::string& procRoot);

// "name (pid N)" for messages; the bare pid when the name cannot be read.
std::string DescribeProcess(int pid, const std::string& procRoot);
