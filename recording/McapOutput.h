// MCAP recording as an output of the stage: revolutions are written on the output's own thread
// as they come (ScanRecorder), so the file grows chunk by chunk and memory stays bounded however
// long the recording. A ticker writes the open chunk out when the data pauses, so that a chunk
// is never more than about a second old: a program killed at any moment leaves a file whose
// whole chunks every reader reads.
//
// Start and Stop come from the controlling thread (the window's, or a command's main thread);
// a failure (a full disk, a removed folder) is kept and can be read from any thread without
// waiting for the writer. After a failure nothing more is written and what was written stays.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "recording/ScanRecorder.h"
#include "run/RevolutionOutput.h"

class McapOutput : public RevolutionOutput {
public:
    McapOutput();
    // Stops a recording still running.
    ~McapOutput() override;
    McapOutput(const McapOutput&) = delete;
    McapOutput& operator=(const McapOutput&) = delete;

    // Creates the file and records from the next revolution on; false with the reason when the
    // file cannot be created or a recording is running.
    [[nodiscard]] bool Start(const std::string& path, const ScanRecorderOptions& options, std::string& reason);
    // Ends the recording: what was taken is written and the file completed. False with the
    // reason when the file could not be completed (it then holds every chunk written before).
    [[nodiscard]] bool Stop(std::string& reason);

    // --- any thread, never waiting for the writer ---
    bool Recording() const { return m_recording.load(std::memory_order_acquire); }
    // A write failed: Failure() says why; the recording waits for Stop.
    bool Failed() const { return m_failed.load(std::memory_order_acquire); }
    std::string Failure() const;
    uint64_t Revolutions() const { return m_revolutions.load(std::memory_order_relaxed); }
    uint64_t Bytes() const { return m_bytes.load(std::memory_order_relaxed); }

    // --- the output's thread ---
    void RunStarted(const RunInfo& run) override;
    void Take(const RevolutionValue& revolution) override;
    void RunEnded() override;

private:
    void Tick();
    void Check(bool written);

    std::mutex m_mutex;  // the recorder and the run; held for one write at most
    std::unique_ptr<ScanRecorder> m_recorder;  // while recording
    RunInfo m_run;
    bool m_runOpen = false;
    bool m_takenSinceTick = false;

    std::atomic<bool> m_recording{false};
    std::atomic<bool> m_failed{false};
    std::string m_failure;  // written once, before m_failed is set
    std::atomic<uint64_t> m_revolutions{0};
    std::atomic<uint64_t> m_bytes{0};

    std::mutex m_tickMutex;
    std::condition_variable m_tickWake;
    bool m_ending = false;
    std::thread m_ticker;
};
