// Writes a recording as it arrives: messages gather in a chunk that is compressed and written,
// followed by its message indexes, once it holds `chunkBytes` or spans `chunkDuration` of log
// time (or when the owner closes it while idle). So a program killed at any moment leaves
// every chunk written so far readable. Close() adds the summary (schemas, channels,
// statistics, chunk and metadata indexes, summary offsets) and the footer, with the data, chunk
// and summary CRCs.
//
// Memory stays bounded however long the recording: the chunk buffers are reused, and what grows
// with the file is the summary's index, about 100 bytes a chunk. No allocation per message once
// the buffers have grown to a chunk's size.
//
// Every write is checked. The first failure (a full disk, a removed folder) stops the writer:
// every later call returns false, Error() says why, and what was written stays on disk.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <span>
#include <string>
#include <vector>

#include "mcap/McapOutputFile.h"
#include "mcap/McapRecords.h"

class ChunkCompressor;

struct McapWriterOptions {
    std::string profile = "ros2";
    std::string library = DefaultLibrary();
    McapCompression compression = McapCompression::Zstd;
    size_t chunkBytes = 1024 * 1024;            // uncompressed records
    uint64_t chunkDuration = 1'000'000'000;     // nanoseconds of log time

    static std::string DefaultLibrary();
};

class McapWriter {
public:
    McapWriter();
    ~McapWriter();  // closes the file complete, if it is still open
    McapWriter(const McapWriter&) = delete;
    McapWriter& operator=(const McapWriter&) = delete;

    // Creates (or empties) the file and writes its header; a writer writes one file.
    [[nodiscard]] bool Open(const std::string& path, const McapWriterOptions& options = {});
    // The new id, or 0 when the writer has failed.
    [[nodiscard]] uint16_t AddSchema(const std::string& name, const std::string& encoding, std::span<const uint8_t> data);
    // The new id (counted from 1), or 0 when the writer has failed or the schema is unknown.
    [[nodiscard]] uint16_t AddChannel(uint16_t schemaId, const std::string& topic, const std::string& messageEncoding,
                                      const std::map<std::string, std::string>& metadata = {});
    // False when the writer has failed (Error() says why) or the channel is not one of its own.
    [[nodiscard]] bool WriteMessage(const McapMessage& message);
    [[nodiscard]] bool WriteMetadata(const McapMetadata& metadata);
    // Writes the open chunk now: for an owner that has had nothing to write for a while.
    [[nodiscard]] bool CloseChunk();
    // Writes what is left, the summary and the footer, and closes the file.
    [[nodiscard]] bool Close();

    bool IsOpen() const { return m_file.IsOpen(); }
    const std::string& Error() const { return m_error; }

private:
    struct ChannelState {
        McapChannel channel;
        uint64_t messageCount = 0;
        std::vector<std::pair<uint64_t, uint64_t>> index;  // log time, offset in the open chunk
    };

    bool Put(std::span<const uint8_t> bytes);
    bool Fail(const std::string& reason);
    bool WriteChunk(std::span<const uint8_t> compressed, uint32_t crc);
    void IndexChunk(uint64_t chunkStart, uint64_t chunkLength, size_t compressedSize);
    bool WriteSummary();
    void AppendStatistics(std::vector<uint8_t>& buffer) const;

    McapWriterOptions m_options;
    McapOutputFile m_file;
    std::unique_ptr<ChunkCompressor> m_compressor;
    std::string m_error;

    std::vector<McapSchema> m_schemas;
    std::vector<ChannelState> m_channels;  // at index id - 1

    std::vector<uint8_t> m_chunk;    // the open chunk's records
    std::vector<uint8_t> m_scratch;  // one record or group being serialized
    uint64_t m_chunkStart = 0;
    uint64_t m_chunkEnd = 0;
    bool m_chunkHasMessages = false;

    std::vector<uint8_t> m_chunkIndexes;     // the summary's Chunk Index records, as written
    std::vector<uint8_t> m_metadataIndexes;  // and its Metadata Index records
    uint64_t m_messageCount = 0;
    uint64_t m_messageStart = 0;
    uint64_t m_messageEnd = 0;
    uint32_t m_chunkCount = 0;
    uint32_t m_metadataCount = 0;
};
