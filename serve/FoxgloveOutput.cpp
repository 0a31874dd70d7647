#include "serve/FoxgloveOutput.h"

#include <chrono>

#include "foxglove/FoxgloveServer.h"
#include "messages/LaserScanCdr.h"
#include "messages/ScanShape.h"
#include "protocols/DeviceModel.h"

FoxgloveOutput::FoxgloveOutput(FoxgloveServer& server, uint32_t channel, const std::atomic<bool>& sending,
                               int32_t bins, std::string frameId)
    : m_server(server), m_channel(channel), m_sending(sending), m_bins(bins), m_frameId(std::move(frameId))
{
}

// The model, and with it the bins and the range, may differ from the last run's.
void FoxgloveOutput::RunStarted(const RunInfo& run)
{
    ScanShape shape = ModelScanShape(run.model ? *run.model : g_ModelTR20_A);
    if (m_bins > 0)
        shape.bins = m_bins;
    m_scans.Reset(shape, m_frameId);
}

void FoxgloveOutput::Take(const RevolutionValue& revolution)
{
    if (!revolution.complete)
        return;
    const std::chrono::system_clock::time_point wall{std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::nanoseconds(revolution.times.completedWallNs))};
    const std::chrono::steady_clock::time_point steady{std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::nanoseconds(revolution.times.completedNs))};
    // Timed even while paused, so that the first scan after resuming has a measured time.
    if (!m_scans.Complete(revolution.points, revolution.run.protocol, wall, steady) ||
        !m_sending.load(std::memory_order_relaxed))
        return;
    EncodeLaserScanCdr(m_scans.Scan(), m_bytes);
    m_server.Publish(m_channel, static_cast<uint64_t>(revolution.times.completedWallNs), m_bytes.data(),
                     m_bytes.size());
    m_published.store(m_published.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}
