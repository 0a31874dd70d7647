// A recording cut off at any byte (a killed program, a full disk, a copy interrupted) reads up
// to the cut: every chunk that is whole before it, nothing of the one it falls in, no damage
// reported; from the data section's end on it is complete.
#include <gtest/gtest.h>

#include <memory>

#include "McapTestSupport.h"
#include "tests/support/ScratchDirectory.h"

namespace {

constexpr uint64_t SECOND = 1'000'000'000;

TEST(McapCutFile, EveryCutReadsTheWholeChunksBeforeIt)
{
    ScratchDirectory scratch;
    // Ten messages a second, so ten to a chunk; 35 messages make chunks of 10, 10, 10 and 5.
    std::vector<StoredMessage> written;
    for (uint32_t i = 0; i < 35; ++i)
        written.push_back(TestMessage(1 + i % 2, i, 5 * SECOND + i * SECOND / 10, 40));
    for (const McapCompression compression : {McapCompression::None, McapCompression::Zstd, McapCompression::Lz4}) {
        SCOPED_TRACE(static_cast<int>(compression));
        McapWriterOptions options;
        options.compression = compression;
        {
            McapWriter writer;
            WriteTestRecording(writer, scratch / "whole.mcap", options, written, 2);
            ASSERT_TRUE(writer.Close());
        }
        const std::vector<uint8_t> whole = ReadFileBytes(scratch / "whole.mcap");
        std::vector<uint64_t> chunkEnds;
        uint64_t dataEnd = 0;
        for (const TopRecord& record : TopRecords(whole)) {
            if (record.opcode == 0x06)
                chunkEnds.push_back(record.offset + record.length);
            if (record.opcode == 0x0F)
                dataEnd = record.offset + record.length;
        }
        ASSERT_EQ(chunkEnds.size(), 4u);
        ASSERT_GT(dataEnd, 0u);

        for (size_t cut = 0; cut <= whole.size(); ++cut) {
            SCOPED_TRACE(cut);
            McapReader reader;
            const std::span<const uint8_t> kept(whole.data(), cut);
            if (!reader.Open(std::make_unique<McapMemoryInput>(kept))) {
                ASSERT_LT(cut, 8u) << reader.Error();
                continue;
            }
            size_t chunks = 0;
            while (chunks < chunkEnds.size() && chunkEnds[chunks] <= cut)
                ++chunks;
            const size_t readable = std::min<size_t>(10 * chunks, written.size());
            ASSERT_EQ(ReadMessages(reader), std::vector<StoredMessage>(written.begin(), written.begin() + readable));
            ASSERT_EQ(reader.Problem(), "");
            ASSERT_EQ(reader.Complete(), cut >= dataEnd);
            ASSERT_EQ(reader.Indexed(), cut == whole.size());
            if (chunks > 0) {
                ASSERT_EQ(reader.Channels().size(), 2u);
            }
        }
    }
}

}  // namespace
