#include "tools/MonitorOutput.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {
constexpr size_t LINE_LENGTH = 128;
}  // namespace

MonitorLines::MonitorLines(LineWriter& writer, int64_t frames) : m_writer(writer), m_frames(frames)
{
    // Without it the main thread would not wake at the end; it then sees the end within its own
    // periodic check.
    m_doneFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

MonitorLines::~MonitorLines()
{
    if (m_doneFd >= 0)
        ::close(m_doneFd);
}

void MonitorLines::Finish()
{
    m_finished.store(true);
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_doneFd, &one, sizeof one);
}

// The revolution's own reading of the link's health, taken as it completed, gives the figures
// since the line before.
void MonitorLines::Take(const RevolutionValue& revolution)
{
    if (!revolution.complete || Finished())
        return;
    const LinkHealthReading& health = revolution.health;
    const double seconds = static_cast<double>(health.lastRevolutionNs - m_previous.lastRevolutionNs) / 1e9;
    const LinkHealthFigures figures = FiguresBetween(m_previous, health, seconds);
    const auto packets =
        static_cast<long long>(health.accepted - m_previous.accepted + health.rejected - m_previous.rejected);
    const auto bad = static_cast<long long>(health.rejected - m_previous.rejected);
    const auto skipped = static_cast<long long>(health.skipped - m_previous.skipped);
    const auto cut = static_cast<long long>(health.cutShort - m_previous.cutShort);
    char line[LINE_LENGTH];
    int length = 0;
    if (m_printed == 0) {
        m_firstNs = health.lastRevolutionNs;
        length = std::snprintf(line, sizeof line,
                               "%d samples, %d valid, %lld packets, %lld bad, %lld bytes skipped, %lld cut short\n",
                               revolution.parsed.count, figures.validSamples, packets, bad, skipped, cut);
    } else {
        length = std::snprintf(line, sizeof line,
                               "%d samples, %d valid, %.2f rev/s, %.0f B/s, %lld packets, %lld bad, "
                               "%lld bytes skipped, %lld cut short\n",
                               revolution.parsed.count, figures.validSamples, figures.revolutionsPerSecond,
                               figures.bytesPerSecond, packets, bad, skipped, cut);
    }
    m_previous = health;
    m_result = m_writer.Write(line, std::min(static_cast<size_t>(length), sizeof line - 1));
    if (m_result == LineWriter::Result::Written)
        ++m_printed;
    if (m_result != LineWriter::Result::Written || (m_frames != 0 && health.revolutions >= m_frames))
        Finish();
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
