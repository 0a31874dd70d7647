#include "run/RevolutionFeed.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"

namespace {

int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t WallNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

RunInfo CurrentRun()
{
    RunInfo run;
    run.model = Load(g_pModel);
    run.protocol = Load(g_nProtocol);
    run.direction = ProtocolFor(run.protocol).direction;
    run.startNs = SteadyNs();
    run.startWallNs = WallNs();
    return run;
}

}  // namespace

RevolutionFeed::RevolutionFeed(OutputStage& stage, CSerialPort& port) : m_stage(stage), m_port(port)
{
    m_stage.BeginRun(CurrentRun());
    m_port.SetByteTap(this);
}

RevolutionFeed::~RevolutionFeed()
{
    m_port.SetByteTap(nullptr);
    if (m_pending && m_pending->byteCount > 0)
        HandOutPending(false);
    m_stage.EndRun();
}

RevolutionValue* RevolutionFeed::Pending()
{
    if (!m_pending) {
        m_pending = m_stage.NewValue();
        if (!m_pending)
            return nullptr;
        RevolutionValue& value = m_pending.Fill();
        value.byteCount = 0;
        value.parsed.count = 0;
        value.points.count = 0;
    }
    return &m_pending.Fill();
}

void RevolutionFeed::BytesRead(const uint8_t* bytes, int32_t count, bool replayed)
{
    if (!m_read) {
        m_read = true;
        if (RevolutionValue* value = Pending()) {
            value->times.firstByteNs = SteadyNs();
            value->times.firstByteWallNs = WallNs();
        }
    }
    while (!replayed && count > 0) {
        RevolutionValue* value = Pending();
        if (value == nullptr)
            return;
        // No revolution closed while the room filled up: the bytes go out on their own.
        if (value->byteCount == REVOLUTION_BYTES_CAPACITY) {
            HandOutPending(false);
            continue;
        }
        const int32_t taken = std::min(count, REVOLUTION_BYTES_CAPACITY - value->byteCount);
        std::memcpy(value->bytes + value->byteCount, bytes, static_cast<size_t>(taken));
        value->byteCount += taken;
        bytes += taken;
        count -= taken;
    }
}

void RevolutionFeed::Complete(const ProcessingSettings& settings)
{
    RevolutionValue* value = Pending();
    if (value == nullptr)
        return;
    CopySamples(g_ScanFrame, value->parsed);
    ProcessFrame(settings, value->points);
    HandOutPending(true);
}

void RevolutionFeed::HandOutPending(bool complete)
{
    RevolutionValue& value = m_pending.Fill();
    value.run = m_stage.Run();
    value.complete = complete;
    value.times.completedNs = SteadyNs();
    value.times.completedWallNs = WallNs();
    if (!m_read) {
        value.times.firstByteNs = value.times.completedNs;
        value.times.firstByteWallNs = value.times.completedWallNs;
    }
    value.health = ReadLinkHealth();
    if (!complete) {
        value.parsed.count = 0;
        value.points.count = 0;
    }
    m_stage.HandOut(std::move(m_pending));
    m_pending = RevolutionRef{};
    m_read = false;
}
