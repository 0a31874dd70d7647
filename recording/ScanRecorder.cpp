#include "recording/ScanRecorder.h"

#include <chrono>
#include <span>

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
    const uint16_t rawSchema = m_writer.AddSchema(RAW_PACKETS_TYPE, "ros2msg", TextBytes(RawPacketsDefinition()));
    m_rawChannel = m_writer.AddChannel(rawSchema, RAW_PACKETS_TOPIC, "cdr");
    return m_rawChannel != 0;
}

bool ScanRecorder::BeginRun(const RunInfo& run, const ProcessingSettings& processing)
{
    return m_writer.WriteMetadata(RecordingMetadata(run, processing));
}

bool ScanRecorder::Write(const RevolutionValue& revolution)
{
    if (revolution.complete)
        ++m_revolutions;
    if (revolution.byteCount <= 0)
        return m_writer.IsOpen();
    const uint64_t logTime = LogTime(revolution);
    EncodeRawPackets({revolution.bytes, static_cast<size_t>(revolution.byteCount)}, m_message);
    McapMessage message;
    message.channelId = m_rawChannel;
    message.sequence = static_cast<uint32_t>(revolution.sequence);
    message.logTime = logTime;
    message.publishTime = logTime;
    message.data = m_message;
    if (!m_writer.WriteMessage(message))
        return false;
    m_bytes += static_cast<uint64_t>(revolution.byteCount);
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
