#include "ui/ThreadWake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>

ThreadWake::ThreadWake(std::function<void()> handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ThreadWake::Handle);
}

ThreadWake::~ThreadWake()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void ThreadWake::Wake()
{
    if (m_fd < 0) {
        // Without the descriptor (no file descriptors left) Qt's own queue still delivers.
        QMetaObject::invokeMethod(this, &ThreadWake::Handle, Qt::QueuedConnection);
        return;
    }
    const uint64_t one = 1;
    // A counter that cannot take more already holds a wake-up, so none is lost.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
}

void ThreadWake::Handle()
{
    uint64_t count = 0;
    if (m_fd >= 0 && ::read(m_fd, &count, sizeof count) != sizeof count)
        return;  // nothing was pending
    m_handler();
}
