#include "acquisition/SerialPort.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "acquisition/ByteSource.h"
#include "acquisition/ByteTap.h"

namespace {

constexpr int PAUSE_SLICE_MS = 10;  // how soon a stop ends a pause even without the wake-up

// Errors by which a descriptor says its device has gone (unplugged, other side hung up).
bool DeviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace

CSerialPort::CSerialPort()
{
    // Without the wake-up descriptor waits still end within one pause slice.
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CSerialPort::~CSerialPort()
{
    EndReceiving();
    // Nothing is left to report to: the lock file and the exclusive hold go either way.
    if (hPort.load() > 0)
        static_cast<void>(Close());
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void CSerialPort::SetLossCallback(LossCallback callback, void* context)
{
    m_pfnLoss = callback;
    m_pLossCtx = context;
}

bool CSerialPort::StartReceiving(std::function<void()> receiveLoop)
{
    EndReceiving();
    if (m_wakeFd >= 0) {
        uint64_t pending = 0;
        [[maybe_unused]] const ssize_t drained = ::read(m_wakeFd, &pending, sizeof pending);
    }
    bStop.store(0, std::memory_order_relaxed);
    try {
        hThread = std::thread(std::move(receiveLoop));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CSerialPort::EndReceiving()
{
    bStop.store(1, std::memory_order_relaxed);
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_wakeFd, &one, sizeof one);
    }
    // From the receive thread itself (a callback) the loop ends on its own; it is joined later.
    if (hThread.joinable() && hThread.get_id() != std::this_thread::get_id())
        hThread.join();
}

bool CSerialPort::IsOpen() const
{
    return m_source.load() != nullptr || hPort.load() > 0;
}

bool CSerialPort::LineLost() const
{
    return m_lineLost.load();
}

void CSerialPort::ReportLineLost()
{
    if (!m_lineLost.exchange(true) && m_pfnLoss != nullptr)
        m_pfnLoss(m_pLossCtx);
}

int32_t CSerialPort::WaitingBytes()
{
    if (ByteSource* source = m_source.load())
        return source->Waiting();
    const int fd = hPort.load();
    if (fd <= 0 || m_lineLost.load())
        return 0;
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) {
        if (DeviceGone(errno))
            ReportLineLost();
        return 0;
    }
    return waiting;
}

int32_t CSerialPort::Read(uint8_t* buffer, int32_t length)
{
    if (ByteSource* source = m_source.load()) {
        const int32_t placed = source->Read(buffer, length);
        if (m_tap != nullptr && placed > 0)
            m_tap->BytesRead(buffer, placed, source->Replays());
        Pause(source->PauseAfterRead(placed));
        return placed;
    }
    const int fd = hPort.load();
    if (fd <= 0 || length <= 0 || m_lineLost.load())
        return 0;
    const ssize_t n = ::read(fd, buffer, static_cast<size_t>(length));
    if (n >= 0) {
        if (m_tap != nullptr && n > 0)
            m_tap->BytesRead(buffer, static_cast<int32_t>(n), false);
        return static_cast<int32_t>(n);
    }
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    const int error = errno;
    std::fputs("读串口失败!\n", stderr);
    if (DeviceGone(error))
        ReportLineLost();
    return 0;
}

bool CSerialPort::WaitReadable(int fd, int ms)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, ms) > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        ReportLineLost();
        return false;
    }
    return !bStop.load(std::memory_order_relaxed);
}

bool CSerialPort::WaitForData(int ms)
{
    if (bStop.load(std::memory_order_relaxed))
        return false;
    if (ByteSource* source = m_source.load())
        return !source->Ended() && Pause(ms);
    const int fd = hPort.load();
    if (fd <= 0)
        return Pause(ms);
    if (m_lineLost.load()) {
        // Gone for good: keep the thread idle until it is stopped instead of spinning.
        Pause(ms);
        return false;
    }
    return WaitReadable(fd, ms);
}

bool CSerialPort::LetLineFill(int32_t waiting, int32_t wanted, int ms)
{
    // A byte source hands out what it has at once; only a device's bytes are still on the way.
    if (waiting >= wanted || m_source.load() != nullptr)
        return !bStop.load(std::memory_order_relaxed);
    return Pause(ms);
}

bool CSerialPort::Pause(int ms)
{
    while (ms > 0) {
        if (bStop.load(std::memory_order_relaxed))
            return false;
        const int slice = std::min(ms, PAUSE_SLICE_MS);
        pollfd wake{m_wakeFd, POLLIN, 0};
        ::poll(&wake, 1, slice);
        ms -= slice;
    }
    return !bStop.load(std::memory_order_relaxed);
}

void CSerialPort::AttachSource(ByteSource* source)
{
    m_source.store(source);
}

bool CSerialPort::PaceFrame()
{
    ByteSource* source = m_source.load();
    const int ms = source != nullptr ? source->PauseAfterFrame() : 0;
    return ms <= 0 || Pause(ms);
}

bool CSerialPort::InputEnded() const
{
    ByteSource* source = m_source.load();
    return source != nullptr && source->Ended();
}
