// The LaserScans of a stream of revolutions: each completed revolution is timed against the one
// before and converted into one LaserScan, reused, in the shape of its run. What the DDS
// publisher shares with every other output of LaserScans (recordings, the Foxglove server).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "acquisition/ScanFrame.h"
#include "messages/LaserScan.h"
#include "messages/RevolutionClock.h"
#include "messages/ScanShape.h"

class RevolutionScans {
public:
    RevolutionScans() = default;
    RevolutionScans(const ScanShape& shape, std::string frameId) { Reset(shape, std::move(frameId)); }

    // Starts over in `shape` with scans of `frameId`; not while revolutions are being handed in.
    void Reset(const ScanShape& shape, std::string frameId);

    // A new run, whose revolutions take `shape` (the model may have changed); from any thread,
    // at any time. The next revolution is the first of the run: it is timed, not converted.
    void StartRun(const ScanShape& shape);

    // One completed revolution: `list` is its point list after the filter and the compensation,
    // `protocol` the angle convention of its scanner, completed at `wall` and `steady`. One
    // thread only. True when Scan() now holds it as a LaserScan; false for the first revolution
    // of a run (nothing measured its time). Allocates nothing once the run's first scan is made.
    bool Complete(const PointList& list, int32_t protocol, std::chrono::system_clock::time_point wall,
                  std::chrono::steady_clock::time_point steady);

    // The latest scan; on the thread that calls Complete.
    const LaserScan& Scan() const { return m_scan; }
    const ScanShape& Shape() const { return m_shape; }

private:
    void TakeNewRun();

    LaserScan m_scan;
    ScanShape m_shape{};
    RevolutionClock m_clock;
    std::mutex m_runMutex;  // guards m_runShape
    ScanShape m_runShape{};
    std::atomic<bool> m_newRun{false};
};
