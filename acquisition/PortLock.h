// The LCK..name lock files by which well-behaved programs tell each other that a serial
// device is in use. Advisory only: the exclusive open and the holder check keep others out.
#pragma once

#include <string>
#include <vector>

// "LCK..ttyUSB0" for /dev/ttyUSB0 (also when reached through a /dev/serial/by-id link);
// a device below a subfolder of /dev keeps it with '_', "LCK..pts_3".
std::string LockFileName(const std::string& devicePath);

// Who holds a device as far as the lock files tell.
struct LockHolder {
    int pid = 0;          // a live process named by a lock file
    std::string reason;   // a lock file that counts as held without a live process, and why
    bool Held() const { return pid != 0 || !reason.empty(); }
};

// The holder of a lock on the device in any of `lockDirs` (a folder reached by two names, as
// /var/lock and /run/lock, is looked at once). Stale locks hold nothing; see LockFile.h.
LockHolder FindLockHolder(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                          const std::string& procRoot);

// Outcome of trying to lock a device for this process.
struct PortLockResult {
    bool taken = false;      // false: `holder` holds the device
    LockHolder holder;
    std::string lockFile;    // our lock file; empty when none could be written
    std::string note;        // when taken: stale locks replaced, or why no lock file could be written
};

// Creates the lock file in the first directory that takes it, replacing a stale one. When none
// does (not writable, a directory in the lock's place, another user's stale lock that we may not
// remove) the device is taken without a lock, and `note` says why.
PortLockResult TakePortLock(const std::string& devicePath, const std::vector<std::string>& lockDirs,
                            const std::string& procRoot);

// Removes a lock file we took (only if it still names this process).
void ReleasePortLock(const std::string& lockFile);
