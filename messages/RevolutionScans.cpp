#include "messages/RevolutionScans.h"

#include "messages/ScanConversion.h"

void RevolutionScans::Reset(const ScanShape& shape, std::string frameId)
{
    m_shape = shape;
    m_scan.frameId = std::move(frameId);
    m_clock.Restart();
    m_newRun.store(false, std::memory_order_relaxed);
}

void RevolutionScans::StartRun(const ScanShape& shape)
{
    std::lock_guard lock(m_runMutex);
    m_runShape = shape;
    m_newRun.store(true, std::memory_order_relaxed);
}

// On the converting thread, so that the scan, its shape and the clock stay that thread's alone.
void RevolutionScans::TakeNewRun()
{
    std::lock_guard lock(m_runMutex);
    m_shape = m_runShape;
    m_clock.Restart();
}

bool RevolutionScans::Complete(const PointList& list, int32_t protocol, std::chrono::system_clock::time_point wall,
                               std::chrono::steady_clock::time_point steady)
{
    if (m_newRun.exchange(false, std::memory_order_relaxed))
        TakeNewRun();
    RevolutionTime time{};
    if (!m_clock.Complete(wall, steady, time))
        return false;
    RevolutionToLaserScan(list, protocol, time, m_shape, m_scan);
    return true;
}
