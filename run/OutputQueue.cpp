#include "run/OutputQueue.h"

#include <algorithm>
#include <utility>

namespace {
// Room for run starts and ends beyond the revolutions: runs start and end far apart, and a queue
// full of them folds a run that has nothing queued away.
constexpr int32_t MARKER_ROOM = 4;
}  // namespace

OutputQueue::OutputQueue(RevolutionOutput& output, OutputOptions options)
    : m_output(output), m_options(std::move(options))
{
    m_options.queueBound = std::max(m_options.queueBound, 1);
    m_ring.resize(static_cast<size_t>(m_options.queueBound + MARKER_ROOM));
}

void OutputQueue::PutRunStart(const RunInfo& run)
{
    Put({Kind::RunStart, {}, run});
}

void OutputQueue::PutRevolution(const RevolutionRef& revolution)
{
    Put({Kind::Revolution, revolution, {}});
}

void OutputQueue::PutRunEnd()
{
    Put({Kind::RunEnd, {}, {}});
}

void OutputQueue::Put(Entry entry)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        MakeRoom(entry.kind);
        m_revolutions += entry.kind == Kind::Revolution ? 1 : 0;
        At(m_count++) = std::move(entry);
    }
    m_changed.notify_all();
    if (m_options.wake)
        m_options.wake();
}

// The oldest revolution goes when the bound is reached. A ring that run markers have filled
// first loses its oldest run that has nothing left in it (a start and its end), and only failing
// that its oldest revolution.
void OutputQueue::MakeRoom(Kind kind)
{
    if (kind == Kind::Revolution && m_revolutions >= m_options.queueBound) {
        DropOldestRevolution();
        return;
    }
    if (m_count < Capacity())
        return;
    for (int32_t i = 0; i + 1 < m_count; ++i) {
        if (At(i).kind == Kind::RunStart && At(i + 1).kind == Kind::RunEnd) {
            RemoveAt(i + 1);
            RemoveAt(i);
            return;
        }
    }
    DropOldestRevolution();
}

void OutputQueue::DropOldestRevolution()
{
    for (int32_t i = 0; i < m_count; ++i) {
        if (At(i).kind == Kind::Revolution) {
            RemoveAt(i);
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    }
}

void OutputQueue::RemoveAt(int32_t index)
{
    m_revolutions -= At(index).kind == Kind::Revolution ? 1 : 0;
    for (int32_t i = index; i + 1 < m_count; ++i)
        At(i) = std::move(At(i + 1));
    At(m_count - 1) = Entry{};
    --m_count;
}

bool OutputQueue::Serve()
{
    // Only what is queued now: whatever comes later brings a wake of its own, and a thread that
    // serves the view between other events must get back to them even when revolutions arrive
    // faster than it draws.
    int32_t due = -1;
    for (;;) {
        Entry entry;
        {
            std::lock_guard lock(m_mutex);
            if (m_closed)
                return false;
            if (due < 0)
                due = m_count;
            if (due == 0 || m_count == 0)
                return true;
            --due;
            entry = std::move(At(0));
            At(0) = Entry{};
            m_first = (m_first + 1) % Capacity();
            --m_count;
            m_revolutions -= entry.kind == Kind::Revolution ? 1 : 0;
            m_delivering = true;
        }
        Deliver(entry);
        // The value goes back to the pool before anyone learns that the queue moved on.
        entry = Entry{};
        {
            std::lock_guard lock(m_mutex);
            m_delivering = false;
        }
        m_changed.notify_all();
    }
}

void OutputQueue::Deliver(Entry& entry)
{
    switch (entry.kind) {
    case Kind::RunStart:
        if (m_runOpen)
            m_output.RunEnded();
        m_runOpen = true;
        m_output.RunStarted(entry.run);
        break;
    case Kind::Revolution:
        m_output.Take(*entry.revolution);
        break;
    case Kind::RunEnd:
        if (m_runOpen)
            m_output.RunEnded();
        m_runOpen = false;
        break;
    }
}

void OutputQueue::ServeUntilClosed()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_closed || m_count > 0; });
        }
        if (!Serve())
            break;
    }
    EndOpenRun();
}

void OutputQueue::EndOpenRun()
{
    if (m_runOpen)
        m_output.RunEnded();
    m_runOpen = false;
}

void OutputQueue::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_dropped.fetch_add(m_revolutions, std::memory_order_relaxed);
        while (m_count > 0)
            RemoveAt(m_count - 1);
    }
    m_changed.notify_all();
}

void OutputQueue::Drain()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_closed || (m_count == 0 && !m_delivering); });
}
