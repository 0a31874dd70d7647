// Whether this user may open a device, and what to tell an operator who may not.
#pragma once

#include <sys/types.h>

#include <string>

// The ownership of a device as the advice needs it.
struct DeviceOwnership {
    std::string owner;  // user name, or the uid when it has none
    std::string group;  // group name, or the gid when it has none
    gid_t gid = 0;
    mode_t mode = 0;    // permission bits
};

// The ownership of `path`; false when it cannot be looked at.
bool ReadOwnership(const std::string& path, DeviceOwnership& ownership);

// "root:dialout 0660".
std::string OwnerAndMode(const DeviceOwnership& ownership);

// Empty when this user may read and write `path` (or it cannot be looked at), otherwise its
// "owner:group mode". Looks at the device without opening it.
std::string AccessProblem(const std::string& path);

// What to do about a refused open: join the device's group where that grants reading and
// writing (and is not root's group), otherwise ask for access to be granted.
std::string PermissionAdvice(const std::string& path, const DeviceOwnership& ownership);
