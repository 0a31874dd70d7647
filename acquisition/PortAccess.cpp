#include "acquisition/PortAccess.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

bool ReadOwnership(const std::string& path, DeviceOwnership& ownership)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const passwd* user = ::getpwuid(st.st_uid);
    const group* grp = ::getgrgid(st.st_gid);
    ownership.owner = user != nullptr ? user->pw_name : std::to_string(st.st_uid);
    ownership.group = grp != nullptr ? grp->gr_name : std::to_string(st.st_gid);
    ownership.gid = st.st_gid;
    ownership.mode = st.st_mode & 07777;
    return true;
}

std::string OwnerAndMode(const DeviceOwnership& ownership)
{
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(ownership.mode));
    return ownership.owner + ":" + ownership.group + " " + mode;
}

std::string AccessProblem(const std::string& path)
{
    DeviceOwnership ownership;
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0 || !ReadOwnership(path, ownership))
        return {};
    return OwnerAndMode(ownership);
}

std::string PermissionAdvice(const std::string& path, const DeviceOwnership& ownership)
{
    // The manual page says how to grant access for good, with a sample rule for one adapter.
    const std::string more = " More in 'man plotwell', SERIAL PORTS.";
    const bool groupReadsAndWrites = (ownership.mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (groupReadsAndWrites && ownership.gid != 0)
        return "Permission denied on " + path + ". The device belongs to the group '" + ownership.group +
               "': add your user to it (sudo usermod -aG " + ownership.group + " $USER) and log in again." +
               more;
    return "Permission denied on " + path + " (" + OwnerAndMode(ownership) +
           "). Joining its group would not help: the administrator must grant access to it, for example "
           "with a udev rule." + more;
}
