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
    m_message = std::make_unique<LaserScanMessage>(settings.shape, settings.frameId);
    m_clock.Restart();
    m_sent.store(0, std::memory_order_relaxed);
    m_failed.store(0, std::memory_order_relaxed);
    return true;
}

void RevolutionPublisher::Close()
{
    m_publisher.Close();
    m_message.reset();
}

bool RevolutionPublisher::Revolution(const PointList& list, int32_t protocol)
{
    RevolutionTime time{};
    if (!m_clock.CompleteNow(time) || !m_message || !Sending())
        return false;
    RevolutionToLaserScan(list, protocol, time, *m_message);
    const bool sent = m_publisher.Publish(*m_message);
    (sent ? m_sent : m_failed).fetch_add(1, std::memory_order_relaxed);
    return sent;
}
