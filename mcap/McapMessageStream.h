// The messages of chosen channels in log-time order, read a chunk at a time. Chunks whose time
// ranges overlap are read together and merged; messages with equal times keep the file's order.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "mcap/ChunkCompression.h"
#include "mcap/McapInput.h"
#include "mcap/McapRecords.h"

// A chunk record, or a message record outside any chunk, and the log times it spans.
struct McapUnit {
    uint64_t offset = 0;
    uint64_t length = 0;  // the whole record
    uint64_t start = 0;
    uint64_t end = 0;
};

// How much decompressed data may be held at once for chunks that overlap in time.
inline constexpr uint64_t MCAP_MAX_LOADED_BYTES = 512ull << 20;

class McapMessageStream {
public:
    // `wanted` has one flag per channel id; `units` are sorted by start time.
    McapMessageStream(McapInput& input, std::span<const McapUnit> units, std::vector<bool> wanted);
    McapMessageStream(McapMessageStream&&) = default;
    ~McapMessageStream();

    // The next message, valid until the next call; false at the end or on damage (Error()).
    bool Next(McapMessage& message);
    const std::string& Error() const { return m_error; }

private:
    struct Entry {
        uint64_t logTime;
        uint64_t offset;  // of the message record in `records`
        bool operator<(const Entry& other) const
        {
            return logTime != other.logTime ? logTime < other.logTime : offset < other.offset;
        }
    };
    struct Loaded {
        size_t unit = 0;
        std::vector<uint8_t> records;
        std::vector<Entry> entries;
        size_t next = 0;
    };

    Loaded* Earliest();
    bool Load(size_t unit);
    bool Index(Loaded& loaded);
    bool Fail(const std::string& reason);
    void ReleaseFinished();

    McapInput* m_input;
    std::span<const McapUnit> m_units;
    std::vector<bool> m_wanted;
    size_t m_nextUnit = 0;
    std::vector<std::unique_ptr<Loaded>> m_loaded;
    std::vector<std::unique_ptr<Loaded>> m_spare;
    std::vector<uint8_t> m_record;
    std::unique_ptr<ChunkDecompressor> m_decompressor;
    uint64_t m_loadedBytes = 0;
    std::string m_error;
};
