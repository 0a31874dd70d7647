// Damaged streams for protocols 0, 2 and 3: random garbage, flipped bits and cut-off packets
// must never stop the parsers, end a frame outside the record or write beyond it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "StreamDecoding.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "run/Pipeline.h"

namespace {

std::vector<uint8_t> Revolutions(int32_t protocol, int32_t count, std::mt19937& random)
{
    std::uniform_int_distribution<int32_t> distance(-32768, 32767);
    return SimulatedStream(protocol, 200, count, [&](int32_t) { return static_cast<int16_t>(distance(random)); });
}

// flag and lowBits lie behind angle and distance and no parser of these protocols writes them.
void ExpectNothingWrittenBehindTheRecord()
{
    EXPECT_EQ(std::count(std::begin(g_ScanFrame.flag), std::end(g_ScanFrame.flag), 0), SCAN_CAPACITY);
    EXPECT_EQ(std::count(std::begin(g_ScanFrame.lowBits), std::end(g_ScanFrame.lowBits), 0), SCAN_CAPACITY);
}

class CorruptStream : public testing::TestWithParam<int32_t> {};

TEST_P(CorruptStream, RandomGarbage)
{
    const int32_t protocol = GetParam();
    std::mt19937 random(11);
    for (uint8_t bias : {0x00, 0x55, 0xAA, 0xFA}) {
        // Garbage rich in header bytes finds the most false packets.
        std::vector<uint8_t> bytes(60000);
        std::uniform_int_distribution<int32_t> byte(0, 255);
        for (uint8_t& b : bytes)
            b = byte(random) < 96 ? bias : static_cast<uint8_t>(byte(random));
        DecodeStream(protocol, bytes, {1, 4096, static_cast<uint32_t>(random())}, 200);
        ExpectNothingWrittenBehindTheRecord();
    }
}

TEST_P(CorruptStream, FlippedBitsAndCutPackets)
{
    const int32_t protocol = GetParam();
    std::mt19937 random(23);
    for (int32_t round = 0; round < 8; ++round) {
        std::vector<uint8_t> bytes = Revolutions(protocol, 4, random);
        std::uniform_int_distribution<size_t> position(0, bytes.size() - 1);
        for (int32_t flips = 0; flips < 40; ++flips)
            bytes[position(random)] ^= static_cast<uint8_t>(1u << (random() % 8));
        for (int32_t cuts = 0; cuts < 10; ++cuts) {
            const size_t at = position(random) % bytes.size();
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + random() % 50)));
        }
        bytes.resize(bytes.size() - random() % 30);  // the stream itself ends inside a packet
        const auto frames = DecodeStream(protocol, bytes, {1, 4096, static_cast<uint32_t>(random())}, 200);
        EXPECT_FALSE(frames.empty());  // most of the stream is intact
        ExpectNothingWrittenBehindTheRecord();
    }
}

TEST_P(CorruptStream, PointNumberOutsideItsRangeStaysSafe)
{
    const int32_t protocol = GetParam();
    std::mt19937 random(5);
    const std::vector<uint8_t> bytes = Revolutions(protocol, 2, random);
    for (int32_t pointNum : {-5, 0, 1, 19, 201, 100000}) {
        SCOPED_TRACE(pointNum);
        DecodeStream(protocol, bytes, {1, 4096, 9}, pointNum);
        ExpectNothingWrittenBehindTheRecord();
    }
}

TEST(CorruptStreamResume, PacketResumedAfterAnotherParserLeftTheIndexHighStaysInside)
{
    for (int32_t protocol : {2, 3}) {
        SCOPED_TRACE(testing::Message() << "protocol " << protocol);
        // The first wrap falls inside a packet: the frame returns with samples of it pending.
        const auto bytes = SimulatedStream(protocol, 30, 2, [](int32_t) { return int16_t{500}; });
        StartStream(protocol, 30);
        auto port = std::make_unique<CSerialPort>();
        SplitReadSource source(bytes, 1 << 20, 1 << 20, 1);
        port->AttachSource(&source);
        ASSERT_EQ(ParseNextFrame(*port), ParseResult::Frame);
        g_nFrameIndex = SCAN_CAPACITY - 1;  // as a protocol-1 stream may leave it before a switch back
        static_cast<void>(ParseNextFrame(*port));  // whatever it completes, the index stays inside
        EXPECT_LT(g_nFrameIndex, SCAN_CAPACITY);
        ExpectNothingWrittenBehindTheRecord();
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, CorruptStream, testing::Values(0, 2, 3),
                         [](const auto& info) { return "Protocol" + std::to_string(info.param); });

}  // namespace
