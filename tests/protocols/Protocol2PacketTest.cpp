// Protocol 2 packets as the parser reads them: the check value, angles from the angle words,
// and where a revolution ends.
#include <gtest/gtest.h>

#include <vector>

#include "StreamDecoding.h"
#include "protocols/Protocol2Encoder.h"

namespace {

constexpr int32_t PACKET = 36;

std::vector<uint8_t> Packet(uint16_t startWord, uint16_t endWord, int16_t distance = 1000)
{
    int16_t distances[8];
    for (int16_t& d : distances)
        d = distance;
    std::vector<uint8_t> bytes(PACKET);
    EncodeProtocol2Packet(bytes.data(), startWord, endWord, distances);
    return bytes;
}

// All eight samples at one angle.
std::vector<uint8_t> PacketAt(float degrees, int16_t distance = 1000)
{
    const uint16_t word = Protocol2AngleWord(degrees);
    return Packet(word, word, distance);
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> packets)
{
    std::vector<uint8_t> bytes;
    for (const auto& packet : packets)
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    return bytes;
}

TEST(Protocol2Packet, CheckWordOfTheAllZeroPacket)
{
    const auto packet = Packet(0, 0, 0);
    EXPECT_EQ(packet[34], 0xAD);
    EXPECT_EQ(packet[35], 0x5C);
    DecodeStream(2, packet, WHOLE_READS);
    EXPECT_EQ(PendingSamples().distance.size(), 8u);  // the parser accepts it
}

TEST(Protocol2Packet, SampleAnglesSpreadEvenlyBetweenStartAndEnd)
{
    struct Case {
        uint16_t start;
        uint16_t end;
        std::vector<float> angles;
    };
    const Case cases[] = {
        {0xA040, 0xA200, {1, 2, 3, 4, 5, 6, 7, 8}},
        {0xA000, 0xA1C0, {0, 1, 2, 3, 4, 5, 6, 7}},
        // Crosses 360: exactly 360 stays, above it wraps.
        {Protocol2AngleWord(359), Protocol2AngleWord(6), {359, 360, 1, 2, 3, 4, 5, 6}},
        {0xFA00, 0xFA00, {360, 360, 360, 360, 360, 360, 360, 360}},
        // Below 0xA000 the angle is negative: stored as 0.
        {0x9FC0, 0x9FC0, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.start << " .. " << c.end);
        EXPECT_EQ(AllAngles(DecodeStream(2, Packet(c.start, c.end), WHOLE_READS)), c.angles);
    }
}

TEST(Protocol2Packet, DistanceWordsKeepTheirSign)
{
    struct Case {
        int16_t distance;
    };
    for (const Case c : {Case{-32735}, Case{0x7FFF}, Case{0}, Case{1000}}) {
        DecodeStream(2, PacketAt(90, c.distance), WHOLE_READS);
        EXPECT_EQ(PendingSamples().distance, std::vector<int16_t>(8, c.distance));
    }
}

TEST(Protocol2Packet, ABadPacketIsSkippedAndTheNextOneFound)
{
    struct Case {
        int32_t byte;
        uint8_t mask;
    };
    const Case cases[] = {{34, 0x01}, {35, 0x40}, {20, 0x80}, {6, 0x02}, {2, 0x01}, {3, 0x10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "byte " << c.byte << " mask " << int(c.mask));
        auto bad = PacketAt(200, 2);
        bad[c.byte] ^= c.mask;
        DecodeStream(2, Join({PacketAt(100, 1), bad, PacketAt(300, 3)}), WHOLE_READS);
        std::vector<int16_t> expected(8, 1);
        expected.insert(expected.end(), 8, 3);
        EXPECT_EQ(PendingSamples().distance, expected);
    }
}

TEST(Protocol2Packet, OnlyAWrapFromAbove350ToBelow10EndsAFrame)
{
    struct Case {
        float before;
        float after;
        bool ends;
    };
    const Case cases[] = {
        {350.0f, 0.0f, false},       // not above 350
        {350.015625f, 0.0f, true},
        {359.0f, 9.984375f, true},
        {359.0f, 10.0f, false},      // not below 10
        {100.0f, 0.0f, false},
        {0.0f, 355.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " -> " << c.after);
        const auto frames = DecodeStream(2, Join({PacketAt(c.before), PacketAt(c.after)}), WHOLE_READS);
        ASSERT_EQ(frames.size(), c.ends ? 1u : 0u);
        if (c.ends) {
            EXPECT_EQ(frames[0].angle.size(), 9u);  // the crossing sample is the last entry
        }
    }
}

TEST(Protocol2Packet, CrossingInsideAPacketLeavesItsLaterSamplesToTheNextFrame)
{
    const auto frames = DecodeStream(2, Join({PacketAt(355, 1), Packet(Protocol2AngleWord(357),
                                                                        Protocol2AngleWord(4), 2)}),
                                     WHOLE_READS);
    ASSERT_EQ(frames.size(), 1u);
    // 357, 358, 359, 360 and the crossing 1 degree close the frame; 2, 3, 4 open the next one.
    EXPECT_EQ(frames[0].angle.size(), 13u);
    EXPECT_EQ(frames[0].angle.front(), 355.0f);  // not overwritten by the next frame
    EXPECT_EQ(frames[0].angle.back(), 1.0f);
    EXPECT_EQ(PendingSamples().angle, (std::vector<float>{2, 3, 4}));
}

TEST(Protocol2Packet, AFrameWithoutAWrapStartsOverAt600Entries)
{
    std::vector<uint8_t> bytes;
    for (int16_t p = 0; p < 76; ++p) {  // 608 samples, all at 90 degrees
        const auto packet = PacketAt(90, p);
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    }
    DecodeStream(2, bytes, WHOLE_READS);
    EXPECT_EQ(PendingSamples().distance, std::vector<int16_t>(8, 75));
}

}  // namespace
