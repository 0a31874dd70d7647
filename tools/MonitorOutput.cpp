#include "tools/MonitorOutput.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>

LineQueue::LineQueue()
{
    // Without it the writer would never wake; the command then fails to start its wait.
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

LineQueue::~LineQueue()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void LineQueue::Wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_wakeFd, &one, sizeof one);
}

bool LineQueue::Push(const char* text, size_t length)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_count == CAPACITY || m_finished)
            return false;
        Line& line = m_lines[(m_first + m_count) % CAPACITY];
        line.length = std::min(length, sizeof line.text);
        std::memcpy(line.text, text, line.length);
        ++m_count;
    }
    Wake();
    return true;
}

void LineQueue::Finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    Wake();
}

bool LineQueue::Pop(Line& line)
{
    uint64_t pending = 0;
    [[maybe_unused]] const ssize_t drained = ::read(m_wakeFd, &pending, sizeof pending);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_count == 0)
        return false;
    line = m_lines[m_first];
    m_first = (m_first + 1) % CAPACITY;
    --m_count;
    return true;
}

bool LineQueue::Finished()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

LineWriter::LineWriter(std::ostream& out, int stopFd) : m_out(out), m_stopFd(stopFd)
{
    // The process's standard output is written through its descriptor so that waiting for a
    // reader can be cut short by a stop. An in-process caller's stream never blocks.
    if (out.rdbuf() == std::cout.rdbuf()) {
        std::cout.flush();
        m_fd = STDOUT_FILENO;
    }
}

LineWriter::Result LineWriter::Write(const char* text, size_t length)
{
    if (m_fd >= 0)
        return WriteDescriptor(text, length);
    if (m_out.write(text, static_cast<std::streamsize>(length)).flush())
        return Result::Written;
    m_failure = "the output stream failed";
    return Result::Failed;
}

LineWriter::Result LineWriter::WriteDescriptor(const char* text, size_t length)
{
    while (length > 0) {
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {m_stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            m_failure = std::strerror(errno);
            return Result::Failed;
        }
        if (fds[1].revents != 0)
            return Result::Stopped;
        if (fds[0].revents == 0)
            continue;
        // A line is far below the pipe's atomic size, so a writable pipe takes it whole.
        const ssize_t n = ::write(m_fd, text, length);
        if (n > 0) {
            text += n;
            length -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EPIPE) {
            return Result::ReaderGone;
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            m_failure = std::strerror(errno);
            return Result::Failed;
        }
    }
    return Result::Written;
}
