// What one LCK.. file says about its device. The lock directory is writable by every user and
// other programs write the pid in several forms, so nothing in it is trusted: it is looked at
// without following links or waiting on FIFOs, and judged by what can be proven.
#pragma once

#include <sys/types.h>

#include <string>

// A lock that names no process, or cannot be read, is taken for one being written (or of a
// program we cannot read) for this long; after that it no longer keeps the device from anyone.
inline constexpr int UNJUDGED_LOCK_GRACE_S = 60;

// The verdict on one lock file, with what was found and decided for the operator.
struct LockVerdict {
    enum Kind {
        Absent,    // no such file
        NotALock,  // a directory, or nothing that can be looked at: no lock can be taken there
        Live,      // names a process that is alive, or that cannot be proven gone
        Held,      // names no live process but is younger than the grace, or is no plain file
        Stale,     // its process has ended, or it named none for longer than the grace
    } kind = Absent;
    int pid = 0;       // Live, and Stale when it named one
    std::string text;  // every kind but Absent and Live: "the lock file F of user U, ..."
    dev_t device = 0;  // the file judged, so that a stale lock is removed only while unchanged
    ino_t inode = 0;
};

// Reads and judges `file`; a process counts as gone only when `procRoot` and the system agree.
LockVerdict JudgeLockFile(const std::string& file, const std::string& procRoot);

// Removes a lock judged stale if it is still the file judged (one put in its place meanwhile is
// left for the caller to judge). False with `why` ("cannot be removed: Operation not
// permitted", to follow the verdict's text) when it stays: in the sticky lock directory only its
// owner may remove it.
bool RemoveStaleLock(const std::string& file, const LockVerdict& verdict, std::string& why);
