// Recordings read back as written: every compression, several channels (one without a
// schema), metadata, messages out of time order across chunks; through the summary and by
// scanning; and a recording that is still open (as a killed program leaves it) read up to its
// last whole chunk, then finished into a complete file.
#include <gtest/gtest.h>

#include <filesystem>

#include "McapTestSupport.h"
#include "tests/support/ScratchDirectory.h"
#include "mcap/McapFinish.h"

namespace {

constexpr uint64_t SECOND = 1'000'000'000;
constexpr uint64_t START = 1'700'000'000 * SECOND;

// Three channels at 10 a second for 4 s; channel 2 sends some messages late (log times up to
// 1.5 s back), so chunks overlap in time; sizes from empty to larger than a chunk.
std::vector<StoredMessage> MixedMessages()
{
    std::vector<StoredMessage> messages;
    for (uint32_t i = 0; i < 40; ++i) {
        const uint64_t t = START + i * SECOND / 10;
        messages.push_back(TestMessage(1, i, t, 100 + i * 13));
        messages.push_back(TestMessage(2, i, i % 7 == 3 ? t - 3 * SECOND / 2 : t + 5, i == 17 ? 70000 : i % 5));
        if (i % 4 == 0)
            messages.push_back(TestMessage(3, i, t, 1));
    }
    return messages;
}

TEST(McapRoundTrip, EveryCompressionReadsBackThroughTheSummaryAndByScanning)
{
    ScratchDirectory scratch;
    const std::vector<StoredMessage> written = MixedMessages();
    const std::vector<StoredMessage> expected = InLogTimeOrder(written);
    for (const McapCompression compression : {McapCompression::None, McapCompression::Zstd, McapCompression::Lz4}) {
        SCOPED_TRACE(static_cast<int>(compression));
        const std::string path = scratch / "round.mcap";
        {
            McapWriter writer;
            McapWriterOptions options;
            options.compression = compression;
            options.chunkBytes = 16 * 1024;
            WriteTestRecording(writer, path, options, written, 3);
            ASSERT_TRUE(writer.Close()) << writer.Error();
        }
        for (const McapReader::Mode mode : {McapReader::Mode::Auto, McapReader::Mode::Scan}) {
            McapReader reader;
            ASSERT_TRUE(reader.Open(path, mode)) << reader.Error();
            EXPECT_EQ(reader.Indexed(), mode == McapReader::Mode::Auto);
            EXPECT_TRUE(reader.Complete());
            EXPECT_EQ(reader.Problem(), "");
            EXPECT_EQ(reader.Profile(), "ros2");
            EXPECT_EQ(reader.Library(), McapWriterOptions::DefaultLibrary());
            ASSERT_EQ(reader.Schemas().size(), 2u);
            EXPECT_EQ(reader.Schemas().at(2).name, "test_msgs/msg/Kind2");
            EXPECT_EQ(std::string(reader.Schemas().at(2).data.begin(), reader.Schemas().at(2).data.end()),
                      "uint8[] data # kind 2");
            ASSERT_EQ(reader.Channels().size(), 3u);
            EXPECT_EQ(reader.Channels().at(3).schemaId, 0);
            EXPECT_EQ(reader.Channels().at(3).messageEncoding, "x-bytes");
            EXPECT_EQ(reader.Channels().at(2).topic, "/topic2");
            EXPECT_EQ(reader.Channels().at(2).metadata.at("index"), "2");
            ASSERT_EQ(reader.Metadata().size(), 2u);
            EXPECT_EQ(reader.Metadata()[0].name, "plotwell");
            EXPECT_EQ(reader.Metadata()[0].entries.at("baud"), "230400");
            EXPECT_TRUE(reader.Metadata()[1].entries.empty());

            EXPECT_EQ(ReadMessages(reader), expected);
            std::vector<StoredMessage> onlyTwo;
            for (const StoredMessage& message : expected) {
                if (message.channelId == 2)
                    onlyTwo.push_back(message);
            }
            EXPECT_EQ(ReadMessages(reader, nullptr, {2}), onlyTwo);
        }
    }
    // Stopped before the first message: a file of definitions alone, complete.
    McapWriter writer;
    WriteTestRecording(writer, scratch / "empty.mcap", {}, {}, 2);
    ASSERT_TRUE(writer.Close());
    McapReader reader;
    ASSERT_TRUE(reader.Open(scratch / "empty.mcap")) << reader.Error();
    EXPECT_TRUE(reader.Indexed());
    EXPECT_EQ(reader.Channels().size(), 2u);
    EXPECT_TRUE(ReadMessages(reader).empty());
}

// What a killed program leaves: the chunks written so far and nothing after them. A chunk
// spans less than a second of log time, so at most that much is missing; finishing the file
// writes it again complete, under a new name.
TEST(McapRoundTrip, ARecordingStillOpenReadsUpToItsLastChunkAndFinishesComplete)
{
    ScratchDirectory scratch;
    std::vector<StoredMessage> written;
    for (uint32_t i = 0; i < 45; ++i)
        written.push_back(TestMessage(1 + i % 2, i, START + i * SECOND / 10, 3000));
    McapWriter writer;
    WriteTestRecording(writer, scratch / "open.mcap", {}, written, 2);

    McapReader reader;
    ASSERT_TRUE(reader.Open(scratch / "open.mcap")) << reader.Error();
    EXPECT_FALSE(reader.Indexed());
    EXPECT_FALSE(reader.Complete());
    EXPECT_EQ(reader.Problem(), "");
    EXPECT_EQ(reader.Channels().size(), 2u);
    const std::vector<StoredMessage> readable(written.begin(), written.begin() + 40);
    EXPECT_EQ(ReadMessages(reader), readable);

    const McapFinishResult refused = FinishMcapFile(scratch / "open.mcap", scratch / "open.mcap");
    EXPECT_FALSE(refused.finished);
    EXPECT_NE(refused.error.find("name of its own"), std::string::npos) << refused.error;
    const McapFinishResult missing = FinishMcapFile(scratch / "absent.mcap", scratch / "out.mcap");
    EXPECT_FALSE(missing.finished);
    EXPECT_NE(missing.error.find("No such file"), std::string::npos) << missing.error;

    const McapFinishResult finished = FinishMcapFile(scratch / "open.mcap", scratch / "finished.mcap", McapCompression::Lz4);
    ASSERT_TRUE(finished.finished) << finished.error;
    EXPECT_EQ(finished.messages, 40u);
    EXPECT_EQ(finished.problem, "");
    McapReader complete;
    ASSERT_TRUE(complete.Open(scratch / "finished.mcap")) << complete.Error();
    EXPECT_TRUE(complete.Indexed());
    EXPECT_EQ(complete.Profile(), "ros2");
    EXPECT_EQ(complete.Channels().at(2).topic, "/topic2");
    EXPECT_EQ(complete.Schemas().at(1).name, "test_msgs/msg/Kind1");
    EXPECT_EQ(complete.Metadata().size(), 2u);
    EXPECT_EQ(ReadMessages(complete), readable);

    ASSERT_TRUE(writer.Close()) << writer.Error();
    ASSERT_TRUE(reader.Open(scratch / "open.mcap")) << reader.Error();
    EXPECT_TRUE(reader.Indexed());
    EXPECT_EQ(ReadMessages(reader), written);
}

}  // namespace
