#include "acquisition/SerialPort.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "acquisition/ByteSource.h"

namespace {
constexpr int PAUSE_SLICE_MS = 10;  // how soon a stop ends a pause
}

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    bStop.store(1, std::memory_order_relaxed);
    if (hThread.joinable())
        hThread.join();
}

void CSerialPort::SetCallback(FrameCallback callback, void* context)
{
    pfnCallback = callback;
    pCallbackCtx = context;
}

bool CSerialPort::IsOpen() const
{
    return m_source != nullptr || hPort > 0;
}

int32_t CSerialPort::WaitingBytes()
{
    if (m_source != nullptr)
        return m_source->Waiting();
    int waiting = 0;
    if (hPort <= 0 || ioctl(hPort, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

int32_t CSerialPort::Read(uint8_t* buffer, int32_t length)
{
    if (m_source != nullptr)
        return m_source->Read(buffer, length);
    if (hPort <= 0 || length <= 0)
        return 0;
    const ssize_t n = ::read(hPort, buffer, static_cast<size_t>(length));
    return n > 0 ? static_cast<int32_t>(n) : 0;
}

bool CSerialPort::WaitForData(int ms)
{
    if (bStop.load(std::memory_order_relaxed))
        return false;
    if (m_source != nullptr)
        return !m_source->Ended();
    if (hPort <= 0)
        return Pause(ms);
    pollfd pfd{hPort, POLLIN, 0};
    ::poll(&pfd, 1, ms);
    return !bStop.load(std::memory_order_relaxed);
}

bool CSerialPort::Pause(int ms)
{
    while (ms > 0) {
        if (bStop.load(std::memory_order_relaxed))
            return false;
        const int slice = std::min(ms, PAUSE_SLICE_MS);
        std::this_thread::sleep_for(std::chrono::milliseconds(slice));
        ms -= slice;
    }
    return !bStop.load(std::memory_order_relaxed);
}

void CSerialPort::AttachSource(ByteSource* source)
{
    m_source = source;
}
