// A recording without Plotwell's raw channel (a bag from another scanner's ROS 2 driver, say)
// plays from one of its sensor_msgs/msg/LaserScan channels: its scans are decoded on a thread of
// their own and handed out at the pace their log times give, from the first again after the
// last, for a window that draws them as it draws a subscribed topic's.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mcap/McapReader.h"
#include "messages/LaserScan.h"

// The topics of a recording's LaserScan channels (cdr), in the order of their channel ids.
std::vector<std::string> LaserScanTopics(const McapReader& reader);

class McapScanPlayer {
public:
    // Runs on the player's thread for every scan; the scan is valid during the call.
    using ScanCallback = std::function<void(const LaserScan& scan)>;

    McapScanPlayer() = default;
    ~McapScanPlayer();
    McapScanPlayer(const McapScanPlayer&) = delete;
    McapScanPlayer& operator=(const McapScanPlayer&) = delete;

    // Reads the recording's channels. False with the reason when it cannot be read or has no
    // LaserScan channel.
    [[nodiscard]] bool Open(const std::string& path, std::string& reason);
    const std::vector<std::string>& Topics() const { return m_topics; }

    // Plays the scans of `topic`, one of Topics(), until Close. False when the thread cannot start.
    [[nodiscard]] bool Play(const std::string& topic, ScanCallback callback, std::string& reason);
    // Ends the thread. A callback that may wait for the caller's thread must be released before
    // this is called there, or both wait for each other.
    void Close();

    // Messages of the channel that were not a LaserScan; any thread.
    int64_t Undecodable() const { return m_undecodable.load(std::memory_order_relaxed); }

private:
    void Run(uint16_t channel);
    bool PlayPass(uint16_t channel, LaserScan& scan);
    // False once Close is called.
    bool WaitUntil(std::chrono::steady_clock::time_point due);

    McapReader m_reader;
    std::vector<std::string> m_topics;
    ScanCallback m_callback;
    std::atomic<int64_t> m_undecodable{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};
