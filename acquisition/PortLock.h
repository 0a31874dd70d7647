// The LCK..name lock files by which well-behaved programs tell each other that a serial
// device is in use. Advisory only: TIOCEXCL is what actually keeps others out.
#pragma once

#include <string>
#include <vector>

// "LCK..ttyUSB0" for /dev/ttyUSB0 (also when reached through a /dev/serial/by-id link);
// a device below a subfolder of /dev keeps it with '_', "LCK..pts_3".
std::string LockFileName(const std::string& devicePath);

// The pid of a live lock on the device in any of `lockDirs`, or 0. A lock whose process no
// longer exists under `procRoot` is stale and does not count.
int LiveLockHolder(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                   const std::string& procRoot);

// Outcome of trying to lock a device for this process.
struct PortLockResult {
    bool taken = false;      // false: another live process holds the lock
    int holderPid = 0;       // that process
    std::string lockFile;    // our lock file; empty when no lock directory was writable
};

// Creates the lock file in the first writable directory, replacing a stale one. When no
// directory is writable the port is opened without a lock (taken, empty lockFile).
PortLockResult TakePortLock(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                            const std::string& procRoot);

// Removes a lock file we took (only if it still names this process).
void ReleasePortLock(const std::string& lockFile);
