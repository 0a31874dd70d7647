// Hands every point list that the thread receiving scans over DDS built to the UI thread and waits
// until the UI has drawn it, the way a synchronous window message would; a stop releases the wait
// at once.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "ui/ThreadWake.h"

class FrameHandOver : public QObject {
    Q_OBJECT
public:
    // `draw` runs on the UI thread once per handed-over frame. `stop` is the sending thread's
    // stop flag: set, it ends every wait.
    FrameHandOver(std::atomic<uint8_t>& stop, std::function<void()> draw, QObject* parent = nullptr);

    // The port's frame callback: `context` is the FrameHandOver. Sending thread.
    static int Deliver(void* context);

    // Ends the hand-over of the running session: sets the stop flag, releases a waiting sending
    // thread and voids the frame still pending, so a wake-up still on its way draws nothing.
    // UI thread; afterwards joining the sending thread cannot deadlock.
    void Stop();

private:
    int DeliverFrame();
    // UI thread, woken by the sending thread; what it needs passes under m_mutex.
    void HandlePending();

    std::atomic<uint8_t>& m_stop;
    std::function<void()> m_draw;
    ThreadWake m_wake;
    std::mutex m_mutex;
    std::condition_variable m_handled;
    uint64_t m_lastPosted = 0;      // tickets, in posting order
    uint64_t m_lastHandled = 0;
    uint64_t m_pendingTicket = 0;   // posted, not yet drawn; 0 when none
};
