#include "mcap/McapReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "mcap/ByteReader.h"
#include "mcap/ChunkCompression.h"
#include "mcap/McapFormat.h"
#include "mcap/McapParse.h"

using namespace mcap_format;

namespace {

constexpr uint64_t MAGIC_SIZE = sizeof(MAGIC);

std::string At(uint64_t offset)
{
    return " at offset " + std::to_string(offset);
}

}  // namespace

bool McapReader::Open(const std::string& path, Mode mode)
{
    auto file = std::make_unique<McapFileInput>();
    if (!file->Open(path, m_error))
        return false;
    if (!Open(std::move(file), mode)) {
        m_error = path + ": " + m_error;
        return false;
    }
    return true;
}

bool McapReader::Open(std::unique_ptr<McapInput> input, Mode mode)
{
    Reset();
    m_error.clear();
    m_problem.clear();
    m_input = std::move(input);
    if (!m_decompressor)
        m_decompressor = std::make_unique<ChunkDecompressor>();
    if (!m_input->ReadAt(0, MAGIC_SIZE, m_record) || std::memcmp(m_record.data(), MAGIC, MAGIC_SIZE) != 0) {
        m_error = "not an MCAP recording";
        return false;
    }
    m_profile.clear();
    m_library.clear();
    ReadHeader();
    if (mode == Mode::Auto && ReadSummary())
        return true;
    Reset();
    Scan();
    std::stable_sort(m_units.begin(), m_units.end(),
                     [](const McapUnit& a, const McapUnit& b) { return a.start < b.start; });
    return true;
}

void McapReader::NoteProblem(const std::string& problem)
{
    m_problem += (m_problem.empty() ? "" : "; ") + problem;
}

void McapReader::Reset()
{
    m_indexed = false;
    m_complete = false;
    m_schemas.clear();
    m_channels.clear();
    m_metadata.clear();
    m_units.clear();
}

McapMessageStream McapReader::Messages(std::span<const uint16_t> channelIds) const
{
    static McapMemoryInput nothing({});
    if (!m_input)
        return McapMessageStream(nothing, {}, std::vector<bool>(UINT16_MAX + 1, false));
    std::vector<bool> wanted(UINT16_MAX + 1, false);
    for (const auto& [id, channel] : m_channels)
        wanted[id] = channelIds.empty() || std::find(channelIds.begin(), channelIds.end(), id) != channelIds.end();
    return McapMessageStream(*m_input, m_units, std::move(wanted));
}

// The profile and library of the header that follows the magic, when it is there whole.
void McapReader::ReadHeader()
{
    if (!m_input->ReadAt(MAGIC_SIZE, RECORD_PREFIX, m_record))
        return;
    ByteReader prefix(m_record);
    const uint8_t opcode = prefix.U8();
    const uint64_t length = prefix.U64();
    if (opcode != OP_HEADER || length > MCAP_MAX_RECORD_BYTES ||
        !m_input->ReadAt(MAGIC_SIZE + RECORD_PREFIX, length, m_record))
        return;
    ByteReader header(m_record);
    m_profile = header.String();
    m_library = header.String();
}

// The footer at the end, then the whole summary it points to, checked against its CRC. False
// (and a scan follows) for a file without a footer or summary; Problem() says when one was
// there but damaged.
bool McapReader::ReadSummary()
{
    const uint64_t size = m_input->Size();
    if (size < MAGIC_SIZE + RECORD_PREFIX + FOOTER_RECORD + MAGIC_SIZE)
        return false;
    const uint64_t footerOffset = size - FOOTER_RECORD - MAGIC_SIZE;
    std::vector<uint8_t> footer;
    if (!m_input->ReadAt(footerOffset, FOOTER_RECORD + MAGIC_SIZE, footer) ||
        std::memcmp(footer.data() + FOOTER_RECORD, MAGIC, MAGIC_SIZE) != 0)
        return false;
    ByteReader in(footer);
    const uint8_t opcode = in.U8();
    const uint64_t length = in.U64();
    const uint64_t summaryStart = in.U64();
    in.U64();
    const uint32_t summaryCrc = in.U32();
    if (opcode != OP_FOOTER || length != FOOTER_CONTENT || summaryStart == 0)
        return false;
    if (summaryStart < MAGIC_SIZE || summaryStart > footerOffset) {
        NoteProblem("the footer points outside the file");
        return false;
    }
    if (footerOffset - summaryStart > MCAP_MAX_RECORD_BYTES) {
        NoteProblem("the summary is too large to read");
        return false;
    }
    if (!m_input->ReadAt(summaryStart, footerOffset - summaryStart, m_record))
        return false;
    uint32_t crc = static_cast<uint32_t>(crc32_z(0, m_record.data(), m_record.size()));
    crc = static_cast<uint32_t>(crc32_z(crc, footer.data(), FOOTER_RECORD - 4));
    if (summaryCrc != 0 && crc != summaryCrc) {
        NoteProblem("the summary's CRC does not match");
        return false;
    }
    const std::vector<uint8_t> summary = std::move(m_record);
    return ReadSummaryRecords(summary, summaryStart);
}

bool McapReader::ReadSummaryRecords(std::span<const uint8_t> summary, uint64_t summaryStart)
{
    RecordWalker walker(summary);
    uint8_t opcode = 0;
    std::span<const uint8_t> content;
    size_t offset = 0;
    bool mayHoldMessages = true;  // until statistics say there are none
    struct MetadataPlace {
        uint64_t offset;
        uint64_t length;
    };
    std::vector<MetadataPlace> metadata;
    while (walker.Next(opcode, content, offset)) {
        ByteReader in(content);
        bool inData = true;
        if (opcode == OP_SCHEMA) {
            TakeSchema(content, summaryStart + offset);
        } else if (opcode == OP_CHANNEL) {
            TakeChannel(content, summaryStart + offset);
        } else if (opcode == OP_STATISTICS) {
            mayHoldMessages = in.U64() != 0;
        } else if (opcode == OP_METADATA_INDEX) {
            metadata.push_back({in.U64(), in.U64()});
        } else if (opcode == OP_CHUNK_INDEX) {
            McapUnit unit;
            unit.start = in.U64();
            unit.end = in.U64();
            unit.offset = in.U64();
            unit.length = in.U64();
            inData = unit.offset >= MAGIC_SIZE && unit.offset <= summaryStart && unit.length <= summaryStart - unit.offset;
            if (inData && in.Ok())
                m_units.push_back(unit);
        }
        if (!in.Ok() || !inData) {
            NoteProblem(std::string("the summary's ") + (opcode == OP_CHUNK_INDEX ? "chunk index" : "record") +
                        At(summaryStart + offset) + " is damaged");
            return false;
        }
    }
    if (walker.Malformed()) {
        NoteProblem("the summary is damaged");
        return false;
    }
    // Messages outside chunks are in no index: only a scan finds them.
    if (m_units.empty() && mayHoldMessages)
        return false;
    for (const MetadataPlace& place : metadata) {
        if (!ReadMetadataAt(place.offset, place.length, summaryStart))
            return false;
    }
    std::stable_sort(m_units.begin(), m_units.end(),
                     [](const McapUnit& a, const McapUnit& b) { return a.start < b.start; });
    m_indexed = true;
    m_complete = true;
    return true;
}

bool McapReader::ReadMetadataAt(uint64_t offset, uint64_t length, uint64_t limit)
{
    McapMetadata metadata;
    if (offset >= MAGIC_SIZE && offset <= limit && length <= limit - offset && length <= MCAP_MAX_RECORD_BYTES &&
        m_input->ReadAt(offset, length, m_record)) {
        ByteReader in(m_record);
        const uint8_t opcode = in.U8();
        const std::span<const uint8_t> content = in.Bytes(in.U64());
        if (opcode == OP_METADATA && in.Ok() && in.Remaining() == 0 && ParseMetadata(content, metadata)) {
            m_metadata.push_back(std::move(metadata));
            return true;
        }
    }
    NoteProblem("the metadata record" + At(offset) + " is damaged");
    return false;
}

// Every record from the start, in order, up to the data section's end or the first record that
// is cut off or damaged. Chunks are decompressed on the way: they may hold schemas and channels.
void McapReader::Scan()
{
    const uint64_t size = m_input->Size();
    uint64_t offset = MAGIC_SIZE;
    uint32_t crc = static_cast<uint32_t>(crc32_z(0, MAGIC, MAGIC_SIZE));
    bool crcKnown = true;
    while (size - offset >= RECORD_PREFIX && m_input->ReadAt(offset, RECORD_PREFIX, m_record)) {
        ByteReader prefix(m_record);
        const uint8_t opcode = prefix.U8();
        const uint64_t length = prefix.U64();
        if (length > size - offset - RECORD_PREFIX)
            return;  // cut off inside this record
        if (opcode == OP_DATA_END || opcode == OP_FOOTER) {
            if (opcode == OP_DATA_END && length >= 4 && crcKnown && m_input->ReadAt(offset + RECORD_PREFIX, 4, m_record)) {
                const uint32_t stored = ByteReader(m_record).U32();
                if (stored != 0 && stored != crc)
                    NoteProblem("the data section's CRC does not match");
            }
            m_complete = true;
            return;
        }
        if (length > MCAP_MAX_RECORD_BYTES) {
            // Too large to take whole (an attachment): stepped over, so the data CRC is unknown.
            crcKnown = false;
        } else {
            if (!m_input->ReadAt(offset, RECORD_PREFIX + length, m_record))
                return;
            crc = static_cast<uint32_t>(crc32_z(crc, m_record.data(), m_record.size()));
            if (!ScanRecord(opcode, offset, std::span<const uint8_t>(m_record).subspan(RECORD_PREFIX)))
                return;
        }
        offset += RECORD_PREFIX + length;
    }
}

bool McapReader::ScanRecord(uint8_t opcode, uint64_t offset, std::span<const uint8_t> content)
{
    switch (opcode) {
    case OP_SCHEMA:
        TakeSchema(content, offset);
        break;
    case OP_CHANNEL:
        TakeChannel(content, offset);
        break;
    case OP_MESSAGE: {
        McapMessage message;
        if (ParseMessage(content, message))
            m_units.push_back({offset, RECORD_PREFIX + content.size(), message.logTime, message.logTime});
        break;
    }
    case OP_METADATA: {
        McapMetadata metadata;
        if (ParseMetadata(content, metadata))
            m_metadata.push_back(std::move(metadata));
        else
            NoteProblem("the metadata record" + At(offset) + " is damaged");
        break;
    }
    case OP_CHUNK:
        return ScanChunk(offset, RECORD_PREFIX + content.size(), content);
    default:
        break;
    }
    return true;
}

bool McapReader::ScanChunk(uint64_t offset, uint64_t length, std::span<const uint8_t> content)
{
    McapChunkHeader chunk;
    std::string problem;
    if (!ParseChunkHeader(content, chunk))
        problem = "its header is damaged";
    else
        problem = ChunkRecords(chunk, *m_decompressor, m_chunk);
    if (!problem.empty()) {
        NoteProblem("the chunk" + At(offset) + " is damaged: " + problem);
        return false;
    }
    RecordWalker walker(m_chunk);
    uint8_t opcode = 0;
    std::span<const uint8_t> inner;
    size_t innerOffset = 0;
    McapUnit unit{offset, length, UINT64_MAX, 0};
    while (walker.Next(opcode, inner, innerOffset)) {
        McapMessage message;
        if (opcode == OP_SCHEMA)
            TakeSchema(inner, offset);
        else if (opcode == OP_CHANNEL)
            TakeChannel(inner, offset);
        else if (opcode == OP_MESSAGE && ParseMessage(inner, message)) {
            unit.start = std::min(unit.start, message.logTime);
            unit.end = std::max(unit.end, message.logTime);
        }
    }
    if (walker.Malformed()) {
        NoteProblem("the chunk" + At(offset) + " is damaged: a record in it runs past its end");
        return false;
    }
    if (unit.start <= unit.end)
        m_units.push_back(unit);
    return true;
}

// The first record of an id counts; the format asks that repeats be identical. A schema of id 0
// is to be ignored.
void McapReader::TakeSchema(std::span<const uint8_t> content, uint64_t offset)
{
    McapSchema schema;
    if (ParseSchema(content, schema))
        m_schemas.try_emplace(schema.id, std::move(schema));
    else if (schema.id != 0)
        NoteProblem("the schema record" + At(offset) + " is damaged");
}

void McapReader::TakeChannel(std::span<const uint8_t> content, uint64_t offset)
{
    McapChannel channel;
    if (ParseChannel(content, channel))
        m_channels.try_emplace(channel.id, std::move(channel));
    else
        NoteProblem("the channel record" + At(offset) + " is damaged");
}
