#include "ros2/RevolutionPublisher.h"

RevolutionPublisher::RevolutionPublisher() = default;
RevolutionPublisher::~RevolutionPublisher() = default;

bool RevolutionPublisher::Open(const PublishSettings& settings, std::string& reason)
{
    Close();
    if (!m_publisher.Open(settings.domain, settings.topic, reason, settings.nodeName))
        return false;
    m_scans.Reset(settings.shape, settings.frameId);
    m_open = true;
    m_sent.store(0, std::memory_order_relaxed);
    m_failed.store(0, std::memory_order_relaxed);
    return true;
}

void RevolutionPublisher::Close()
{
    m_publisher.Close();
    m_open = false;
}

void RevolutionPublisher::StartRun(const ScanShape& shape)
{
    m_scans.StartRun(shape);
}

bool RevolutionPublisher::Revolution(const PointList& list, int32_t protocol)
{
    return Revolution(list, protocol, std::chrono::system_clock::now(), std::chrono::steady_clock::now());
}

bool RevolutionPublisher::Revolution(const PointList& list, int32_t protocol, std::chrono::system_clock::time_point wall,
                                     std::chrono::steady_clock::time_point steady)
{
    if (!m_open || !m_scans.Complete(list, protocol, wall, steady) || !Sending())
        return false;
    const bool sent = m_publisher.Publish(m_scans.Scan());
    (sent ? m_sent : m_failed).fetch_add(1, std::memory_order_relaxed);
    return sent;
}
