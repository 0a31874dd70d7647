// A client of the revolutions' Foxglove server for the tests: connects, subscribes to topics by
// name, and takes their messages apart (LaserScans decoded, health messages parsed).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "WebSocketClient.h"
#include "messages/LaserScan.h"

class ScanClient {
public:
    struct Data {
        std::string topic;
        uint64_t timestampNs = 0;
        std::string payload;
    };

    // Connected, past the server's description and advertisement. False (with a test failure
    // said) when the handshake or those messages did not come.
    bool Connect(uint16_t port);
    // Subscribes to an advertised topic; false when it is not advertised.
    bool Subscribe(const std::string& topic);
    // The next message data of a subscription, skipping status messages; nothing when none came
    // within `timeout`.
    std::optional<Data> Next(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The next message of `topic`, skipping others.
    std::optional<Data> NextOf(const std::string& topic, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The next LaserScan of /scan, decoded; nothing when none came or it does not decode.
    std::optional<LaserScan> NextScan(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // What the server advertised, by topic.
    const std::map<std::string, nlohmann::json>& Channels() const { return m_channels; }
    WebSocketClient& Socket() { return m_socket; }

private:
    WebSocketClient m_socket;
    std::map<std::string, nlohmann::json> m_channels;
    std::map<uint32_t, std::string> m_subscriptions;  // subscription id: topic
};
