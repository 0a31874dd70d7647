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
    // receive thread and makes every notification still queued a no-op. UI thread; afterwards
    // joining the receive thread cannot deadlock.
    void Stop();

private:
    int DeliverFrame();
    void Handle(uint64_t ticket, uint64_t session);

    CSerialPort& m_port;
    std::function<void()> m_draw;
    std::mutex m_mutex;
    std::condition_variable m_handled;
    uint64_t m_lastPosted = 0;   // tickets, in posting order
    uint64_t m_lastHandled = 0;
    uint64_t m_session = 0;      // raised by every Stop
};
