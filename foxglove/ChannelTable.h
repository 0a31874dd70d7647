// The channels a server offers, each under an id that is never given out again, so that a client
// can never mistake a new channel for one it knew. Changed from any thread; the server's thread
// notices a change by the version and tells its clients.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// What a client is told about a channel: its topic and how its messages are encoded.
struct ChannelInfo {
    std::string topic;
    std::string encoding;        // of the messages: "cdr", "json", ...
    std::string schemaName;      // "sensor_msgs/msg/LaserScan"
    std::string schema;          // the definition itself, in schemaEncoding
    std::string schemaEncoding;  // "ros2msg", "jsonschema"; empty leaves it to the encoding
};

struct Channel {
    uint32_t id = 0;
    ChannelInfo info;
};

class ChannelTable {
public:
    uint32_t Add(ChannelInfo info);
    // False when no channel has that id.
    bool Remove(uint32_t id);
    std::vector<Channel> Snapshot() const;
    // Raised by every change.
    uint64_t Version() const { return m_version.load(std::memory_order_acquire); }

private:
    mutable std::mutex m_mutex;  // guards m_channels and m_nextId
    std::vector<Channel> m_channels;
    uint32_t m_nextId = 1;
    std::atomic<uint64_t> m_version{0};
};
