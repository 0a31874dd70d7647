// Reads a recording, whoever wrote it. A complete file is opened through its summary (the
// footer, then the summary's schemas, channels, chunk and metadata indexes: no scan). A file
// without a usable summary (cut off by a killed program or a full disk, or written without
// one) is scanned from its start: every whole record before the cut is read and the cut part
// ignored.
//
// Safe on any input: every length is checked against the bytes around it and the file's size
// before anything is read or allocated, records and chunks are capped at
// MCAP_MAX_RECORD_BYTES, CRCs are checked and a mismatch reported. Damage found while scanning
// ends the readable part there (Problem() says what it was).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "mcap/ChunkCompression.h"
#include "mcap/McapInput.h"
#include "mcap/McapMessageStream.h"
#include "mcap/McapRecords.h"

class McapReader {
public:
    enum class Mode { Auto, Scan };

    [[nodiscard]] bool Open(const std::string& path, Mode mode = Mode::Auto);
    [[nodiscard]] bool Open(std::unique_ptr<McapInput> input, Mode mode = Mode::Auto);
    // Why Open failed: the file cannot be read or is not a recording.
    const std::string& Error() const { return m_error; }

    // Read through the summary (true) or by scanning.
    bool Indexed() const { return m_indexed; }
    // The data section was read to its end: false for a file cut off before it.
    bool Complete() const { return m_complete; }
    // Damage found: a CRC that does not match, a record that cannot be read. Empty if none.
    const std::string& Problem() const { return m_problem; }

    const std::string& Profile() const { return m_profile; }
    const std::string& Library() const { return m_library; }
    const std::map<uint16_t, McapSchema>& Schemas() const { return m_schemas; }
    const std::map<uint16_t, McapChannel>& Channels() const { return m_channels; }
    const std::vector<McapMetadata>& Metadata() const { return m_metadata; }

    // The messages of the given channels (every channel when empty) in log-time order; the
    // reader must outlive the stream.
    McapMessageStream Messages(std::span<const uint16_t> channelIds = {}) const;

private:
    void ReadHeader();
    bool ReadSummary();
    bool ReadSummaryRecords(std::span<const uint8_t> summary, uint64_t summaryStart);
    bool ReadMetadataAt(uint64_t offset, uint64_t length, uint64_t limit);
    void Scan();
    bool ScanRecord(uint8_t opcode, uint64_t offset, std::span<const uint8_t> content);
    bool ScanChunk(uint64_t offset, uint64_t length, std::span<const uint8_t> content);
    void TakeSchema(std::span<const uint8_t> content, uint64_t offset);
    void TakeChannel(std::span<const uint8_t> content, uint64_t offset);
    void Reset();
    void NoteProblem(const std::string& problem);

    std::unique_ptr<McapInput> m_input;
    std::string m_error;
    std::string m_problem;
    bool m_indexed = false;
    bool m_complete = false;
    std::string m_profile;
    std::string m_library;
    std::map<uint16_t, McapSchema> m_schemas;
    std::map<uint16_t, McapChannel> m_channels;
    std::vector<McapMetadata> m_metadata;
    std::vector<McapUnit> m_units;  // chunks and loose messages, by start time
    std::vector<uint8_t> m_record;  // the record being read
    std::vector<uint8_t> m_chunk;   // the chunk being scanned, decompressed
    std::unique_ptr<ChunkDecompressor> m_decompressor;
};
