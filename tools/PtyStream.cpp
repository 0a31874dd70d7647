#include "tools/PtyStream.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ostream>
#include <thread>

#include "tools/ToolArguments.h"

namespace {

using Clock = std::chrono::steady_clock;

// About 3 ms of a 115200-baud line: the reader sees bytes trickle in as from a UART.
constexpr int32_t CHUNK_BYTES = 32;
// A reader that stalled longer than this does not get the backlog in one burst afterwards.
constexpr auto MAX_LAG = std::chrono::milliseconds(100);
constexpr auto READER_CHECK = std::chrono::milliseconds(20);
constexpr auto READER_LINGER = std::chrono::seconds(1);

// Keeps the bytes on the scanner's pace: a revolution takes as long as the scanner needs to
// turn once, or as long as the line needs to carry its bytes (start, 8 data bits and stop bit
// per byte) when that is longer; its bytes are spread evenly over that time.
class StreamPace {
public:
    explicit StreamPace(int32_t baudRate) : m_bytesPerSecond(SimulatedScanner::BytesPerSecond(baudRate)) {}

    void StartRevolution(const SimulatedScanner& scanner)
    {
        m_start = m_next;
        m_bytes = std::max(scanner.ByteCount(), 1);
        m_seconds = std::max(scanner.RevolutionSeconds(), m_bytes / m_bytesPerSecond);
        m_next = m_start + Seconds(m_seconds);
    }

    // Sleeps until the byte at `offset` of the revolution is due.
    void WaitForByte(int32_t offset)
    {
        const auto due = m_start + Seconds(m_seconds * offset / m_bytes);
        const auto now = Clock::now();
        if (now - due > MAX_LAG) {
            m_start = now - Seconds(m_seconds * offset / m_bytes);
            m_next = m_start + Seconds(m_seconds);
            return;
        }
        std::this_thread::sleep_until(due);
    }

private:
    static Clock::duration Seconds(double seconds)
    {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }

    double m_bytesPerSecond;
    Clock::time_point m_start;
    Clock::time_point m_next = Clock::now();
    int32_t m_bytes = 1;
    double m_seconds = 0;
};

bool WriteAll(int fd, const uint8_t* bytes, int32_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<int32_t>(n);
    }
    return true;
}

bool SendRevolution(int fd, const SimulatedScanner& scanner, StreamPace* pace)
{
    if (pace == nullptr)
        return WriteAll(fd, scanner.Bytes(), scanner.ByteCount());
    pace->StartRevolution(scanner);
    for (int32_t offset = 0; offset < scanner.ByteCount(); offset += CHUNK_BYTES) {
        pace->WaitForByte(offset);
        if (!WriteAll(fd, scanner.Bytes() + offset, std::min(CHUNK_BYTES, scanner.ByteCount() - offset)))
            return false;
    }
    return true;
}

// The writer side reports a hang-up while nobody holds the device side open.
bool ReaderPresent(int fd)
{
    pollfd line{fd, 0, 0};
    return ::poll(&line, 1, 0) >= 0 && (line.revents & POLLHUP) == 0;
}

// Bytes written before the reader opens the device would be discarded by its open.
void WaitForReader(int fd)
{
    while (!ReaderPresent(fd))
        std::this_thread::sleep_for(READER_CHECK);
}

// Closing hangs the line up, and a hung-up reader loses what it has not read yet: a reader
// that keeps the port open gets a moment to take the last bytes.
void LetReaderFinish(int fd)
{
    const auto deadline = Clock::now() + READER_LINGER;
    while (ReaderPresent(fd) && Clock::now() < deadline)
        std::this_thread::sleep_for(READER_CHECK);
}

}  // namespace

int StreamToPseudoTerminal(SimulatedScanner& scanner, const PtyStreamSettings& settings, std::ostream& out,
                           std::ostream& err)
{
    int writer = -1;
    int device = -1;
    char path[128] = {};
    if (::openpty(&writer, &device, path, nullptr, nullptr) != 0) {
        err << "plotwell-tool simulate: cannot create a pseudo-terminal: " << std::strerror(errno) << "\n";
        return EXIT_FAILED;
    }
    termios tio {};
    if (::tcgetattr(writer, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(writer, TCSANOW, &tio);
    }
    // Only the reader may hold the device side: a second holder would make it look busy.
    ::close(device);
    out << path << "\n" << std::flush;

    WaitForReader(writer);
    StreamPace pace(settings.baudRate);
    int32_t sent = 0;
    while (settings.frames == 0 || sent < settings.frames) {
        scanner.NextRevolution();
        if (!SendRevolution(writer, scanner, settings.realtime ? &pace : nullptr)) {
            err << "plotwell-tool simulate: writing to " << path << " failed: " << std::strerror(errno) << "\n";
            ::close(writer);
            return EXIT_FAILED;
        }
        ++sent;
    }
    LetReaderFinish(writer);
    ::close(writer);
    return EXIT_OK;
}
