#include "run/PseudoTerminalScanner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace {

using Clock = std::chrono::steady_clock;

// About 3 ms of a 115200-baud line: the reader sees bytes trickle in as from a UART.
constexpr int32_t CHUNK_BYTES = 32;
// A reader that stalled longer than this does not get the backlog in one burst afterwards.
constexpr auto MAX_LAG = std::chrono::milliseconds(100);
constexpr auto READER_CHECK = std::chrono::milliseconds(20);
constexpr auto READER_LINGER = std::chrono::seconds(1);

Clock::duration Seconds(double seconds)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// Keeps the bytes on the scanner's pace: a revolution takes as long as the scanner needs to
// turn once, or as long as the line needs to carry its bytes (start, 8 data bits and stop bit
// per byte) when that is longer; its bytes are spread evenly over that time.
class StreamPace {
public:
    explicit StreamPace(double bytesPerSecond) : m_bytesPerSecond(bytesPerSecond) {}

    void StartRevolution(const SimulatedScanner& scanner)
    {
        m_start = m_next;
        m_bytes = std::max(scanner.ByteCount(), 1);
        m_seconds = std::max(scanner.RevolutionSeconds(), m_bytes / m_bytesPerSecond);
        m_next = m_start + Seconds(m_seconds);
    }

    // When the byte at `offset` of the revolution is due; after a stall, the schedule moves on.
    Clock::time_point Due(int32_t offset)
    {
        const auto due = m_start + Seconds(m_seconds * offset / m_bytes);
        const auto now = Clock::now();
        if (now - due <= MAX_LAG)
            return due;
        m_start = now - Seconds(m_seconds * offset / m_bytes);
        m_next = m_start + Seconds(m_seconds);
        return now;
    }

private:
    double m_bytesPerSecond;
    Clock::time_point m_start;
    Clock::time_point m_next = Clock::now();
    int32_t m_bytes = 1;
    double m_seconds = 0;
};

}  // namespace

PseudoTerminalScanner::PseudoTerminalScanner(const SimulatedScannerSettings& settings, int32_t baudRate,
                                             bool realtime)
    : m_scanner(settings), m_bytesPerSecond(SimulatedScanner::BytesPerSecond(baudRate)), m_realtime(realtime)
{
}

PseudoTerminalScanner::~PseudoTerminalScanner()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
    if (m_terminal >= 0)
        ::close(m_terminal);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool PseudoTerminalScanner::Open(std::string* reason)
{
    int device = -1;
    char path[128] = {};
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0 || ::openpty(&m_terminal, &device, path, nullptr, nullptr) != 0) {
        if (reason != nullptr)
            *reason = std::strerror(errno);
        m_terminal = -1;
        return false;
    }
    // Raw on the writer's side too: the bytes must reach the device side unchanged.
    termios tio {};
    if (::tcgetattr(m_terminal, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_terminal, TCSANOW, &tio);
    }
    // Only the reader may hold the device side: a second holder would make it look busy.
    ::close(device);
    ::fcntl(m_terminal, F_SETFL, ::fcntl(m_terminal, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_terminal, F_SETFD, FD_CLOEXEC);
    m_path = path;
    return true;
}

bool PseudoTerminalScanner::Stream(int32_t frames, std::string* reason, int stopFd)
{
    m_stopFd = stopFd;
    const int error = Run(frames);
    m_stopFd = -1;
    if (error != 0 && reason != nullptr)
        *reason = std::strerror(error);
    return error == 0;
}

bool PseudoTerminalScanner::Start(std::string* reason)
{
    try {
        // A failed write ends the stream with nobody to tell: the reader sees the line go quiet.
        m_thread = std::thread([this] { Run(0); });
    } catch (const std::system_error& error) {
        if (reason != nullptr)
            *reason = error.what();
        return false;
    }
    return true;
}

void PseudoTerminalScanner::Stop()
{
    m_stop.store(true, std::memory_order_relaxed);
    const uint64_t wake = 1;
    // A wake-up that cannot be written changes nothing: the writer still sees the stop flag
    // at its next pass.
    if (m_wakeFd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &wake, sizeof wake);
    }
}

// Returns the error of a failed write, 0 when all was sent or a stop came first.
int PseudoTerminalScanner::Run(int32_t frames)
{
    if (!WaitForReader())
        return 0;
    StreamPace pace(m_bytesPerSecond);
    for (int32_t sent = 0; (frames == 0 || sent < frames) && !Stopped(); ++sent) {
        m_scanner.NextRevolution();
        const int32_t size = m_scanner.ByteCount();
        const int32_t chunk = m_realtime ? CHUNK_BYTES : std::max(size, 1);
        pace.StartRevolution(m_scanner);
        for (int32_t offset = 0; offset < size; offset += chunk) {
            if (m_realtime && !Wait(0, pace.Due(offset)))
                return 0;
            if (!WriteAll(m_scanner.Bytes() + offset, std::min(chunk, size - offset)))
                return Stopped() ? 0 : errno;
        }
    }
    if (frames > 0 && !Stopped()) {
        m_scanner.EndStream();
        if (!WriteAll(m_scanner.Bytes(), m_scanner.ByteCount()))
            return Stopped() ? 0 : errno;
    }
    LetReaderFinish();
    return 0;
}

// False when the write failed or a stop was asked.
bool PseudoTerminalScanner::WriteAll(const uint8_t* bytes, int32_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_terminal, bytes, static_cast<size_t>(size));
        if (n > 0) {
            bytes += n;
            size -= static_cast<int32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The queue is full. Without a reader the terminal reports a hang-up instead of room,
        // and only the next reader's open empties it, so then it is only looked at now and then.
        if (!Wait(ReaderPresent() ? POLLOUT : 0, Clock::now() + READER_CHECK))
            return false;
    }
    return true;
}

// The writer's side reports a hang-up while nobody holds the device side open.
bool PseudoTerminalScanner::ReaderPresent() const
{
    pollfd line{m_terminal, 0, 0};
    return ::poll(&line, 1, 0) >= 0 && (line.revents & POLLHUP) == 0;
}

// Bytes written before the reader opens the device would be discarded by its open.
bool PseudoTerminalScanner::WaitForReader()
{
    while (!ReaderPresent()) {
        if (!Wait(0, Clock::now() + READER_CHECK))
            return false;
    }
    return true;
}

// Closing hangs the line up, and a hung-up reader loses what it has not read yet: a reader
// that keeps the port open gets a moment to take the last bytes.
void PseudoTerminalScanner::LetReaderFinish()
{
    const auto deadline = Clock::now() + READER_LINGER;
    while (ReaderPresent() && Clock::now() < deadline) {
        if (!Wait(0, std::min(deadline, Clock::now() + READER_CHECK)))
            return;
    }
}

// Sleeps until `until`, or until the terminal reports one of `events` (none: only the time
// counts). False once a stop is asked, here or through the caller's stop descriptor.
bool PseudoTerminalScanner::Wait(short events, Clock::time_point until)
{
    // A negative descriptor (no caller's stop) is passed over by ppoll.
    pollfd fds[3] = {{m_wakeFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}, {m_terminal, events, 0}};
    const nfds_t count = events != 0 ? 3 : 2;
    while (!Stopped()) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now()).count();
        if (left <= 0)
            return true;
        const timespec timeout{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        if (::ppoll(fds, count, &timeout, nullptr) <= 0)
            continue;
        if (fds[1].revents != 0)
            Stop();
        else if (count == 3 && fds[2].revents != 0)
            return !Stopped();
    }
    return false;
}
