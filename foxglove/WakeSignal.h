// Wakes the server's thread from any thread without allocating or waiting: an eventfd that the
// thread's event loop reads. Wake-ups that come before the thread got to the first one count as
// one.
#pragma once

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    bool Valid() const { return m_fd >= 0; }
    // Any thread.
    void Notify();
    // A descriptor of its own for the event loop to read (and close), or -1.
    int Duplicate() const;

private:
    int m_fd = -1;
};
