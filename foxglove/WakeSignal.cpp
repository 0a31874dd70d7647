#include "foxglove/WakeSignal.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

WakeSignal::WakeSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeSignal::Notify()
{
    const uint64_t one = 1;
    // A counter that cannot take more already holds a wake-up, so none is lost.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
}

int WakeSignal::Duplicate() const
{
    return m_fd < 0 ? -1 : ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
}
