#include "recording/McapOutput.h"

#include <chrono>

#include "run/Pipeline.h"

namespace {

// Half the chunk's span: with the writer's own 1 s rule, no chunk waits more than about a
// second in memory, whether the data flows or pauses.
constexpr std::chrono::milliseconds TICK{500};

}  // namespace

McapOutput::McapOutput() : m_ticker([this] { Tick(); }) {}

McapOutput::~McapOutput()
{
    {
        std::lock_guard<std::mutex> lock(m_tickMutex);
        m_ending = true;
    }
    m_tickWake.notify_all();
    m_ticker.join();
    std::string ignored;
    static_cast<void>(Stop(ignored));  // the file is completed even when its owner forgot
}

bool McapOutput::Start(const std::string& path, const ScanRecorderOptions& options, std::string& reason)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_recorder) {
        reason = "a recording is running";
        return false;
    }
    auto recorder = std::make_unique<ScanRecorder>();
    const bool opened = recorder->Open(path, options) &&
                        (!m_runOpen || recorder->BeginRun(m_run, CurrentProcessingSettings()));
    if (!opened) {
        reason = recorder->Error();
        return false;
    }
    m_recorder = std::move(recorder);
    m_failed.store(false, std::memory_order_relaxed);
    m_revolutions.store(0, std::memory_order_relaxed);
    m_bytes.store(0, std::memory_order_relaxed);
    m_recording.store(true, std::memory_order_release);
    return true;
}

bool McapOutput::Stop(std::string& reason)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_recorder)
        return true;
    m_recording.store(false, std::memory_order_release);
    const bool closed = !Failed() && m_recorder->Close();
    if (!closed)
        reason = Failed() ? m_failure : m_recorder->Error();
    m_recorder.reset();
    return closed;
}

std::string McapOutput::Failure() const
{
    return Failed() ? m_failure : std::string();
}

void McapOutput::RunStarted(const RunInfo& run)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_run = run;
    m_runOpen = true;
    if (m_recorder && !Failed())
        Check(m_recorder->BeginRun(run, CurrentProcessingSettings()));
}

void McapOutput::Take(const RevolutionValue& revolution)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_recorder || Failed())
        return;
    Check(m_recorder->Write(revolution));
    m_takenSinceTick = true;
    m_revolutions.store(m_recorder->Revolutions(), std::memory_order_relaxed);
    m_bytes.store(m_recorder->Bytes(), std::memory_order_relaxed);
}

void McapOutput::RunEnded()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_runOpen = false;
    if (m_recorder && !Failed())
        Check(m_recorder->CloseChunk());
}

// On the ticker: a chunk that took nothing for a tick is written out.
void McapOutput::Tick()
{
    std::unique_lock<std::mutex> tick(m_tickMutex);
    while (!m_tickWake.wait_for(tick, TICK, [this] { return m_ending; })) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_recorder && !Failed() && !m_takenSinceTick)
            Check(m_recorder->CloseChunk());
        m_takenSinceTick = false;
    }
}

// With m_mutex held.
void McapOutput::Check(bool written)
{
    if (written || Failed())
        return;
    m_failure = m_recorder->Error();
    m_failed.store(true, std::memory_order_release);
}
