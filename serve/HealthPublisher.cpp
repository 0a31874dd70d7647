#include "serve/HealthPublisher.h"

#include <chrono>
#include <string>
#include <system_error>

#include "serve/HealthMessage.h"

namespace {
constexpr std::chrono::seconds PERIOD{1};
}  // namespace

HealthPublisher::HealthPublisher(FoxgloveServer& server, uint32_t channel, DropsReader drops,
                                 const std::atomic<bool>& sending)
    : m_server(server), m_channel(channel), m_drops(std::move(drops)), m_sending(sending)
{
}

HealthPublisher::~HealthPublisher()
{
    Stop();
}

bool HealthPublisher::Start()
{
    Stop();
    m_stop = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void HealthPublisher::Stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
    m_thread.join();
}

void HealthPublisher::Run()
{
    LinkHealthReading earlier = ReadLinkHealth();
    auto earlierTime = std::chrono::steady_clock::now();
    auto next = earlierTime + PERIOD;
    std::unique_lock lock(m_mutex);
    while (!m_stopped.wait_until(lock, next, [this] { return m_stop; })) {
        lock.unlock();
        const LinkHealthReading later = ReadLinkHealth();
        const auto now = std::chrono::steady_clock::now();
        if (m_sending.load(std::memory_order_relaxed))
            PublishOnce(earlier, later, std::chrono::duration<double>(now - earlierTime).count());
        earlier = later;
        earlierTime = now;
        next += PERIOD;
        lock.lock();
    }
}

void HealthPublisher::PublishOnce(const LinkHealthReading& earlier, const LinkHealthReading& later, double seconds)
{
    HealthSnapshot snapshot{later, FiguresBetween(earlier, later, seconds), {}, m_server.Counters()};
    if (m_drops)
        snapshot.outputs = m_drops();
    const std::string message = HealthMessageJson(snapshot);
    const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    m_server.Publish(m_channel, static_cast<uint64_t>(wall.count()), reinterpret_cast<const uint8_t*>(message.data()),
                     message.size());
}
