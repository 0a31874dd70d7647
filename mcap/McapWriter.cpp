#include "mcap/McapWriter.h"

#include <zlib.h>

#include <algorithm>

#include "mcap/ByteWriter.h"
#include "mcap/ChunkCompression.h"
#include "mcap/McapFormat.h"

using namespace mcap_format;

namespace {

void AppendSchema(ByteWriter& out, const McapSchema& schema)
{
    const size_t at = out.BeginRecord(OP_SCHEMA);
    out.U16(schema.id);
    out.String(schema.name);
    out.String(schema.encoding);
    out.U32(static_cast<uint32_t>(schema.data.size()));
    out.Bytes(schema.data);
    out.EndRecord(at);
}

void AppendChannel(ByteWriter& out, const McapChannel& channel)
{
    const size_t at = out.BeginRecord(OP_CHANNEL);
    out.U16(channel.id);
    out.U16(channel.schemaId);
    out.String(channel.topic);
    out.String(channel.messageEncoding);
    out.StringMap(channel.metadata);
    out.EndRecord(at);
}

size_t MessageIndexLength(size_t entries)
{
    return RECORD_PREFIX + 2 + 4 + 16 * entries;
}

}  // namespace

std::string McapWriterOptions::DefaultLibrary()
{
    return "plotwell " PLOTWELL_VERSION;
}

McapWriter::McapWriter() = default;

McapWriter::~McapWriter()
{
    if (IsOpen())
        (void)Close();
}

bool McapWriter::Open(const std::string& path, const McapWriterOptions& options)
{
    if (m_compressor)
        return Fail("A recording writer writes one file");
    m_options = options;
    m_compressor = std::make_unique<ChunkCompressor>(options.compression);
    m_chunk.reserve(options.chunkBytes);
    if (!m_file.Create(path))
        return Fail(m_file.Error());
    m_scratch.clear();
    ByteWriter out(m_scratch);
    out.Bytes(MAGIC);
    const size_t at = out.BeginRecord(OP_HEADER);
    out.String(options.profile);
    out.String(options.library);
    out.EndRecord(at);
    return Put(m_scratch);
}

uint16_t McapWriter::AddSchema(const std::string& name, const std::string& encoding, std::span<const uint8_t> data)
{
    if (!IsOpen() || m_schemas.size() >= UINT16_MAX)
        return 0;
    McapSchema schema{static_cast<uint16_t>(m_schemas.size() + 1), name, encoding, {data.begin(), data.end()}};
    m_scratch.clear();
    ByteWriter out(m_scratch);
    AppendSchema(out, schema);
    if (!Put(m_scratch))
        return 0;
    m_schemas.push_back(std::move(schema));
    return m_schemas.back().id;
}

uint16_t McapWriter::AddChannel(uint16_t schemaId, const std::string& topic, const std::string& messageEncoding,
                                const std::map<std::string, std::string>& metadata)
{
    if (!IsOpen() || schemaId > m_schemas.size() || m_channels.size() >= UINT16_MAX)
        return 0;
    ChannelState state;
    state.channel = {static_cast<uint16_t>(m_channels.size() + 1), schemaId, topic, messageEncoding, metadata};
    m_scratch.clear();
    ByteWriter out(m_scratch);
    AppendChannel(out, state.channel);
    if (!Put(m_scratch))
        return 0;
    m_channels.push_back(std::move(state));
    return m_channels.back().channel.id;
}

bool McapWriter::WriteMessage(const McapMessage& message)
{
    if (!IsOpen() || message.channelId == 0 || message.channelId > m_channels.size())
        return false;
    // A chunk holds less than chunkDuration of log time: the message that would stretch it
    // further starts the next one.
    if (m_chunkHasMessages &&
        std::max(m_chunkEnd, message.logTime) - std::min(m_chunkStart, message.logTime) >= m_options.chunkDuration &&
        !CloseChunk())
        return false;

    const uint64_t offset = m_chunk.size();
    ByteWriter out(m_chunk);
    out.U8(OP_MESSAGE);
    out.U64(MESSAGE_FIXED + message.data.size());
    out.U16(message.channelId);
    out.U32(message.sequence);
    out.U64(message.logTime);
    out.U64(message.publishTime);
    out.Bytes(message.data);

    ChannelState& state = m_channels[message.channelId - 1];
    state.index.emplace_back(message.logTime, offset);
    ++state.messageCount;
    m_chunkStart = m_chunkHasMessages ? std::min(m_chunkStart, message.logTime) : message.logTime;
    m_chunkEnd = m_chunkHasMessages ? std::max(m_chunkEnd, message.logTime) : message.logTime;
    m_messageStart = m_messageCount > 0 ? std::min(m_messageStart, message.logTime) : message.logTime;
    m_messageEnd = m_messageCount > 0 ? std::max(m_messageEnd, message.logTime) : message.logTime;
    m_chunkHasMessages = true;
    ++m_messageCount;

    if (m_chunk.size() >= m_options.chunkBytes)
        return CloseChunk();
    return true;
}

bool McapWriter::WriteMetadata(const McapMetadata& metadata)
{
    if (!IsOpen())
        return false;
    const uint64_t offset = m_file.Offset();
    m_scratch.clear();
    ByteWriter out(m_scratch);
    const size_t at = out.BeginRecord(OP_METADATA);
    out.String(metadata.name);
    out.StringMap(metadata.entries);
    out.EndRecord(at);
    if (!Put(m_scratch))
        return false;
    ByteWriter index(m_metadataIndexes);
    const size_t indexAt = index.BeginRecord(OP_METADATA_INDEX);
    index.U64(offset);
    index.U64(m_scratch.size());
    index.String(metadata.name);
    index.EndRecord(indexAt);
    ++m_metadataCount;
    return true;
}

bool McapWriter::CloseChunk()
{
    if (!IsOpen())
        return false;
    if (m_chunk.empty())
        return true;
    const uint32_t crc = static_cast<uint32_t>(crc32_z(0, m_chunk.data(), m_chunk.size()));
    std::string error;
    const std::span<const uint8_t> compressed = m_compressor->Compress(m_chunk, error);
    if (!error.empty())
        return Fail(error);
    if (!WriteChunk(compressed, crc))
        return false;
    m_chunk.clear();
    m_chunkHasMessages = false;
    ++m_chunkCount;
    // A folder removed while recording leaves writes that succeed into a file no one can open.
    if (!m_file.StillOnDisk())
        return Fail(m_file.Error());
    return true;
}

// The chunk record, then one Message Index record for each channel with messages in it.
bool McapWriter::WriteChunk(std::span<const uint8_t> compressed, uint32_t crc)
{
    const std::string_view compression = CompressionName(m_options.compression);
    const uint64_t chunkStart = m_file.Offset();
    m_scratch.clear();
    ByteWriter out(m_scratch);
    out.U8(OP_CHUNK);
    out.U64(8 + 8 + 8 + 4 + 4 + compression.size() + 8 + compressed.size());
    out.U64(m_chunkStart);
    out.U64(m_chunkEnd);
    out.U64(m_chunk.size());
    out.U32(crc);
    out.String(compression);
    out.U64(compressed.size());
    if (!Put(m_scratch) || !Put(compressed))
        return false;
    const uint64_t chunkLength = m_file.Offset() - chunkStart;

    m_scratch.clear();
    for (ChannelState& state : m_channels) {
        if (state.index.empty())
            continue;
        std::sort(state.index.begin(), state.index.end());
        const size_t at = out.BeginRecord(OP_MESSAGE_INDEX);
        out.U16(state.channel.id);
        out.U32(static_cast<uint32_t>(16 * state.index.size()));
        for (const auto& [logTime, offset] : state.index) {
            out.U64(logTime);
            out.U64(offset);
        }
        out.EndRecord(at);
    }
    IndexChunk(chunkStart, chunkLength, compressed.size());
    for (ChannelState& state : m_channels)
        state.index.clear();
    return Put(m_scratch);
}

// The chunk's entry in the summary, kept as the record it will be: the message indexes start
// right after the chunk, in channel order.
void McapWriter::IndexChunk(uint64_t chunkStart, uint64_t chunkLength, size_t compressedSize)
{
    uint32_t indexedChannels = 0;
    for (const ChannelState& state : m_channels)
        indexedChannels += state.index.empty() ? 0 : 1;
    ByteWriter out(m_chunkIndexes);
    const size_t at = out.BeginRecord(OP_CHUNK_INDEX);
    out.U64(m_chunkStart);
    out.U64(m_chunkEnd);
    out.U64(chunkStart);
    out.U64(chunkLength);
    out.U32(10 * indexedChannels);
    uint64_t indexOffset = chunkStart + chunkLength;
    for (const ChannelState& state : m_channels) {
        if (state.index.empty())
            continue;
        out.U16(state.channel.id);
        out.U64(indexOffset);
        indexOffset += MessageIndexLength(state.index.size());
    }
    out.U64(indexOffset - chunkStart - chunkLength);
    out.String(CompressionName(m_options.compression));
    out.U64(compressedSize);
    out.U64(m_chunk.size());
    out.EndRecord(at);
}

bool McapWriter::Close()
{
    if (!CloseChunk())
        return false;
    m_scratch.clear();
    ByteWriter out(m_scratch);
    out.U8(OP_DATA_END);
    out.U64(4);
    out.U32(m_file.Crc());
    if (!Put(m_scratch))
        return false;
    if (!WriteSummary())
        return false;
    if (!m_file.Finish())
        return Fail(m_file.Error());
    return true;
}

// The summary's groups, one opcode each, then a Summary Offset record per group and the footer,
// whose CRC covers everything from the summary's start to its own offset fields.
bool McapWriter::WriteSummary()
{
    m_file.RestartCrc();
    const uint64_t summaryStart = m_file.Offset();
    struct Group {
        uint8_t opcode;
        uint64_t start;
        uint64_t length;
    };
    std::vector<Group> groups;
    const auto writeGroup = [&](uint8_t opcode, std::span<const uint8_t> records) {
        if (records.empty())
            return true;
        groups.push_back({opcode, m_file.Offset(), records.size()});
        return Put(records);
    };

    m_scratch.clear();
    ByteWriter out(m_scratch);
    for (const McapSchema& schema : m_schemas)
        AppendSchema(out, schema);
    if (!writeGroup(OP_SCHEMA, m_scratch))
        return false;
    m_scratch.clear();
    for (const ChannelState& state : m_channels)
        AppendChannel(out, state.channel);
    if (!writeGroup(OP_CHANNEL, m_scratch))
        return false;
    m_scratch.clear();
    AppendStatistics(m_scratch);
    if (!writeGroup(OP_STATISTICS, m_scratch) || !writeGroup(OP_CHUNK_INDEX, m_chunkIndexes) ||
        !writeGroup(OP_METADATA_INDEX, m_metadataIndexes))
        return false;

    const uint64_t summaryOffsetStart = m_file.Offset();
    m_scratch.clear();
    for (const Group& group : groups) {
        const size_t at = out.BeginRecord(OP_SUMMARY_OFFSET);
        out.U8(group.opcode);
        out.U64(group.start);
        out.U64(group.length);
        out.EndRecord(at);
    }
    out.U8(OP_FOOTER);
    out.U64(FOOTER_CONTENT);
    out.U64(summaryStart);
    out.U64(summaryOffsetStart);
    if (!Put(m_scratch))
        return false;
    m_scratch.clear();
    out.U32(m_file.Crc());
    out.Bytes(MAGIC);
    return Put(m_scratch);
}

void McapWriter::AppendStatistics(std::vector<uint8_t>& buffer) const
{
    ByteWriter out(buffer);
    const size_t at = out.BeginRecord(OP_STATISTICS);
    out.U64(m_messageCount);
    out.U16(static_cast<uint16_t>(m_schemas.size()));
    out.U32(static_cast<uint32_t>(m_channels.size()));
    out.U32(0);  // attachments
    out.U32(m_metadataCount);
    out.U32(m_chunkCount);
    out.U64(m_messageStart);
    out.U64(m_messageEnd);
    out.U32(static_cast<uint32_t>(10 * m_channels.size()));
    for (const ChannelState& state : m_channels) {
        out.U16(state.channel.id);
        out.U64(state.messageCount);
    }
    out.EndRecord(at);
}

bool McapWriter::Put(std::span<const uint8_t> bytes)
{
    if (!m_file.Write(bytes))
        return Fail(m_file.Error());
    return true;
}

bool McapWriter::Fail(const std::string& reason)
{
    if (m_error.empty())
        m_error = reason;
    m_file.Abandon();
    return false;
}
