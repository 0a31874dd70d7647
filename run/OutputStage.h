// The fan-out from the thread that reads the port to every output: that thread hands each
// finished revolution to the stage, which puts it in each output's bounded queue and returns at
// once; each output takes its revolutions on a thread of its own, or on the thread that serves
// it (the view, on the UI thread). A slow output loses its own oldest revolutions, counted, and
// nothing else: neither the reading of the port nor the other outputs wait for it.
//
// Use: Attach every output, Start; then per run BeginRun, NewValue and HandOut (or a
// RevolutionFeed doing both), EndRun; Stop at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "run/OutputQueue.h"
#include "run/RevolutionPool.h"

struct OutputDrops {
    std::string name;
    int64_t dropped;
};

class OutputStage {
public:
    using OutputId = int32_t;

    OutputStage();
    // Stops.
    ~OutputStage();
    OutputStage(const OutputStage&) = delete;
    OutputStage& operator=(const OutputStage&) = delete;

    // Before Start. The output must outlive the stage's Stop.
    OutputId Attach(RevolutionOutput& output, OutputOptions options = {});
    // Makes the pool, sized so that a value is always free however far every output falls
    // behind, and starts the outputs' threads. False when a thread could not be made.
    [[nodiscard]] bool Start();
    // Ends a run still in progress, drops what is still queued and ends the outputs' threads
    // (waiting for a revolution an output is taking). On the thread that serves the outputs that
    // have no thread of their own, if any.
    void Stop();
    // Waits until every output with a thread of its own, or the one given, has taken all it was
    // handed.
    void Drain();
    void Drain(OutputId output);

    // --- the thread that runs the parsers ---
    // A run starts: every output learns it before the run's first revolution.
    void BeginRun(RunInfo run);
    // A value to fill, from the pool; empty only when the pool ran dry (it never does when the
    // stage was sized by Start) or before Start.
    RevolutionRef NewValue();
    // Numbers the value, puts it in every output's queue and lets go of it.
    void HandOut(RevolutionRef value);
    void EndRun();
    // The run in progress or the last one (BeginRun's, numbered); also for another thread once
    // the thread that runs the parsers has been joined.
    const RunInfo& Run() const { return m_run; }

    // --- the thread that serves an output without a thread of its own ---
    void Serve(OutputId output);

    // --- any thread ---
    int64_t Dropped(OutputId output) const;
    // Every output's name and drops, in the order attached.
    std::vector<OutputDrops> Drops() const;

private:
    std::vector<std::unique_ptr<OutputQueue>> m_queues;
    std::vector<std::thread> m_threads;
    std::unique_ptr<RevolutionPool> m_pool;
    RunInfo m_run;
    bool m_runOpen = false;
    uint64_t m_runs = 0;
    uint64_t m_sequence = 0;
    bool m_started = false;
};
