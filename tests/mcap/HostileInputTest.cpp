// Damaged and hostile recordings: every length checked against what the file holds, claimed
// sizes never allocated, CRCs checked, and what is still sound read. Each case damages one
// field of a sound recording and says what must be reported through the summary (Auto) and
// by scanning.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "McapTestSupport.h"
#include "tests/support/ScratchDirectory.h"

namespace {

constexpr uint64_t SECOND = 1'000'000'000;
constexpr uint8_t SCHEMA = 0x03, CHANNEL = 0x04, CHUNK = 0x06, CHUNK_INDEX = 0x08, DATA_END = 0x0F;

struct Recording {
    std::vector<uint8_t> bytes;
    std::vector<TopRecord> records;

    // The nth record (from 0) with this opcode: data section first, then the summary.
    const TopRecord& Find(uint8_t opcode, int nth = 0) const
    {
        for (const TopRecord& record : records) {
            if (record.opcode == opcode && nth-- == 0)
                return record;
        }
        throw std::runtime_error("no such record");
    }
    // Offset of a chunk's records field: after start, end, size, CRC and its compression name.
    size_t ChunkRecords(const TopRecord& chunk) const
    {
        return chunk.offset + 9 + 28 + ReadLittle(bytes, chunk.offset + 9 + 28, 4) + 4 + 8;
    }
    size_t FooterAt() const { return bytes.size() - 8 - 29; }
};

struct Case {
    const char* name;
    McapCompression compression;
    std::function<void(Recording&)> damage;
    // What Problem() or the message stream's error must say: "" nothing, nullptr anything.
    const char* throughSummary;
    const char* byScanning;
    size_t atLeast;  // messages still read either way
};

Recording SoundRecording(const std::string& path, McapCompression compression, const std::vector<StoredMessage>& messages)
{
    McapWriterOptions options;
    options.compression = compression;
    McapWriter writer;
    WriteTestRecording(writer, path, options, messages, 2);
    EXPECT_TRUE(writer.Close());
    Recording recording{ReadFileBytes(path), {}};
    recording.records = TopRecords(recording.bytes);
    return recording;
}

TEST(McapHostileInput, DamageIsReportedAndWhatIsSoundIsRead)
{
    const McapCompression NONE = McapCompression::None, ZSTD = McapCompression::Zstd, LZ4 = McapCompression::Lz4;
    // Chunk fields, counted from the record's start: start 9, end 17, size 25, CRC 33.
    const auto chunkField = [](int nth, size_t at, int size, std::function<uint64_t(uint64_t)> change) {
        return [=](Recording& r) {
            const size_t offset = r.Find(CHUNK, nth).offset + at;
            WriteLittle(r.bytes, offset, size, change(ReadLittle(r.bytes, offset, size)));
        };
    };
    // Inside an uncompressed chunk, with its CRC off so that the damage itself is met.
    const auto inChunk = [](int nth, size_t at, uint64_t value) {
        return [=](Recording& r) {
            const TopRecord& chunk = r.Find(CHUNK, nth);
            WriteLittle(r.bytes, chunk.offset + 33, 4, 0);
            WriteLittle(r.bytes, r.ChunkRecords(chunk) + at, 8, value);
        };
    };
    const std::vector<Case> cases = {
        {"a chunk claiming 2^62 bytes", ZSTD, chunkField(0, 25, 8, [](uint64_t) { return 1ull << 62; }), "larger than",
         "larger than", 0},
        {"a chunk claiming 100 MiB of an lz4 frame", LZ4, chunkField(1, 25, 8, [](uint64_t) { return 100ull << 20; }),
         "less than", "less than", 10},
        {"a zstd chunk claiming a byte too many", ZSTD, chunkField(0, 25, 8, [](uint64_t v) { return v + 1; }), "less than",
         "less than", 0},
        {"a zstd chunk claiming a byte too few", ZSTD, chunkField(0, 25, 8, [](uint64_t v) { return v - 1; }), "more than",
         "more than", 0},
        {"an lz4 chunk claiming a byte too few", LZ4, chunkField(1, 25, 8, [](uint64_t v) { return v - 1; }), "more than",
         "more than", 10},
        {"an uncompressed chunk claiming another size", NONE, chunkField(0, 25, 8, [](uint64_t v) { return v + 5; }),
         "size differs", "size differs", 0},
        {"a chunk's CRC", ZSTD, chunkField(1, 33, 4, [](uint64_t v) { return v ^ 1; }), "CRC does not match",
         "CRC does not match", 10},
        {"compressed bytes garbled", ZSTD,
         [](Recording& r) {
             const TopRecord& chunk = r.Find(CHUNK, 1);
             for (size_t i = r.ChunkRecords(chunk) + 4; i < chunk.offset + chunk.length; i += 3)
                 r.bytes[i] ^= 0x5A;
         },
         "damaged", "damaged", 10},
        {"an unknown compression", ZSTD, [](Recording& r) { r.bytes[r.Find(CHUNK, 0).offset + 9 + 28 + 4 + 3] = 'x'; },
         "unknown chunk compression 'zstx'", "unknown chunk compression 'zstx'", 0},
        {"a record inside a chunk running past its end", NONE, inChunk(1, 1, 1ull << 40), "runs past its end",
         "runs past its end", 10},
        {"a message record shorter than its fixed fields", NONE, inChunk(1, 1, 3), nullptr, nullptr, 10},
        {"a chunk's length far past the file's end", ZSTD,
         [](Recording& r) { WriteLittle(r.bytes, r.Find(CHUNK, 1).offset + 1, 8, 1ull << 63); },
         "does not match the index", "", 10},
        {"a channel's topic length past its record", ZSTD,
         [](Recording& r) { WriteLittle(r.bytes, r.Find(CHANNEL, 0).offset + 9 + 4, 4, 0xFFFFFFFF); }, "",
         "channel record at offset", 17},
        {"a schema's name length past its record", ZSTD,
         [](Recording& r) { WriteLittle(r.bytes, r.Find(SCHEMA, 0).offset + 9 + 2, 4, 0xFFFFFFF0); }, "",
         "schema record at offset", 35},
        {"the summary's CRC", ZSTD, [](Recording& r) { r.bytes[r.Find(CHUNK_INDEX).offset + 12] ^= 1; },
         "summary's CRC does not match", "", 35},
        {"the footer pointing past the end", ZSTD,
         [](Recording& r) { WriteLittle(r.bytes, r.FooterAt() + 9, 8, 1ull << 40); }, "footer points outside", "", 35},
        {"a chunk index pointing outside the data", ZSTD,
         [](Recording& r) {
             WriteLittle(r.bytes, r.FooterAt() + 25, 4, 0);  // no summary CRC, so the index itself is met
             WriteLittle(r.bytes, r.Find(CHUNK_INDEX).offset + 9 + 16, 8, 1ull << 50);
         },
         "summary's chunk index at offset", "", 35},
        {"the data section's CRC", ZSTD, [](Recording& r) { r.bytes[r.Find(DATA_END).offset + 9] ^= 1; }, "",
         "data section's CRC does not match", 35},
        {"a footer of the wrong length", ZSTD, [](Recording& r) { WriteLittle(r.bytes, r.FooterAt() + 1, 8, 21); }, "", "",
         35},
    };

    ScratchDirectory scratch;
    std::vector<StoredMessage> written;
    for (uint32_t i = 0; i < 35; ++i)
        written.push_back(TestMessage(1 + i % 2, i, 9 * SECOND + i * SECOND / 10, 50 + i));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recording recording = SoundRecording(scratch / "sound.mcap", c.compression, written);
        c.damage(recording);
        for (const McapReader::Mode mode : {McapReader::Mode::Auto, McapReader::Mode::Scan}) {
            SCOPED_TRACE(mode == McapReader::Mode::Auto ? "through the summary" : "by scanning");
            McapReader reader;
            ASSERT_TRUE(reader.Open(std::make_unique<McapMemoryInput>(recording.bytes), mode)) << reader.Error();
            std::string streamError;
            const std::vector<StoredMessage> read = ReadMessages(reader, &streamError);
            const char* expected = mode == McapReader::Mode::Auto ? c.throughSummary : c.byScanning;
            const std::string reported = reader.Problem() + streamError;
            if (expected != nullptr && *expected == '\0') {
                EXPECT_EQ(reported, "");
            } else if (expected != nullptr) {
                EXPECT_NE(reported.find(expected), std::string::npos) << reported;
            }
            EXPECT_GE(read.size(), c.atLeast);
            for (const StoredMessage& message : read)
                EXPECT_NE(std::find(written.begin(), written.end(), message), written.end()) << message.sequence;
        }
    }
}

TEST(McapHostileInput, WhatIsNotARecordingIsRefused)
{
    ScratchDirectory scratch;
    const std::vector<std::vector<uint8_t>> inputs = {
        {}, {0x89, 'M', 'C', 'A', 'P'}, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'},
        {0x89, 'M', 'C', 'A', 'P', '1', '\r', '\n', 0x01, 0, 0, 0, 0, 0, 0, 0, 0}};
    for (const std::vector<uint8_t>& input : inputs) {
        McapReader reader;
        EXPECT_FALSE(reader.Open(std::make_unique<McapMemoryInput>(input)));
        EXPECT_EQ(reader.Error(), "not an MCAP recording");
    }
    McapReader reader;
    EXPECT_FALSE(reader.Open(scratch / "absent.mcap"));
    EXPECT_NE(reader.Error().find("No such file"), std::string::npos) << reader.Error();
    EXPECT_FALSE(reader.Open(scratch.Path()));
    EXPECT_NE(reader.Error().find("not a file"), std::string::npos) << reader.Error();
}

}  // namespace
