// Protocol-1 packets whose exact bytes or exact sample values are the point.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "StreamDecoding.h"
#include "acquisition/LinkHealth.h"
#include "acquisition/SharedState.h"
#include "protocols/Protocol1Encoder.h"

namespace {

const ScanSample CLOSING_SAMPLE{359.0f, 1234, 0};

struct PacketCase {
    const char* what;
    std::vector<uint8_t> bytes;
    std::vector<ScanSample> expected;  // samples stored; empty: the packet is rejected
};

// The stream: the packet under test, then a zero packet closing the revolution.
std::vector<DecodedFrame> DecodeBeforeZeroPacket(const std::vector<uint8_t>& packet)
{
    std::vector<uint8_t> stream = packet;
    Append(stream, ZeroPacket(CLOSING_SAMPLE));
    Append(stream, Filler());
    return DecodeStream(1, stream, Reads(50));
}

}  // namespace

TEST(Protocol1Packet, CheckBytesDecideWhichDataPacketsAreStored)
{
    const std::vector<PacketCase> cases = {
        {"one sample, word 0x0FA3",
         {0xAA, 0x55, 0x00, 0x01, 0x01, 0x2D, 0x01, 0x2D, 0x09, 0x5B, 0xA3, 0x0F},
         {{90.0078125f, 1000, 3}}},
        {"three samples over two degrees",
         {0xAA, 0x55, 0x00, 0x03, 0x01, 0x0A, 0x01, 0x0B, 0x49, 0x47, 0xA0, 0x0F, 0x41, 0x1F, 0x02, 0x00},
         {{20.0078125f, 1000, 0}, {21.0078125f, 2000, 1}, {22.0078125f, 0, 2}}},
        {"arc from above 360 to 1 degree",
         {0xAA, 0x55, 0x00, 0x02, 0x01, 0xB4, 0x81, 0x00, 0xD1, 0x1C, 0xFF, 0xFF, 0x04, 0x00},
         {{0.0078125f, 16383, 3}, {1.0078125f, 1, 0}}},
        {"low check byte off by one bit",
         {0xAA, 0x55, 0x00, 0x01, 0x01, 0x2D, 0x01, 0x2D, 0x08, 0x5B, 0xA3, 0x0F}, {}},
        {"high check byte off by one bit",
         {0xAA, 0x55, 0x00, 0x03, 0x01, 0x0A, 0x01, 0x0B, 0x49, 0x46, 0xA0, 0x0F, 0x41, 0x1F, 0x02, 0x00}, {}},
        {"sample word changed after the check",
         {0xAA, 0x55, 0x00, 0x02, 0x01, 0xB4, 0x81, 0x00, 0xD1, 0x1C, 0xFF, 0xFF, 0x05, 0x00}, {}},
        {"start angle with bit 0 clear (check bytes adjusted)",
         {0xAA, 0x55, 0x00, 0x01, 0x00, 0x2D, 0x01, 0x2D, 0x08, 0x5B, 0xA3, 0x0F}, {}},
    };
    for (const PacketCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<DecodedFrame> decoded = DecodeBeforeZeroPacket(c.bytes);
        ASSERT_EQ(decoded.size(), 1u);
        const DecodedFrame& frame = decoded[0];
        ASSERT_EQ(frame.distance.size(), c.expected.size() + 1);
        for (size_t k = 0; k < c.expected.size(); ++k) {
            EXPECT_FLOAT_EQ(frame.angle[k], c.expected[k].angle) << "sample " << k;
            EXPECT_EQ(frame.distance[k], c.expected[k].distance) << "sample " << k;
            EXPECT_EQ(frame.lowBits[k], c.expected[k].lowBits) << "sample " << k;
        }
        EXPECT_EQ(frame.distance.back(), CLOSING_SAMPLE.distance);
    }
}

TEST(Protocol1Packet, EncoderWritesTheSameBytesAsTheDevice)
{
    EXPECT_EQ(DataPacket({{90.0f, 1000, 3}}),
              (std::vector<uint8_t>{0xAA, 0x55, 0x00, 0x01, 0x01, 0x2D, 0x01, 0x2D, 0x09, 0x5B, 0xA3, 0x0F}));
    EXPECT_EQ(DataPacket({{20.0f, 1000, 0}, {21.0f, 2000, 1}, {22.0f, 0, 2}}),
              (std::vector<uint8_t>{0xAA, 0x55, 0x00, 0x03, 0x01, 0x0A, 0x01, 0x0B, 0x49, 0x47, 0xA0, 0x0F,
                                    0x41, 0x1F, 0x02, 0x00}));
    EXPECT_EQ(ZeroPacket({0.0f, 1000, 3}),
              (std::vector<uint8_t>{0xAA, 0x55, 0x01, 0x01, 0x01, 0x00, 0x01, 0x00, 0x08, 0x5B, 0xA3, 0x0F}));
}

TEST(Protocol1Packet, ArcAcross360WrapsOnceAndKeepsExactly360)
{
    // 350.0078125 .. 9.9921875 in five samples: the third lands exactly on 360.
    const std::vector<ScanSample> samples = {{350.0078125f, 100, 0}, {355.0f, 101, 0}, {360.0f, 102, 0},
                                             {5.0f, 103, 0},        {9.9921875f, 104, 0}};
    const std::vector<DecodedFrame> decoded = DecodeBeforeZeroPacket(DataPacket(samples));
    ASSERT_EQ(decoded.size(), 1u);
    const std::vector<float> expected = {350.0078125f, 355.00390625f, 360.0f, 4.99609375f, 9.9921875f};
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(decoded[0].angle[k], expected[k]) << "sample " << k;
}

TEST(Protocol1Packet, ZeroPacketAloneMakesAFrameOfOneSample)
{
    std::vector<uint8_t> stream = ZeroPacket({180.0f, 2500, 0});
    Append(stream, Filler());
    const std::vector<DecodedFrame> decoded = DecodeStream(1, stream, Reads(50));
    ASSERT_EQ(decoded.size(), 1u);
    ASSERT_EQ(decoded[0].distance.size(), 1u);
    EXPECT_EQ(decoded[0].distance[0], 2500);
    EXPECT_FLOAT_EQ(decoded[0].angle[0], 180.0078125f);
    EXPECT_EQ(decoded[0].validSamples, 1);
}

TEST(Protocol1Packet, BadCheckBytesSkipADataPacketButDropTheRevolutionAtAZeroPacket)
{
    const auto first = EvenSamples(10, 0.0f, 1.0f, 1000);
    const auto second = EvenSamples(10, 20.0f, 1.0f, 2000);
    const auto third = EvenSamples(10, 40.0f, 1.0f, 3000);

    std::vector<uint8_t> badData = DataPacket(second);
    badData[9] ^= 0x10;
    std::vector<uint8_t> stream = DataPacket(first);
    Append(stream, badData);
    Append(stream, DataPacket(third));
    Append(stream, ZeroPacket(CLOSING_SAMPLE));
    Append(stream, Filler());
    std::vector<DecodedFrame> decoded = DecodeStream(1, stream, Reads(50));
    ASSERT_EQ(decoded.size(), 1u);
    ASSERT_EQ(decoded[0].distance.size(), 21u);
    EXPECT_EQ(decoded[0].distance[9], 1000);
    EXPECT_EQ(decoded[0].distance[10], 3000);

    std::vector<uint8_t> badZero = ZeroPacket({10.0f, 555, 0});
    badZero[8] ^= 0x01;
    stream = DataPacket(first);
    Append(stream, badZero);
    Append(stream, DataPacket(third));
    Append(stream, ZeroPacket(CLOSING_SAMPLE));
    Append(stream, Filler());
    decoded = DecodeStream(1, stream, Reads(50));
    ASSERT_EQ(decoded.size(), 1u);
    ASSERT_EQ(decoded[0].distance.size(), 11u);
    EXPECT_EQ(decoded[0].distance[0], 3000);
    EXPECT_EQ(decoded[0].validSamples, 11);
}

// 0x00, a packet of 208 bytes, and the next header's 0xAA as the 210th byte of the buffer.
TEST(Protocol1Packet, HeaderCutAfterItsFirstByteKeepsTheRevolution)
{
    const auto first = EvenSamples(99, 0.0f, 1.0f, 1000);
    const auto second = EvenSamples(50, 100.0f, 1.0f, 2000);
    std::vector<uint8_t> stream = {0x00};
    Append(stream, DataPacket(first));
    Append(stream, DataPacket(second));
    Append(stream, ZeroPacket(CLOSING_SAMPLE));
    Append(stream, Filler());
    ASSERT_EQ(stream[209], 0xAA);
    for (int32_t chunk : {1, 50, 210}) {
        SCOPED_TRACE(chunk);
        const std::vector<DecodedFrame> decoded = DecodeStream(1, stream, Reads(chunk));
        ASSERT_EQ(decoded.size(), 1u);
        const DecodedFrame& frame = decoded[0];
        ASSERT_EQ(frame.distance.size(), 99u + 50u + 1u);
        EXPECT_EQ(frame.distance[0], 1000);
        EXPECT_EQ(frame.distance[99], 2000);
        EXPECT_FLOAT_EQ(frame.angle[99], 100.0078125f);
    }
}

// The input ends with a header's two bytes; behind them the buffer still holds the bytes of a
// zero packet seen earlier. Those must neither close a revolution nor be dropped as if held
// (which took the fill count below zero, so that the next read wrote in front of the buffer).
TEST(Protocol1Packet, HeaderLeftAtTheEndOfInputIsNotCompletedFromOldBytes)
{
    for (const bool checkMatches : {true, false}) {
        SCOPED_TRACE(checkMatches ? "old zero packet with a matching check" : "old zero packet with a wrong check");
        // A zero packet without its header, so that no scan takes it for one while it is held.
        std::vector<uint8_t> stream = ZeroPacket(CLOSING_SAMPLE);
        stream[0] = stream[1] = 0x00;
        stream[8] ^= checkMatches ? 0x00 : 0x01;
        Append(stream, Filler(10));
        Append(stream, {0xAA, 0x55});
        EXPECT_TRUE(DecodeStream(1, stream, WHOLE_READS).empty());
        EXPECT_EQ(ReadLinkHealth().skipped, 22);
    }
}

TEST(Protocol1Packet, BufferWithoutAFurtherHeaderDropsTheRevolution)
{
    std::vector<uint8_t> stream = DataPacket(EvenSamples(99, 0.0f, 1.0f, 1000));
    Append(stream, Filler(200));
    Append(stream, DataPacket(EvenSamples(5, 200.0f, 1.0f, 2000)));
    Append(stream, ZeroPacket(CLOSING_SAMPLE));
    Append(stream, Filler());
    const std::vector<DecodedFrame> decoded = DecodeStream(1, stream, Reads(50));
    ASSERT_EQ(decoded.size(), 1u);
    ASSERT_EQ(decoded[0].distance.size(), 6u);
    EXPECT_EQ(decoded[0].distance[0], 2000);
}

TEST(Protocol1Packet, RevolutionThatNeverClosesStartsOverInsteadOfRunningPastTheFrame)
{
    constexpr int32_t packets = 200;  // 19800 samples, more than the frame holds
    std::vector<uint8_t> stream;
    for (int32_t p = 0; p < packets; ++p)
        Append(stream, DataPacket(EvenSamples(99, 0.0f, 0.01f, static_cast<int16_t>(p + 1))));
    Append(stream, ZeroPacket(CLOSING_SAMPLE));
    Append(stream, Filler());
    const std::vector<DecodedFrame> decoded = DecodeStream(1, stream, Reads(50));
    ASSERT_EQ(decoded.size(), 1u);
    const DecodedFrame& frame = decoded[0];
    // Writing went back to 0 at sample 16000 (packet 161, sample 61) and kept the rest.
    ASSERT_EQ(frame.distance.size(), static_cast<size_t>(packets * 99 - SCAN_CAPACITY + 1));
    EXPECT_EQ(frame.distance[0], 162);
    EXPECT_EQ(frame.distance[37], 162);
    EXPECT_EQ(frame.distance[38], 163);
    EXPECT_EQ(frame.distance.back(), CLOSING_SAMPLE.distance);
}
