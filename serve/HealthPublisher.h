// Publishes the link's health on a channel of a Foxglove server once a second, on a thread of its
// own, whether revolutions come or not: a silent line shows as figures of nought.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "foxglove/FoxgloveServer.h"
#include "run/OutputStage.h"

class HealthPublisher {
public:
    using DropsReader = std::function<std::vector<OutputDrops>()>;

    // `drops` is called on the publisher's thread; what it reads must stay until Stop. Nothing is
    // published while `sending` is false (the readings go on all the same).
    HealthPublisher(FoxgloveServer& server, uint32_t channel, DropsReader drops, const std::atomic<bool>& sending);
    ~HealthPublisher();
    HealthPublisher(const HealthPublisher&) = delete;
    HealthPublisher& operator=(const HealthPublisher&) = delete;

    // False when the thread could not be made.
    [[nodiscard]] bool Start();
    // Returns at once when the thread is between messages.
    void Stop();

private:
    void Run();
    void PublishOnce(const LinkHealthReading& earlier, const LinkHealthReading& later, double seconds);

    FoxgloveServer& m_server;
    const uint32_t m_channel;
    const DropsReader m_drops;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false;  // guarded by m_mutex
    const std::atomic<bool>& m_sending;
    std::thread m_thread;
};
