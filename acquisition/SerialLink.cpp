// Open, Close and Write of CSerialPort on a POSIX terminal device.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "acquisition/BaudRates.h"
#include "acquisition/PortAccess.h"
#include "acquisition/PortEnumeration.h"
#include "acquisition/PortHolders.h"
#include "acquisition/PortLock.h"
#include "acquisition/SerialPort.h"

namespace {

constexpr int WRITE_TIMEOUT_BASE_MS = 500;
constexpr int WRITE_TIMEOUT_PER_BYTE_MS = 100;
// How long a process seen holding the device after we locked it may take to let go, and how
// often it is looked for meanwhile.
constexpr int HOLDER_GRACE_MS = 1000;
constexpr int HOLDER_LOOK_MS = 20;

// `holderPid` names the holder when it is known, `why` says what else marks the device as held.
std::string BusyReason(const std::string& path, int holderPid, const std::string& why, const std::string& procRoot)
{
    std::string text = path + " is in use by another program";
    if (holderPid != 0)
        text += ": " + DescribeProcess(holderPid, procRoot);
    else if (!why.empty())
        text += ": " + why;
    return text + ".";
}

// Why `path` is no device to open, found without opening it; empty when it is a serial one.
std::string NotASerialDevice(const std::string& path, const std::string& sysClassTty)
{
    const PathLook look = LookAtPath(path, sysClassTty);
    switch (look.kind) {
    case PathKind::SerialDevice:
        return {};
    case PathKind::Missing:
        if (look.error == EACCES)
            return "Permission denied on " + path + ".";
        if (look.error == ENOENT || look.error == ENOTDIR || look.error == ENODEV)
            return "No such device: " + path + ".";
        return path + ": " + std::strerror(look.error) + ".";
    case PathKind::RegularFile:
    case PathKind::Other:
        break;
    }
    return path + " is not a serial device.";
}

std::string OpenErrorReason(const std::string& path, int error, const std::string& procRoot)
{
    DeviceOwnership ownership;
    switch (error) {
    case EACCES:
    case EPERM:
        if (ReadOwnership(path, ownership))
            return PermissionAdvice(path, ownership);
        return "Permission denied on " + path + ".";
    case EBUSY:
        return BusyReason(path, HolderOf(path, procRoot), {}, procRoot);
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return "No such device: " + path + ".";
    default:
        return path + ": " + std::strerror(error) + ".";
    }
}

// A descriptor 0 would read as "no port": move it above the standard streams.
int AwayFromStandardStreams(int fd)
{
    if (fd >= 3)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

// Closes a descriptor on which we set TIOCEXCL. The flag belongs to the tty, not to the
// descriptor: a pseudo-terminal keeps it while its other side is open, and it would refuse
// every later open by an ordinary user.
void CloseExclusive(int fd)
{
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

// TIOCEXCL refuses only later opens, so whoever had the device open before us would share its
// input. /proc shows the holders we may see.
bool NobodyElseHolds(const std::string& path, const std::string& procRoot, std::string& why)
{
    const int holder = HolderOf(path, procRoot);
    if (holder == 0)
        return true;
    why = BusyReason(path, holder, {}, procRoot);
    return false;
}

// Like NobodyElseHolds, once we hold the device's flock: others that opened it at the same
// moment (root passes TIOCEXCL) close it again as soon as they find it locked, so a holder is
// given a moment to go. A program that keeps it open holds it.
bool NoHolderRemains(const std::string& path, const std::string& procRoot, std::string& why)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(HOLDER_GRACE_MS);
    while (!NobodyElseHolds(path, procRoot, why)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(HOLDER_LOOK_MS));
    }
    return true;
}

// flock decides among cooperating programs, also those of other users that /proc does not show,
// and among many of ours opening the device at once: only its winner sets the exclusive flag,
// so a loser never clears the flag of the one who won. On failure the descriptor is closed
// (before the holder is looked for, so that the winner's own look does not find us).
bool WinDeviceLock(int fd, const std::string& path, const std::string& procRoot, std::string& why)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        why = BusyReason(path, HolderOf(path, procRoot), {}, procRoot);
        return false;
    }
    // Only root gets here past another program's exclusive flag, which stays theirs, unless
    // nobody holds the device any more (a pseudo-terminal keeps the flag after its holder ended).
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0 && !NoHolderRemains(path, procRoot, why)) {
        ::close(fd);
        return false;
    }
    return true;
}

// Raw 8N1, no flow control, modem lines ignored, reads return at once with what has arrived.
// A driver may keep its old speed without an error (tcsetattr succeeds when any of the
// settings took), so the speed is read back.
bool ApplyLineSettings(int fd, speed_t speed)
{
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return false;
    termios applied {};
    return ::tcsetattr(fd, TCSANOW, &tio) == 0 && ::tcgetattr(fd, &applied) == 0 &&
           ::cfgetispeed(&applied) == speed && ::cfgetospeed(&applied) == speed;
}

// The device opened exclusively and configured, both queues flushed; -1 with `why` set.
int OpenConfigured(const std::string& path, speed_t speed, const std::string& procRoot, std::string& why)
{
    // Looked at before the device is touched: opening raises DTR and RTS, and configuring or
    // flushing it would disturb the holder.
    if (!NobodyElseHolds(path, procRoot, why))
        return -1;
    // Non-blocking so that neither a missing carrier nor a full queue can hang the UI thread.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = OpenErrorReason(path, errno, procRoot);
        return -1;
    }
    fd = AwayFromStandardStreams(fd);
    if (fd < 0) {
        why = path + ": " + std::strerror(errno) + ".";
        return -1;
    }
    if (!::isatty(fd)) {
        why = path + " is not a serial device.";
        ::close(fd);
        return -1;
    }
    if (!WinDeviceLock(fd, path, procRoot, why))
        return -1;
    if (::ioctl(fd, TIOCEXCL) != 0) {
        why = path + ": " + std::strerror(errno) + ".";
        ::close(fd);
        return -1;
    }
    if (!ApplyLineSettings(fd, speed)) {
        why = BAUD_RATE_FAILED_TEXT;
        CloseExclusive(fd);
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    // A holder that opened between the first look and TIOCEXCL. Looked for after the flush,
    // so that what a scanner sends meanwhile is kept.
    if (!NoHolderRemains(path, procRoot, why)) {
        CloseExclusive(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string LineSettingsText(int baudRate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d,n,8,1", baudRate);
    return text;
}

bool CSerialPort::Open(const std::string& path, int baudRate, std::string* reason)
{
    if (hPort.load() > 0)
        static_cast<void>(Close());  // a port still open is let go before the next is taken
    m_lineLost.store(false);
    hPort.store(INVALID_PORT);
    const speed_t speed = BaudRateConstant(baudRate);
    // Looked at before any lock is taken, so that a path that is no port never leaves a lock.
    std::string why = NotASerialDevice(path, systemPaths.sysClassTty);
    if (why.empty() && speed == B0)
        why = BAUD_RATE_FAILED_TEXT;
    if (why.empty()) {
        // The lock is checked before the device is touched: opening raises DTR and RTS, which
        // resets many devices.
        const PortLockResult lock = TakePortLock(path, systemPaths.lockDirs, systemPaths.proc);
        if (!lock.taken) {
            why = BusyReason(path, lock.holder.pid, lock.holder.reason, systemPaths.proc);
        } else {
            const int fd = OpenConfigured(path, speed, systemPaths.proc, why);
            if (fd > 0) {
                m_lockFile = lock.lockFile;
                m_lockNote = lock.note;
                hPort.store(fd);
                return true;
            }
            ReleasePortLock(lock.lockFile);
        }
    }
    if (reason != nullptr)
        *reason = why;
    return false;
}

bool CSerialPort::Close()
{
    const int fd = hPort.load();
    if (fd == INVALID_PORT)
        return true;
    if (fd == NO_PORT)
        return false;
    // Linux releases the descriptor even when close reports an error, and a descriptor that is
    // already gone (EBADF) holds nothing either: the port is closed in every case.
    CloseExclusive(fd);
    hPort.store(NO_PORT);
    ReleasePortLock(m_lockFile);
    m_lockFile.clear();
    m_lockNote.clear();
    return true;
}

bool CSerialPort::Write(const uint8_t* buffer, int32_t length)
{
    const int fd = hPort.load();
    if (fd <= 0 || length < 0 || (buffer == nullptr && length > 0)) {
        std::fputs("写串口失败!\n", stderr);
        return false;
    }
    // A termios line keeps no error state that blocks writing; discarding both queues is the
    // whole reset (the parser loses bytes it had not read yet).
    ::tcflush(fd, TCIOFLUSH);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(WRITE_TIMEOUT_BASE_MS +
                                                                   WRITE_TIMEOUT_PER_BYTE_MS * int64_t{length});
    int32_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::write(fd, buffer + sent, static_cast<size_t>(length - sent));
        if (n > 0) {
            sent += static_cast<int32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            std::fputs("写串口失败!\n", stderr);
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;  // timed out: what was sent stands, as with a driver's write time-out
        pollfd pfd{fd, POLLOUT, 0};
        ::poll(&pfd, 1, static_cast<int>(left.count()));
    }
    return true;
}
