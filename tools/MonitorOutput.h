// The monitor's lines on their way out. A stop must never wait for the output: the receive
// thread only queues a line, and the main thread writes the queue where it can wait for room
// and for a stop signal at once. A queue that a stalled reader lets fill up drops new lines
// instead of holding up the receive thread.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <iosfwd>
#include <mutex>
#include <string>

class LineQueue {
public:
    static constexpr int CAPACITY = 64;
    static constexpr int LINE_LENGTH = 128;

    struct Line {
        char text[LINE_LENGTH];
        size_t length = 0;
    };

    LineQueue();
    ~LineQueue();
    LineQueue(const LineQueue&) = delete;
    LineQueue& operator=(const LineQueue&) = delete;

    // Receive thread: copies the line (cut to LINE_LENGTH); false when it was dropped.
    bool Push(const char* text, size_t length);
    // No line follows; wakes the writer.
    void Finish();

    // Becomes readable when a line was queued or the queue finished; Pop clears it.
    int WakeFd() const { return m_wakeFd; }
    // Main thread: the oldest line; false when none waits.
    bool Pop(Line& line);
    bool Finished();

private:
    void Wake();

    std::mutex m_mutex;
    Line m_lines[CAPACITY];
    int m_first = 0;
    int m_count = 0;
    bool m_finished = false;
    int m_wakeFd = -1;
};

// Writes lines to the monitor's output.
class LineWriter {
public:
    enum class Result { Written, Stopped, ReaderGone, Failed };

    // `stopFd` readable means: stop waiting for room.
    LineWriter(std::ostream& out, int stopFd);

    Result Write(const char* text, size_t length);
    // After Failed: the system's reason.
    const std::string& Failure() const { return m_failure; }

private:
    Result WriteDescriptor(const char* text, size_t length);

    std::ostream& m_out;
    int m_stopFd;
    int m_fd = -1;  // the process's standard output, written directly; -1: m_out as it is
    std::string m_failure;
};
