// A Foxglove WebSocket server of the revolutions, for plotwell-tool serve and the viewer's --serve:
// /scan, every revolution as a sensor_msgs/msg/LaserScan in CDR (the caller attaches Output() to
// its output stage), and /plotwell/health, the link's figures once a second in JSON.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "foxglove/FoxgloveServer.h"
#include "serve/FoxgloveOutput.h"
#include "serve/HealthPublisher.h"

inline constexpr const char* SCAN_TOPIC = "/scan";
inline constexpr const char* HEALTH_TOPIC = "/plotwell/health";

struct ScanOptions {
    int32_t bins = 0;               // per turn; 0: the model's
    std::string frameId = "laser";  // what a Foxglove 3D panel names as the scan's frame
};

class RevolutionServer {
public:
    explicit RevolutionServer(ScanOptions scan = {}, ServerOptions options = {});
    ~RevolutionServer();
    RevolutionServer(const RevolutionServer&) = delete;
    RevolutionServer& operator=(const RevolutionServer&) = delete;

    // Start, Stop, Address and Url: the thread that owns the server.
    // Listens on `address` and starts publishing; `drops` names each output's drops for the
    // health messages (called on the health thread until Stop). False, with `reason` for the
    // operator, when the address cannot be had.
    [[nodiscard]] bool Start(const ListenAddress& address, HealthPublisher::DropsReader drops, std::string& reason);
    // Closes every connection; within half a second.
    void Stop();
    // Where clients connect, once started (the port the system chose, when asked for 0), and as
    // they write it: "ws://127.0.0.1:8765".
    const ListenAddress& Address() const { return m_address; }
    std::string Url() const;

    // Any thread: the Serve box pauses and resumes what is published; clients stay connected.
    void SetSending(bool sending) { m_sending.store(sending, std::memory_order_relaxed); }
    bool Sending() const { return m_sending.load(std::memory_order_relaxed); }

    RevolutionOutput& Output() { return m_scanOutput; }
    const FoxgloveServer& Server() const { return m_server; }
    // Scans handed to the server; any thread.
    int64_t ScansPublished() const { return m_scanOutput.Published(); }

private:
    FoxgloveServer m_server;
    const uint32_t m_healthChannel;
    ListenAddress m_address;
    std::atomic<bool> m_sending{true};
    FoxgloveOutput m_scanOutput;
    std::unique_ptr<HealthPublisher> m_health;
};
