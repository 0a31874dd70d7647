// Publishes processed revolutions as LaserScans: each revolution is timed against the one before,
// converted and written. What plotwell-tool publish and the viewer's --publish share.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "acquisition/ScanFrame.h"
#include "messages/RevolutionScans.h"
#include "messages/ScanShape.h"
#include "ros2/RosNames.h"
#include "ros2/ScanPublisher.h"

struct PublishSettings {
    uint32_t domain = 0;
    std::string topic = "/scan";
    std::string frameId = "laser";
    ScanShape shape{};
    std::string nodeName = DEFAULT_NODE_NAME;
};

class RevolutionPublisher {
public:
    RevolutionPublisher();
    ~RevolutionPublisher();

    // Joins the domain, makes the writer and starts a run in settings.shape. Not while
    // revolutions are being handed in.
    [[nodiscard]] bool Open(const PublishSettings& settings, std::string& reason);
    void Close();

    // Turns sending on or off from any thread; revolutions are timed all the same, so the first
    // one sent after turning it on has a measured time.
    void SetSending(bool sending) { m_sending.store(sending, std::memory_order_relaxed); }
    bool Sending() const { return m_sending.load(std::memory_order_relaxed); }

    // A new run, whose revolutions take `shape` (the model may have changed); from any thread,
    // at any time. The next revolution is the first of the run: it is timed, not sent.
    void StartRun(const ScanShape& shape);

    // One completed revolution: `list` is its point list after the filter and the compensation,
    // `protocol` the angle convention of its scanner, completed at `wall` and `steady` (now, when
    // not given). One thread only. True when it was sent; the first revolution of a run is not
    // (nothing measured its time).
    bool Revolution(const PointList& list, int32_t protocol);
    bool Revolution(const PointList& list, int32_t protocol, std::chrono::system_clock::time_point wall,
                    std::chrono::steady_clock::time_point steady);

    // Scans sent and scans DDS refused, since Open; any thread.
    int64_t Sent() const { return m_sent.load(std::memory_order_relaxed); }
    int64_t Failed() const { return m_failed.load(std::memory_order_relaxed); }
    int32_t MatchedSubscribers() const { return m_publisher.MatchedSubscribers(); }
    const std::string& DdsName() const { return m_publisher.DdsName(); }

private:
    ScanPublisher m_publisher;
    RevolutionScans m_scans;
    bool m_open = false;  // Open and Close never run while revolutions are handed in
    std::atomic<bool> m_sending{true};
    std::atomic<int64_t> m_sent{0};
    std::atomic<int64_t> m_failed{0};
};
