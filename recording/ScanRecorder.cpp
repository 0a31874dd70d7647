#include "recording/ScanRecorder.h"

#include <chrono>
#include <span>

#include "messages/LaserScanCdr.h"
#include "messages/LaserScanDefinition.h"
#include "messages/ScanShape.h"
#include "protocols/DeviceModel.h"
#include "recording/RawPacketsMessage.h"
#include "recording/RecordingMetadata.h"

namespace {

std::span<const uint8_t> TextBytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

bool ScanRecorder::Open(const std::string& path, const ScanRecorderOptions& options)
{
    m_options = options;
    m_openedWallNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count();
    McapWriterOptions writerOptions;
    writerOptions.compression = options.compression;
    if (!m_writer.Open(path, writerOptions))
        return false;
    const uint16_t scanSchema =
        m_writer.AddSchema(LASER_SCAN_SCHEMA_NAME, LASER_SCAN_SCHEMA_ENCODING, TextBytes(LASER_SCAN_DEFINITION));
    m_scanChannel = m_writer.AddChannel(scanSchema, options.scanTopic, "cdr");
    const uint16_t rawSchema = m_writer.AddSchema(RAW_PACKETS_TYPE, "ros2msg", TextBytes(RawPacketsDefinition()));
    m_rawChannel = m_writer.AddChannel(rawSchema, RAW_PACKETS_TOPIC, "cdr");
    m_scans.Reset(ModelScanShape(g_ModelTR20_A), options.frameId);
    return m_scanChannel != 0 && m_rawChannel != 0;
}

bool ScanRecorder::BeginRun(const RunInfo& run, const ProcessingSettings& processing)
{
    m_protocol = run.protocol;
    m_scans.StartRun(ModelScanShape(run.model != nullptr ? *run.model : g_ModelTR20_A));
    return m_writer.WriteMetadata(RecordingMetadata(run, processing));
}

bool ScanRecorder::Write(const RevolutionValue& revolution)
{
    const uint64_t logTime = LogTime(revolution);
    if (revolution.byteCount > 0) {
        EncodeRawPackets({revolution.bytes, static_cast<size_t>(revolution.byteCount)}, m_message);
        if (!WriteMessage(m_rawChannel, revolution.sequence, logTime))
            return false;
        m_bytes += static_cast<uint64_t>(revolution.byteCount);
    }
    if (!revolution.complete)
        return m_writer.IsOpen();
    ++m_revolutions;
    return WriteScan(revolution, logTime);
}

bool ScanRecorder::WriteScan(const RevolutionValue& revolution, uint64_t logTime)
{
    if (m_protocol < 0)
        return m_writer.IsOpen();
    // A data file's steady clock is its line's: the time between revolutions is the line's.
    const auto steady = m_options.lineBaudRate > 0
                            ? std::chrono::steady_clock::time_point(std::chrono::nanoseconds(logTime))
                            : std::chrono::steady_clock::time_point(std::chrono::nanoseconds(revolution.times.completedNs));
    const std::chrono::system_clock::time_point wall(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(logTime)));
    if (!m_scans.Complete(revolution.points, m_protocol, wall, steady))
        return m_writer.IsOpen();
    EncodeLaserScanCdr(m_scans.Scan(), m_message);
    return WriteMessage(m_scanChannel, revolution.sequence, logTime);
}

bool ScanRecorder::WriteMessage(uint16_t channel, uint64_t sequence, uint64_t logTime)
{
    McapMessage message;
    message.channelId = channel;
    message.sequence = static_cast<uint32_t>(sequence);
    message.logTime = logTime;
    message.publishTime = logTime;
    message.data = m_message;
    if (!m_writer.WriteMessage(message))
        return false;
    m_chunkOpen = true;
    return true;
}

uint64_t ScanRecorder::LogTime(const RevolutionValue& revolution) const
{
    if (m_options.lineBaudRate <= 0)
        return static_cast<uint64_t>(revolution.times.completedWallNs);
    constexpr double BITS_PER_BYTE = 10.0;  // start, 8 data bits, stop
    const double bytes = static_cast<double>(m_bytes + static_cast<uint64_t>(revolution.byteCount));
    return static_cast<uint64_t>(m_openedWallNs) +
           static_cast<uint64_t>(bytes * BITS_PER_BYTE * 1e9 / m_options.lineBaudRate);
}

bool ScanRecorder::CloseChunk()
{
    if (!m_chunkOpen)
        return m_writer.IsOpen();
    m_chunkOpen = false;
    return m_writer.CloseChunk();
}

bool ScanRecorder::Close()
{
    m_chunkOpen = false;
    return m_writer.Close();
}
