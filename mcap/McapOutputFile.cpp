#include "mcap/McapOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

McapOutputFile::~McapOutputFile()
{
    Abandon();
}

bool McapOutputFile::Create(const std::string& path)
{
    Abandon();
    m_path = path;
    m_offset = 0;
    m_crc = 0;
    m_error.clear();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return Fail("Cannot create ", errno);
    return true;
}

bool McapOutputFile::Write(std::span<const uint8_t> bytes)
{
    if (m_fd < 0)
        return false;
    m_crc = static_cast<uint32_t>(crc32_z(m_crc, bytes.data(), bytes.size()));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail("Cannot write ", written < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(written);
        m_offset += static_cast<uint64_t>(written);
    }
    return true;
}

bool McapOutputFile::StillOnDisk()
{
    if (m_fd < 0)
        return false;
    struct stat status {};
    if (::fstat(m_fd, &status) != 0)
        return Fail("Cannot check ", errno);
    if (status.st_nlink == 0) {
        m_error = m_path + " was removed (or its folder) while it was being written";
        Abandon();
        return false;
    }
    return true;
}

bool McapOutputFile::Finish()
{
    if (m_fd < 0)
        return false;
    if (::fdatasync(m_fd) != 0 && errno != EINVAL)
        return Fail("Cannot write ", errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return Fail("Cannot write ", errno);
    return true;
}

void McapOutputFile::Abandon()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool McapOutputFile::Fail(const std::string& what, int error)
{
    m_error = what + m_path + ": " + std::strerror(error);
    Abandon();
    return false;
}
