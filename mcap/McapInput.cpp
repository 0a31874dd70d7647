#include "mcap/McapInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool Inside(uint64_t offset, uint64_t size, uint64_t total)
{
    return offset <= total && size <= total - offset;
}

}  // namespace

McapFileInput::~McapFileInput()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool McapFileInput::Open(const std::string& path, std::string& error)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = "Cannot open " + path + ": not a file";
        return false;
    }
    m_size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool McapFileInput::ReadAt(uint64_t offset, uint64_t size, std::vector<uint8_t>& out)
{
    if (!Inside(offset, size, m_size))
        return false;
    out.resize(size);
    uint64_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(m_fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<uint64_t>(got);
    }
    return true;
}

bool McapMemoryInput::ReadAt(uint64_t offset, uint64_t size, std::vector<uint8_t>& out)
{
    if (!Inside(offset, size, m_bytes.size()))
        return false;
    out.assign(m_bytes.begin() + offset, m_bytes.begin() + offset + size);
    return true;
}
