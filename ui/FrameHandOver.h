// Hands every finished point list from the receive thread to the UI thread and waits until the
// UI has drawn it, the way a synchronous window message would; a stop releases the wait at once.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class CSerialPort;

class FrameHandOver : public QObject {
    Q_OBJECT
public:
    // `draw` runs on the UI thread once per handed-over frame.
    FrameHandOver(CSerialPort& port, std::function<void()> draw, QObject* parent = nullptr);

    // The port's frame callback: `context` is the FrameHandOver. Receive thread.
    static int Deliver(void* context);

    // Ends the hand-over of the running session: sets the port's stop flag, releases a waiting
    // receive thread and voids the frame still pending, so a notification still queued draws
    // nothing. UI thread; afterwards
    // joining the receive thread cannot deadlock.
    void Stop();

private:
    int DeliverFrame();
    // Queued by name, so that everything it needs passes under m_mutex: the thread checker
    // sees that hand-over, not only Qt's own event queue.
    Q_INVOKABLE void HandlePending();

    CSerialPort& m_port;
    std::function<void()> m_draw;
    std::mutex m_mutex;
    std::condition_variable m_handled;
    uint64_t m_lastPosted = 0;      // tickets, in posting order
    uint64_t m_lastHandled = 0;
    uint64_t m_pendingTicket = 0;   // posted, not yet drawn; 0 when none
};
