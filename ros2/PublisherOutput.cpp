#include "ros2/PublisherOutput.h"

#include <chrono>
#include <utility>

#include "ros2/RevolutionPublisher.h"

PublisherOutput::PublisherOutput(RevolutionPublisher& publisher, int64_t limit, std::function<void()> limitReached)
    : m_publisher(publisher), m_limit(limit), m_limitReached(std::move(limitReached))
{
}

void PublisherOutput::Take(const RevolutionValue& revolution)
{
    if (!revolution.complete || (m_limit > 0 && m_publisher.Sent() >= m_limit))
        return;
    const std::chrono::system_clock::time_point wall{std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::nanoseconds(revolution.times.completedWallNs))};
    const std::chrono::steady_clock::time_point steady{std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::nanoseconds(revolution.times.completedNs))};
    if (m_publisher.Revolution(revolution.points, revolution.run.protocol, wall, steady) && m_limit > 0 &&
        m_publisher.Sent() == m_limit && m_limitReached)
        m_limitReached();
}
