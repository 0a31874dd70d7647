// Protocol 3 packets as the parser reads them: angles from the index and speed bytes, distance
// words, and where a revolution ends.
#include <gtest/gtest.h>

#include <vector>

#include "StreamDecoding.h"
#include "protocols/Protocol3Encoder.h"

namespace {

std::vector<uint8_t> Packet(uint8_t index, uint8_t speed, uint16_t word = 1000)
{
    const uint16_t words[4] = {word, word, word, word};
    std::vector<uint8_t> bytes(PROTOCOL3_PACKET_BYTES);
    EncodeProtocol3Packet(bytes.data(), index, speed, words);
    return bytes;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> packets)
{
    std::vector<uint8_t> bytes;
    for (const auto& packet : packets)
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    return bytes;
}

TEST(Protocol3Packet, SampleAnglesFollowIndexAndSpeed)
{
    struct Case {
        uint8_t index;
        uint8_t speed;
        std::vector<float> angles;
    };
    const Case cases[] = {
        {0xA0, 75, {2.5f, 3.5f, 4.5f, 5.5f}},                          // 257 x b1, not 256 x b1
        {0xA0, 150, {2.5f, 4.5f, 6.5f, 8.5f}},
        {0xF9, 75, {359.890625f, 0.890625f, 1.890625f, 2.890625f}},      // wraps past 360
        {0xF9, 0, {359.890625f, 359.890625f, 359.890625f, 359.890625f}},
        {0xC8, 75, {163.125f, 164.125f, 165.125f, 166.125f}},
        {0x9F, 75, {0.0f, 0.0f, 0.484375f, 1.484375f}},                // below 0: stored as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << int(c.index) << " speed " << int(c.speed));
        EXPECT_EQ(AllAngles(DecodeStream(3, Packet(c.index, c.speed), WHOLE_READS)), c.angles);
    }
}

TEST(Protocol3Packet, CrossingInsideAPacketEndsTheFrameAtThatSample)
{
    // 359.890625 then 0.890625: the frame ends with the wrapped sample; the two after it open the next.
    const auto frames = DecodeStream(3, Packet(0xF9, 75), WHOLE_READS);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].angle, (std::vector<float>{359.890625f, 0.890625f}));
    EXPECT_EQ(PendingSamples().angle, (std::vector<float>{1.890625f, 2.890625f}));
}

TEST(Protocol3Packet, DistanceWordsKeepTheirSignExceptTheNoReturnWord)
{
    struct Case {
        uint16_t word;
        int16_t distance;
    };
    const Case cases[] = {{0x8020, 0}, {0x8021, -32735}, {0x7FFF, 32767}, {0x0000, 0}, {0x03E8, 1000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "word " << c.word);
        DecodeStream(3, Packet(0xA0, 75, c.word), WHOLE_READS);
        EXPECT_EQ(PendingSamples().distance, std::vector<int16_t>(4, c.distance));
    }
}

TEST(Protocol3Packet, NegativeAngleSampleIsEmptyButStillClosesTheRevolution)
{
    // Four samples at 359.89 degrees, then a packet that starts at -1.515625 degrees.
    const auto frames = DecodeStream(3, Join({Packet(0xF9, 0), Packet(0x9F, 75, 500)}), WHOLE_READS);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].angle.size(), 5u);
    EXPECT_EQ(frames[0].angle[4], 0.0f);
    EXPECT_EQ(frames[0].distance[4], 0);
    EXPECT_EQ(PendingSamples().angle, (std::vector<float>{0.0f, 0.484375f, 1.484375f}));
    EXPECT_EQ(PendingSamples().distance, (std::vector<int16_t>{0, 500, 500}));
}

TEST(Protocol3Packet, OnlyAWrapFromAbove350ToBelow10EndsAFrame)
{
    struct Case {
        uint8_t before;  // all four samples at this packet's start angle
        uint8_t after;
        bool ends;
    };
    const Case cases[] = {
        {0xF6, 0xA0, false},  // 347.84 -> 2.5: not above 350
        {0xF7, 0xA0, true},   // 351.86 -> 2.5
        {0xF9, 0xA1, true},   // 359.89 -> 6.52
        {0xF9, 0xA2, false},  // 359.89 -> 10.53: not below 10
        {0xA0, 0xF9, false},  // forwards over 350 is no wrap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.before) << " -> " << int(c.after));
        const auto frames = DecodeStream(3, Join({Packet(c.before, 0), Packet(c.after, 0)}), WHOLE_READS);
        EXPECT_EQ(frames.size(), c.ends ? 1u : 0u);
        if (c.ends) {
            EXPECT_EQ(frames[0].angle.size(), 5u);  // the crossing sample is the last entry
        }
    }
}

TEST(Protocol3Packet, ReadsOnAfterAFrameThatEndedWithAPacket)
{
    // The wrap falls on the last sample of the fourth packet, with five bytes of the read left
    // over beyond the packet buffer: the next call must still read on.
    const auto bytes = Join({Packet(0xA0, 0), Packet(0xA0, 0), Packet(0xA0, 0), Packet(0xF9, 3), Packet(0xA1, 0),
                             Packet(0xA2, 0), Packet(0xF9, 0), Packet(0xA0, 0)});
    const auto frames = DecodeStream(3, bytes, {105, 105, 1});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].angle.size(), 16u);
    EXPECT_EQ(frames[1].angle.size(), 13u);
}

TEST(Protocol3Packet, GarbageBeforeAStartByteIsSkipped)
{
    std::vector<uint8_t> bytes = {0x00, 0x11, 0x22, 0x33, 0x44};
    const auto packet = Packet(0xA0, 75, 1234);
    bytes.insert(bytes.end(), packet.begin(), packet.end());
    DecodeStream(3, bytes, WHOLE_READS);
    EXPECT_EQ(PendingSamples().distance, std::vector<int16_t>(4, 1234));
}

TEST(Protocol3Packet, AFrameWithoutAWrapStartsOverAt370Entries)
{
    std::vector<uint8_t> bytes;
    for (int p = 0; p < 94; ++p) {  // 376 samples, all at 163.125 degrees
        const auto packet = Packet(0xC8, 0, static_cast<uint16_t>(p));
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    }
    DecodeStream(3, bytes, WHOLE_READS);
    EXPECT_EQ(PendingSamples().distance, std::vector<int16_t>(4, 93));
}

}  // namespace
