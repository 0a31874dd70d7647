#include "ui/FrameHandOver.h"

#include <chrono>

#include "acquisition/SharedState.h"

namespace {
// A waiting receive thread re-reads the stop flag this often, so a stop that skipped Stop()
// (the port's own teardown) still ends the wait.
constexpr auto STOP_POLL = std::chrono::milliseconds(50);
}

FrameHandOver::FrameHandOver(std::atomic<uint8_t>& stop, std::function<void()> draw, QObject* parent)
    : QObject(parent), m_stop(stop), m_draw(std::move(draw)), m_wake([this] { HandlePending(); })
{
}

int FrameHandOver::Deliver(void* context)
{
    return static_cast<FrameHandOver*>(context)->DeliverFrame();
}

int FrameHandOver::DeliverFrame()
{
    std::unique_lock lock(m_mutex);
    // Decided under the lock: a Stop either comes first (we see the flag) or after (it voids the
    // pending frame, so the wake-up given here draws nothing).
    if (Load(m_stop))
        return 0;
    const uint64_t ticket = ++m_lastPosted;
    m_pendingTicket = ticket;
    m_wake.Wake();
    while (m_lastHandled < ticket && !Load(m_stop))
        m_handled.wait_for(lock, STOP_POLL);
    return 0;
}

void FrameHandOver::HandlePending()
{
    uint64_t ticket = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_pendingTicket == 0 || Load(m_stop))
            return;
        ticket = m_pendingTicket;
        m_pendingTicket = 0;
    }
    // The receive thread waits meanwhile, so the list drawn here is complete and unchanging.
    m_draw();
    {
        std::lock_guard lock(m_mutex);
        m_lastHandled = ticket;
    }
    m_handled.notify_all();
}

void FrameHandOver::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        Store(m_stop, 1);
        m_pendingTicket = 0;
    }
    m_handled.notify_all();
}
