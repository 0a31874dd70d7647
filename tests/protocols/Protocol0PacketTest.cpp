// Protocol 0 sector packets as the parser reads them: sample placement inside the sector, the
// packet length that follows the point number, and which packets are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "StreamDecoding.h"
#include "acquisition/SharedState.h"
#include "protocols/Protocol0Encoder.h"

namespace {

std::vector<uint8_t> Packet(int32_t pointNum, Protocol0Sector placement, int16_t distance = 1000)
{
    const std::vector<int16_t> distances(256, distance);
    std::vector<uint8_t> bytes(static_cast<size_t>(Protocol0PacketBytes(pointNum)));
    EncodeProtocol0Packet(bytes.data(), pointNum, placement, distances.data());
    return bytes;
}

std::vector<DecodedFrame> DecodeWithPointNum(int32_t pointNum, const std::vector<uint8_t>& bytes)
{
    return DecodeStream(0, bytes, WHOLE_READS, pointNum);
}

TEST(Protocol0Packet, SamplesArePlacedInsideTheirSector)
{
    struct Case {
        int32_t pointNum;
        Protocol0Sector placement;
        size_t stored;
        float first;
        float last;
    };
    const Case cases[] = {
        {30, {14, 25, 0, 1}, 25, 336.0f, 360.0f},    // A = 0, B = 1: the whole sector, 1 degree apart
        {30, {14, 5, 4, 4}, 5, 342.0f, 354.0f},      // A = 4, B = 4: 6 to 18 degrees into it
        {20, {14, 30, 0, 1}, 20, 336.0f, 336.0f + 19 * 24.0f / 29},  // c above N: N stored
        {60, {14, 10, 0, 1}, 10, 336.0f, 360.0f},    // c below N: c stored
        {30, {14, 1, 4, 4}, 1, 342.0f, 342.0f},      // one sample sits at the first-sample position
        {30, {14, 0, 0, 1}, 1, 0.0f, 0.0f},          // nothing stored: the count is still 1
        {30, {14, 2, -2, 0}, 2, 324.0f, 360.0f},     // negative A lies before the sector start
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "N " << c.pointNum << " c " << int(c.placement.sampleCount) << " A "
                                        << c.placement.firstDivisor << " B " << c.placement.lastDivisor);
        const auto frames = DecodeWithPointNum(c.pointNum, Packet(c.pointNum, c.placement));
        ASSERT_EQ(frames.size(), 1u);
        ASSERT_EQ(frames[0].angle.size(), c.stored);
        EXPECT_FLOAT_EQ(frames[0].angle.front(), c.first);
        EXPECT_FLOAT_EQ(frames[0].angle.back(), c.last);
        for (float angle : frames[0].angle)
            EXPECT_TRUE(std::isfinite(angle));
    }
}

TEST(Protocol0Packet, SamplesOfTheWholeSectorLieOneDegreeApart)
{
    const auto frames = DecodeWithPointNum(30, Packet(30, {14, 25, 0, 1}));
    ASSERT_EQ(frames.size(), 1u);
    for (size_t k = 0; k < frames[0].angle.size(); ++k)
        EXPECT_FLOAT_EQ(frames[0].angle[k], 336.0f + static_cast<float>(k));
}

TEST(Protocol0Packet, PacketsThatDoNotFitAreSkipped)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    auto badTail = Packet(30, {3, 30, 0, 30}, 7);
    badTail[68] = 0xFB;  // 69 bytes for N = 30, tail at 68
    const Case cases[] = {
        {"sector 15", Packet(30, {15, 30, 0, 30}, 7)},
        {"sector 255", Packet(30, {255, 30, 0, 30}, 7)},
        {"tail", badTail},
        {"a packet of N = 29", Packet(29, {3, 29, 0, 29}, 7)},
        {"a packet of N = 31", Packet(31, {3, 31, 0, 31}, 7)},
        {"garbage", std::vector<uint8_t>(200, 0x55)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = c.bytes;
        const auto last = Packet(30, {14, 30, 0, 30}, 9);
        bytes.insert(bytes.end(), last.begin(), last.end());
        const auto frames = DecodeWithPointNum(30, bytes);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].distance, std::vector<int16_t>(30, 9));
    }
}

TEST(Protocol0Packet, DistanceWordsAreBigEndianAndSigned)
{
    const auto frames = DecodeWithPointNum(20, Packet(20, {14, 20, 0, 20}, -2));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].distance, std::vector<int16_t>(20, -2));
}

TEST(Protocol0Packet, AnEndlessFrameStartsOverInsteadOfRunningPastTheRecord)
{
    // 81 packets of 200 samples without the last sector: 16200 samples.
    std::vector<uint8_t> bytes;
    for (int p = 0; p < 81; ++p) {
        const auto packet = Packet(200, {static_cast<uint8_t>(p % 14), 200, 0, 200}, static_cast<int16_t>(p));
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    }
    const auto last = Packet(200, {14, 200, 0, 200}, 99);
    bytes.insert(bytes.end(), last.begin(), last.end());
    const auto frames = DecodeWithPointNum(200, bytes);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].distance.size(), 400u);  // the 200 beyond the capacity, then the last sector
    EXPECT_EQ(frames[0].distance.front(), 80);
    EXPECT_EQ(frames[0].distance.back(), 99);
    // The parser never writes flag or lowBits, which lie right behind angle and distance.
    EXPECT_EQ(std::count(std::begin(g_ScanFrame.flag), std::end(g_ScanFrame.flag), 0), SCAN_CAPACITY);
    EXPECT_EQ(std::count(std::begin(g_ScanFrame.lowBits), std::end(g_ScanFrame.lowBits), 0), SCAN_CAPACITY);
}

}  // namespace
