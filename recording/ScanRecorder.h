// Writes revolutions into an MCAP file as they come: per revolution, its raw packet bytes on
// the raw channel (every value that carries bytes, so that the file holds the whole stream) and
// its LaserScan on the scan channel (the one the ROS 2 publisher sends, made by the same code:
// the first revolution of a run, whose time nothing measured, has none), and per run the
// recording's metadata. Log time: the revolution's completion on the wall clock. Single-threaded: McapOutput runs it on the output
// stage, the command-line conversions call it directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mcap/McapWriter.h"
#include "messages/RevolutionScans.h"
#include "run/Pipeline.h"
#include "run/RevolutionValue.h"

struct ScanRecorderOptions {
    std::string scanTopic = "/scan";
    std::string frameId = "laser";
    McapCompression compression = McapCompression::Zstd;
    // Not 0: a data file's bytes, which carry no times of their own, are stamped as a line of
    // this baud rate would have carried them from the moment the file is opened, so that the
    // recording plays at the scanner's speed in other programs too.
    int32_t lineBaudRate = 0;
};

class ScanRecorder {
public:
    // Creates the file with its schemas and channels; false with Error() when it cannot be.
    [[nodiscard]] bool Open(const std::string& path, const ScanRecorderOptions& options = {});
    // A run starts (or is under way when the recording starts): its metadata.
    [[nodiscard]] bool BeginRun(const RunInfo& run, const ProcessingSettings& processing);
    [[nodiscard]] bool Write(const RevolutionValue& revolution);
    // Writes what the open chunk holds, if anything: for a pause in the data.
    [[nodiscard]] bool CloseChunk();
    // The summary and footer; the file is then complete. After a failure it leaves the file as
    // it is (every chunk written before the failure readable) and returns false.
    [[nodiscard]] bool Close();

    bool IsOpen() const { return m_writer.IsOpen(); }
    const std::string& Error() const { return m_writer.Error(); }
    uint64_t Revolutions() const { return m_revolutions; }
    uint64_t Bytes() const { return m_bytes; }

private:
    bool WriteMessage(uint16_t channel, uint64_t sequence, uint64_t logTime);
    bool WriteScan(const RevolutionValue& revolution, uint64_t logTime);

    McapWriter m_writer;
    uint16_t m_rawChannel = 0;
    uint16_t m_scanChannel = 0;
    RevolutionScans m_scans;
    int32_t m_protocol = -1;         // the run's; -1 before the first run: no scans yet
    std::vector<uint8_t> m_message;  // the message being encoded, reused
    bool m_chunkOpen = false;        // messages written since the last CloseChunk
    uint64_t LogTime(const RevolutionValue& revolution) const;

    ScanRecorderOptions m_options;
    int64_t m_openedWallNs = 0;
    uint64_t m_revolutions = 0;
    uint64_t m_bytes = 0;
};
