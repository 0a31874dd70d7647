// Runs a handler on the UI thread when another thread asks for it. The other thread writes an
// eventfd that the UI thread's event loop watches, instead of posting a Qt event: Qt guards its
// event queue with a mutex built on bare futexes, which the thread checker cannot see, while it
// does see an eventfd's write and read as a hand-over. Wake-ups that come before the UI thread
// got to the first one run the handler once.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class ThreadWake : public QObject {
    Q_OBJECT
public:
    // On the UI thread, whose event loop then runs `handler`.
    explicit ThreadWake(std::function<void()> handler, QObject* parent = nullptr);
    ~ThreadWake() override;
    ThreadWake(const ThreadWake&) = delete;
    ThreadWake& operator=(const ThreadWake&) = delete;

    // Any thread.
    void Wake();

private:
    void Handle();

    std::function<void()> m_handler;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
