#include "mcap/McapMessageStream.h"

#include <algorithm>

#include "mcap/ByteReader.h"
#include "mcap/McapFormat.h"
#include "mcap/McapParse.h"

using namespace mcap_format;

McapMessageStream::McapMessageStream(McapInput& input, std::span<const McapUnit> units, std::vector<bool> wanted)
    : m_input(&input), m_units(units), m_wanted(std::move(wanted)), m_decompressor(std::make_unique<ChunkDecompressor>())
{
}

McapMessageStream::~McapMessageStream() = default;

bool McapMessageStream::Next(McapMessage& message)
{
    if (!m_error.empty())
        return false;
    ReleaseFinished();
    for (;;) {
        Loaded* earliest = Earliest();
        // A unit that starts no later than the earliest message waiting may hold an earlier one.
        if (m_nextUnit < m_units.size() &&
            (earliest == nullptr || m_units[m_nextUnit].start <= earliest->entries[earliest->next].logTime)) {
            if (!Load(m_nextUnit++))
                return false;
            continue;
        }
        if (earliest == nullptr)
            return false;
        const Entry& entry = earliest->entries[earliest->next++];
        ByteReader record(std::span<const uint8_t>(earliest->records).subspan(entry.offset));
        record.U8();
        ParseMessage(record.Bytes(record.U64()), message);
        return true;
    }
}

// The loaded unit whose next message comes first; on equal times the unit earlier in the file.
McapMessageStream::Loaded* McapMessageStream::Earliest()
{
    Loaded* earliest = nullptr;
    for (const auto& loaded : m_loaded) {
        if (loaded->next == loaded->entries.size())
            continue;
        const uint64_t time = loaded->entries[loaded->next].logTime;
        if (earliest == nullptr || time < earliest->entries[earliest->next].logTime ||
            (time == earliest->entries[earliest->next].logTime && loaded->unit < earliest->unit))
            earliest = loaded.get();
    }
    return earliest;
}

void McapMessageStream::ReleaseFinished()
{
    for (size_t i = 0; i < m_loaded.size();) {
        if (m_loaded[i]->next < m_loaded[i]->entries.size()) {
            ++i;
            continue;
        }
        m_loadedBytes -= m_loaded[i]->records.size();
        m_spare.push_back(std::move(m_loaded[i]));
        m_loaded.erase(m_loaded.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

bool McapMessageStream::Load(size_t unit)
{
    const McapUnit& where = m_units[unit];
    if (where.length < RECORD_PREFIX || where.length > MCAP_MAX_RECORD_BYTES ||
        !m_input->ReadAt(where.offset, where.length, m_record))
        return Fail("a chunk at offset " + std::to_string(where.offset) + " lies outside the file");
    std::unique_ptr<Loaded> loaded;
    if (m_spare.empty()) {
        loaded = std::make_unique<Loaded>();
    } else {
        loaded = std::move(m_spare.back());
        m_spare.pop_back();
    }
    loaded->unit = unit;
    loaded->next = 0;
    loaded->entries.clear();

    ByteReader record(m_record);
    const uint8_t opcode = record.U8();
    const std::span<const uint8_t> content = record.Bytes(record.U64());
    std::string problem;
    McapChunkHeader chunk;
    if (!record.Ok() || record.Remaining() != 0)
        problem = "its length does not match the index";
    else if (opcode == OP_MESSAGE)
        loaded->records.assign(m_record.begin(), m_record.end());
    else if (opcode != OP_CHUNK || !ParseChunkHeader(content, chunk))
        problem = "it is not a chunk";
    else
        problem = ChunkRecords(chunk, *m_decompressor, loaded->records);
    if (problem.empty() && !Index(*loaded))
        problem = "a record in it runs past its end";
    if (!problem.empty()) {
        m_spare.push_back(std::move(loaded));
        return Fail("the chunk at offset " + std::to_string(where.offset) + " is damaged: " + problem);
    }
    if (loaded->entries.empty()) {
        m_spare.push_back(std::move(loaded));
        return true;
    }
    m_loadedBytes += loaded->records.size();
    m_loaded.push_back(std::move(loaded));
    if (m_loadedBytes > MCAP_MAX_LOADED_BYTES)
        return Fail("too many chunks overlap in time to be read together");
    return true;
}

// The wanted messages among the loaded records, in log-time order.
bool McapMessageStream::Index(Loaded& loaded)
{
    RecordWalker walker(loaded.records);
    uint8_t opcode = 0;
    std::span<const uint8_t> content;
    size_t offset = 0;
    while (walker.Next(opcode, content, offset)) {
        ByteReader message(content);
        const uint16_t channel = message.U16();
        message.U32();
        const uint64_t logTime = message.U64();
        if (opcode == OP_MESSAGE && content.size() >= MESSAGE_FIXED && m_wanted[channel])
            loaded.entries.push_back({logTime, offset});
    }
    std::sort(loaded.entries.begin(), loaded.entries.end());
    return !walker.Malformed();
}

bool McapMessageStream::Fail(const std::string& reason)
{
    if (m_error.empty())
        m_error = reason;
    return false;
}
