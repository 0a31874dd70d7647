#include "ros2/RevolutionPublisher.h"

#include "ros2/LaserScanMessage.h"
#include "ros2/ScanConversion.h"

RevolutionPublisher::RevolutionPublisher() = default;
RevolutionPublisher::~RevolutionPublisher() = default;

bool RevolutionPublisher::Open(const PublishSettings& settings, std::string& reason)
{
    Close();
    if (!m_publisher.Open(settings.domain, settings.topic, reason))
        return false;
    m_frameId = settings.frameId;
    m_message = std::make_unique<LaserScanMessage>(settings.shape, m_frameId);
    m_clock.Restart();
    m_newRun.store(false, std::memory_order_relaxed);
    m_sent.store(0, std::memory_order_relaxed);
    m_failed.store(0, std::memory_order_relaxed);
    return true;
}

void RevolutionPublisher::Close()
{
    m_publisher.Close();
    m_message.reset();
}

void RevolutionPublisher::StartRun(const ScanShape& shape)
{
    std::lock_guard lock(m_runMutex);
    m_runShape = shape;
    m_newRun.store(true, std::memory_order_relaxed);
}

// On the publishing thread, so that the message and the clock stay that thread's alone. A new
// message is made only when the shape changed: once per run at most, never per revolution.
void RevolutionPublisher::TakeNewRun()
{
    std::lock_guard lock(m_runMutex);
    const ScanShape& now = m_message->Shape();
    if (m_runShape.bins != now.bins || m_runShape.rangeMin != now.rangeMin || m_runShape.rangeMax != now.rangeMax)
        m_message = std::make_unique<LaserScanMessage>(m_runShape, m_frameId);
    m_clock.Restart();
}

bool RevolutionPublisher::Revolution(const PointList& list, int32_t protocol)
{
    return Revolution(list, protocol, std::chrono::system_clock::now(), std::chrono::steady_clock::now());
}

bool RevolutionPublisher::Revolution(const PointList& list, int32_t protocol, std::chrono::system_clock::time_point wall,
                                     std::chrono::steady_clock::time_point steady)
{
    if (!m_message)
        return false;
    if (m_newRun.exchange(false, std::memory_order_relaxed))
        TakeNewRun();
    RevolutionTime time{};
    if (!m_clock.Complete(wall, steady, time) || !Sending())
        return false;
    RevolutionToLaserScan(list, protocol, time, *m_message);
    const bool sent = m_publisher.Publish(*m_message);
    (sent ? m_sent : m_failed).fetch_add(1, std::memory_order_relaxed);
    return sent;
}
