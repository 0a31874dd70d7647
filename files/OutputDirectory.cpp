#include "files/OutputDirectory.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string g_chosenDirectory;  // UI thread only

// 0 when `path` is a directory this process can write into, else why not: a read-only file
// system says so rather than "Permission denied".
int DirectoryError(const std::string& path)
{
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return path.empty() ? ENOENT : errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    return access(path.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

bool IsWritableDirectory(const std::string& path) { return DirectoryError(path) == 0; }

// An existing directory is fine; a missing one is created with every missing folder above it.
bool EnsureDirectory(const std::string& path, std::string* reason)
{
    int error = DirectoryError(path);
    if (error == ENOENT) {
        std::error_code created;
        std::filesystem::create_directories(path, created);
        error = created ? created.value() : DirectoryError(path);
    }
    if (error != 0 && reason != nullptr)
        *reason = path + ": " + std::strerror(error);
    return error == 0;
}

// An installed program lives under /usr (the package's /usr/bin, or /usr/local/bin of a local
// install). Those are system folders: recordings never go there, not even for root, who could.
bool IsUnderUsr(const std::string& path)
{
    return path == "/usr" || path.rfind("/usr/", 0) == 0;
}

std::string ProgramDirectory()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    std::string executable(path, static_cast<size_t>(length));
    const size_t slash = executable.rfind('/');
    return slash == std::string::npos ? std::string() : executable.substr(0, slash);
}

std::string HomeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

}  // namespace

void SetRecordDirectory(const std::string& directory)
{
    g_chosenDirectory = directory;
}

std::string ResolveRecordDirectory(std::string* reason)
{
    return ChooseRecordDirectory(g_chosenDirectory, ProgramDirectory(), HomeDirectory(), reason);
}

std::string ChooseRecordDirectory(const std::string& chosen, const std::string& programDirectory,
                                  const std::string& home, std::string* reason)
{
    if (!chosen.empty())
        return EnsureDirectory(chosen, reason) ? chosen : std::string();
    if (!IsUnderUsr(programDirectory) && IsWritableDirectory(programDirectory))
        return programDirectory;
    if (home.empty()) {
        if (reason != nullptr)
            *reason = programDirectory + " is not writable and no home directory is known";
        return {};
    }
    const std::string fallback = home + "/Plotwell";
    return EnsureDirectory(fallback, reason) ? fallback : std::string();
}
