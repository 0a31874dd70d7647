// The /scan channel as an output of the stage, on a thread of its own: every completed revolution
// becomes a sensor_msgs/msg/LaserScan in CDR, the same message the ROS 2 publisher sends, queued
// for every client subscribed to it. The first revolution of a run is timed, not sent (nothing
// measured its time, and a stream joined mid-turn makes it partial), as over DDS.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "messages/RevolutionScans.h"
#include "run/RevolutionOutput.h"

class FoxgloveServer;

class FoxgloveOutput : public RevolutionOutput {
public:
    // `bins`: bins per turn, 0 for the model's. Nothing is published while `sending` is false.
    FoxgloveOutput(FoxgloveServer& server, uint32_t channel, const std::atomic<bool>& sending, int32_t bins,
                   std::string frameId);

    void RunStarted(const RunInfo& run) override;
    void Take(const RevolutionValue& revolution) override;

    // Scans handed to the server, whether a client subscribed or not; any thread.
    int64_t Published() const { return m_published.load(std::memory_order_relaxed); }

private:
    FoxgloveServer& m_server;
    const uint32_t m_channel;
    const std::atomic<bool>& m_sending;
    const int32_t m_bins;
    const std::string m_frameId;
    RevolutionScans m_scans;
    std::vector<uint8_t> m_bytes;  // the encoded scan, reused
    std::atomic<int64_t> m_published{0};
};
