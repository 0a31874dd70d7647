#include "tests/support/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

constexpr int SEND_TIMEOUT_MS = 5000;

}  // namespace

PseudoTerminal::PseudoTerminal()
{
    int writer = -1;
    int device = -1;
    char name[128] = {};
    if (::openpty(&writer, &device, name, nullptr, nullptr) != 0)
        return;
    // Raw on the writer side too: the bytes must reach the device side unchanged.
    termios tio {};
    if (::tcgetattr(writer, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(writer, TCSANOW, &tio);
        m_startSpeed = ::cfgetispeed(&tio);
    }
    ::fcntl(writer, F_SETFL, ::fcntl(writer, F_GETFL) | O_NONBLOCK);
    ::fcntl(writer, F_SETFD, FD_CLOEXEC);
    ::close(device);
    m_writer = writer;
    m_devicePath = name;
}

PseudoTerminal::~PseudoTerminal()
{
    HangUp();
}

bool PseudoTerminal::Send(const uint8_t* bytes, size_t size)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(SEND_TIMEOUT_MS);
    size_t sent = 0;
    while (m_writer >= 0 && sent < size) {
        const ssize_t n = ::write(m_writer, bytes + sent, size - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (Clock::now() > deadline)
            return false;
        // Full: only a reader makes room, and with none the writer's side reports a hang-up.
        pollfd pfd{m_writer, POLLOUT, 0};
        if (::poll(&pfd, 1, 10) > 0 && (pfd.revents & POLLHUP) != 0)
            return false;
    }
    return m_writer >= 0;
}

bool PseudoTerminal::SendRevolution(SimulatedScanner& scanner)
{
    return scanner.NextRevolution() && scanner.ByteCount() > 0 &&
           Send(scanner.Bytes(), static_cast<size_t>(scanner.ByteCount()));
}

std::vector<uint8_t> PseudoTerminal::Receive(int timeoutMs)
{
    std::vector<uint8_t> bytes;
    pollfd pfd{m_writer, POLLIN, 0};
    if (m_writer < 0 || ::poll(&pfd, 1, timeoutMs) <= 0)
        return bytes;
    uint8_t chunk[256];
    ssize_t n;
    while ((n = ::read(m_writer, chunk, sizeof chunk)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}

bool PseudoTerminal::WaitForReader(int timeoutMs) const
{
    // The writer side reports a hang-up for as long as nobody holds the device side, and reads
    // the device side's settings. A port flushes right after setting the speed, so bytes sent
    // between its open and its flush would be lost, and a hang-up then fails its configuration.
    bool configured = false;
    for (int waited = 0; m_writer >= 0 && waited <= timeoutMs; waited += 5) {
        pollfd pfd{m_writer, 0, 0};
        termios tio {};
        const bool held = ::poll(&pfd, 1, 0) >= 0 && (pfd.revents & POLLHUP) == 0;
        // One more step once the speed changed, for the flush that follows it.
        if (held && configured)
            return true;
        configured = held && ::tcgetattr(m_writer, &tio) == 0 && ::cfgetispeed(&tio) != m_startSpeed;
        ::usleep(5000);
    }
    return false;
}

bool PseudoTerminal::PinSpeed()
{
    // Set bits of the locked settings keep their present value; on the writer side the ioctl
    // reaches the device side.
    termios locked {};
    locked.c_cflag = CBAUD;
    return m_writer >= 0 && ::ioctl(m_writer, TIOCSLCKTRMIOS, &locked) == 0;
}

void PseudoTerminal::HangUp()
{
    if (m_writer >= 0)
        ::close(m_writer);
    m_writer = -1;
}
