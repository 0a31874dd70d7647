#include "ui/DemoScanner.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int32_t CHUNK = 64;  // bytes per write: a few hundred microseconds of line time
}  // namespace

DemoScanner::DemoScanner(const SimulatedScannerSettings& settings, int baudRate)
    : m_scanner(settings), m_bytesPerSecond(SimulatedScanner::BytesPerSecond(baudRate))
{
}

DemoScanner::~DemoScanner()
{
    m_stop.store(true, std::memory_order_relaxed);
    if (m_thread.joinable())
        m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
}

bool DemoScanner::Start(std::string* reason)
{
    int slave = -1;
    char name[256] = {};
    termios raw {};
    ::cfmakeraw(&raw);
    if (::openpty(&m_master, &slave, name, &raw, nullptr) != 0) {
        if (reason != nullptr)
            *reason = std::string("No pseudo-terminal for the demo scanner: ") + std::strerror(errno);
        m_master = -1;
        return false;
    }
    // The terminal keeps its raw settings while the master side stays open; the viewer opens
    // the slave by its path, exclusively, like any serial device.
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = name;
    m_thread = std::thread(&DemoScanner::Stream, this);
    return true;
}

void DemoScanner::Stream()
{
    while (!m_stop.load(std::memory_order_relaxed)) {
        m_scanner.NextRevolution();
        WritePaced(m_scanner.Bytes(), m_scanner.ByteCount());
    }
}

// Writes in small chunks, each at the moment the line would have carried it. Bytes nobody is
// reading are dropped when the terminal's queue is full, as a device's would be.
void DemoScanner::WritePaced(const uint8_t* bytes, int32_t count)
{
    const auto start = Clock::now();
    for (int32_t sent = 0; sent < count && !m_stop.load(std::memory_order_relaxed);) {
        const int32_t chunk = std::min(CHUNK, count - sent);
        const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>((sent + chunk) / m_bytesPerSecond));
        std::this_thread::sleep_until(due);
        (void)::write(m_master, bytes + sent, static_cast<size_t>(chunk));
        sent += chunk;
    }
}
