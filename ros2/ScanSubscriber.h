// Receives LaserScans of a ROS 2 topic from any publisher, on a thread of its own. The reader is
// best-effort and keeps only the newest scan, so it matches reliable and best-effort publishers
// alike, and a slow consumer always gets the latest scan instead of a backlog.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "messages/LaserScan.h"
#include "ros2/RosNames.h"
#include "ros2/ScanTopic.h"

class ScanSubscriber {
public:
    // Runs on the subscriber's thread for every scan received; the scan is valid during the call.
    using ScanCallback = std::function<void(const LaserScan& scan)>;

    ScanSubscriber() = default;
    ~ScanSubscriber();
    ScanSubscriber(const ScanSubscriber&) = delete;
    ScanSubscriber& operator=(const ScanSubscriber&) = delete;

    // Starts receiving, as the node `nodeName`. False, with `reason` set, when DDS or the thread
    // could not be set up.
    [[nodiscard]] bool Open(uint32_t domain, const std::string& rosTopic, ScanCallback callback, std::string& reason,
                            const std::string& nodeName = DEFAULT_NODE_NAME);
    // Ends the thread and leaves the domain. A callback that may wait for the caller's thread
    // must be released before this is called there, or both wait for each other.
    void Close();

    const std::string& DdsName() const { return m_topic.DdsName(); }
    // Samples whose bytes were not a LaserScan, since Open; any thread.
    int64_t Undecodable() const { return m_undecodable.load(std::memory_order_relaxed); }

private:
    bool MakeReader(std::string& reason);
    void Run();
    void TakeAll();

    ScanTopic m_topic;
    dds_entity_t m_reader = 0;
    dds_entity_t m_waitset = 0;
    dds_entity_t m_wakeUp = 0;  // guard condition that Close triggers
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_undecodable{0};
    ScanCallback m_callback;
    std::thread m_thread;
    // The receiving thread's: the latest sample's bytes and the scan read from them, reused.
    std::vector<uint8_t> m_bytes;
    LaserScan m_scan;
};
