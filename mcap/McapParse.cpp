#include "mcap/McapParse.h"

#include <zlib.h>

#include "mcap/ByteReader.h"
#include "mcap/McapFormat.h"

bool ParseChunkHeader(std::span<const uint8_t> content, McapChunkHeader& chunk)
{
    ByteReader in(content);
    chunk.messageStart = in.U64();
    chunk.messageEnd = in.U64();
    chunk.uncompressedSize = in.U64();
    chunk.uncompressedCrc = in.U32();
    chunk.compression = in.StringView();
    chunk.records = in.Bytes(in.U64());
    return in.Ok();
}

std::string ChunkRecords(const McapChunkHeader& chunk, ChunkDecompressor& decompressor, std::vector<uint8_t>& records)
{
    if (chunk.uncompressedSize > MCAP_MAX_RECORD_BYTES)
        return "it is larger than a recording's chunk can be";
    std::string problem;
    if (!decompressor.Decompress(chunk.compression, chunk.records, chunk.uncompressedSize, records, problem))
        return problem;
    if (chunk.uncompressedCrc != 0 && crc32_z(0, records.data(), records.size()) != chunk.uncompressedCrc)
        return "its CRC does not match";
    return "";
}

bool ParseSchema(std::span<const uint8_t> content, McapSchema& schema)
{
    ByteReader in(content);
    schema.id = in.U16();
    schema.name = in.String();
    schema.encoding = in.String();
    const std::span<const uint8_t> data = in.Bytes(in.U32());
    schema.data.assign(data.begin(), data.end());
    return in.Ok() && schema.id != 0;
}

bool ParseChannel(std::span<const uint8_t> content, McapChannel& channel)
{
    ByteReader in(content);
    channel.id = in.U16();
    channel.schemaId = in.U16();
    channel.topic = in.String();
    channel.messageEncoding = in.String();
    channel.metadata = in.StringMap();
    return in.Ok();
}

bool ParseMetadata(std::span<const uint8_t> content, McapMetadata& metadata)
{
    ByteReader in(content);
    metadata.name = in.String();
    metadata.entries = in.StringMap();
    return in.Ok();
}

bool ParseMessage(std::span<const uint8_t> content, McapMessage& message)
{
    ByteReader in(content);
    message.channelId = in.U16();
    message.sequence = in.U32();
    message.logTime = in.U64();
    message.publishTime = in.U64();
    message.data = in.Rest();
    return in.Ok();
}

bool RecordWalker::Next(uint8_t& opcode, std::span<const uint8_t>& content, size_t& offset)
{
    if (m_malformed || m_position == m_bytes.size())
        return false;
    ByteReader in(m_bytes.subspan(m_position));
    opcode = in.U8();
    content = in.Bytes(in.U64());
    if (!in.Ok()) {
        m_malformed = true;
        return false;
    }
    offset = m_position;
    m_position += in.Position();
    return true;
}
