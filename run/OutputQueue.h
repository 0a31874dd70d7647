// One output's bounded queue: the thread that reads the port puts a run's start, its revolutions
// and its end in without ever waiting; the output's own thread (or the thread that serves it)
// takes them out in order. When the output falls behind, its oldest queued revolution is dropped
// and counted; a run's start and end are never dropped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "run/RevolutionOutput.h"
#include "run/RevolutionPool.h"

struct OutputOptions {
    std::string name;         // as the operator reads it next to the output's drops
    int32_t queueBound = 8;   // revolutions queued at most
    // Empty: the output gets a thread of its own. Otherwise called (on the handing thread) after
    // every put, and the thread it wakes calls Serve: how the view is served on the UI thread.
    std::function<void()> wake;
};

class OutputQueue {
public:
    OutputQueue(RevolutionOutput& output, OutputOptions options);
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // --- the handing thread; none of these waits for the output ---
    void PutRunStart(const RunInfo& run);
    void PutRevolution(const RevolutionRef& revolution);
    void PutRunEnd();

    // --- the output's side ---
    // Delivers everything queued now; false once the queue was closed.
    bool Serve();
    // The output's own thread: serves until Close.
    void ServeUntilClosed();
    // Ends serving: what is still queued is dropped (and counted). The output's own thread then
    // gives a run in progress its end; for an output served by another thread, that thread calls
    // EndOpenRun.
    void Close();
    void EndOpenRun();
    // Waits until everything queued has been delivered (or the queue was closed).
    void Drain();

    // Any thread.
    int64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }
    const OutputOptions& Options() const { return m_options; }
    bool OwnThread() const { return !m_options.wake; }

private:
    enum class Kind { RunStart, Revolution, RunEnd };
    struct Entry {
        Kind kind = Kind::Revolution;
        RevolutionRef revolution;
        RunInfo run;
    };

    void Put(Entry entry);
    void MakeRoom(Kind kind);
    void DropOldestRevolution();
    void RemoveAt(int32_t index);
    Entry& At(int32_t index) { return m_ring[static_cast<size_t>((m_first + index) % Capacity())]; }
    int32_t Capacity() const { return static_cast<int32_t>(m_ring.size()); }
    void Deliver(Entry& entry);

    RevolutionOutput& m_output;
    OutputOptions m_options;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Entry> m_ring;  // sized once: the queue's bound and room for run markers
    int32_t m_first = 0;
    int32_t m_count = 0;
    int32_t m_revolutions = 0;  // of m_count
    bool m_delivering = false;  // an entry is out of the ring and with the output
    bool m_closed = false;
    bool m_runOpen = false;     // the serving thread's: the output has had a start without its end
    std::atomic<int64_t> m_dropped{0};
};
