// Simulated revolutions of protocols 0, 2 and 3 through the parsers: every sample arrives once,
// in order, in the revolution it closes or opens, however the bytes were split into reads.
#include <gtest/gtest.h>

#include <vector>

#include "StreamDecoding.h"
#include "protocols/Protocol2Encoder.h"
#include "protocols/Protocol3Encoder.h"
#include "run/SimulatedScanner.h"

namespace {

constexpr int32_t REVOLUTIONS = 7;

// Sample i of the stream carries distance i + 1, so a frame shows which samples it holds.
std::vector<uint8_t> Simulate(int32_t protocol, int32_t pointNum)
{
    return SimulatedStream(protocol, pointNum, REVOLUTIONS, [](int32_t i) { return static_cast<int16_t>(i + 1); });
}

// Frames are unbroken runs of the stream's samples, each following on from the one before.
void ExpectUnbrokenRuns(const std::vector<DecodedFrame>& frames)
{
    int32_t next = frames.empty() || frames[0].distance.empty() ? 0 : frames[0].distance[0];
    for (size_t f = 0; f < frames.size(); ++f) {
        for (int16_t distance : frames[f].distance) {
            ASSERT_EQ(distance, next) << "frame " << f;
            ++next;
        }
    }
}

class RoundTrip : public testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(RoundTrip, EveryRevolutionArrivesWholeAndInOrder)
{
    const auto [protocol, pointNum] = GetParam();
    const auto frames = DecodeStream(protocol, Simulate(protocol, pointNum), WHOLE_READS, pointNum);
    ExpectUnbrokenRuns(frames);
    // Protocols 2 and 3 close a revolution with the first sample past 0 degrees: the stream's
    // first frame differs by the samples before that crossing, and for protocol 2, whose
    // revolutions begin at 0 degrees, the last revolution stays open.
    const size_t expectedFrames = protocol == 2 ? REVOLUTIONS - 1 : REVOLUTIONS;
    ASSERT_EQ(frames.size(), expectedFrames);
    for (size_t f = 1; f < frames.size(); ++f) {
        EXPECT_EQ(frames[f].distance.size(), static_cast<size_t>(SamplesPerRevolution(protocol, pointNum)))
            << "frame " << f;
        if (protocol != 0) {
            EXPECT_LT(frames[f].angle.back(), 10.0f) << "frame " << f;
        }
    }
    EXPECT_EQ(frames[0].distance[0], 1);
}

TEST_P(RoundTrip, FramesDoNotDependOnHowTheBytesWereSplit)
{
    const auto [protocol, pointNum] = GetParam();
    const std::vector<uint8_t> bytes = Simulate(protocol, pointNum);
    const auto whole = DecodeStream(protocol, bytes, WHOLE_READS, pointNum);
    const ReadSplit splits[] = {{1, 1, 1}, {1, 7, 2}, {1, 100, 3}, {20, 700, 4}, {1, 4096, 5}, {4096, 4096, 6}};
    for (const ReadSplit& split : splits) {
        SCOPED_TRACE(testing::Message() << "reads of " << split.minRead << " to " << split.maxRead);
        const auto frames = DecodeStream(protocol, bytes, split, pointNum);
        ASSERT_EQ(frames.size(), whole.size());
        for (size_t f = 0; f < frames.size(); ++f) {
            EXPECT_EQ(frames[f].angle, whole[f].angle) << "frame " << f;
            EXPECT_EQ(frames[f].distance, whole[f].distance) << "frame " << f;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, RoundTrip,
                         testing::Values(std::pair{0, 30}, std::pair{0, 60}, std::pair{0, 200}, std::pair{2, 30},
                                         std::pair{3, 30}),
                         [](const auto& info) {
                             return "Protocol" + std::to_string(info.param.first) + "N" +
                                    std::to_string(info.param.second);
                         });

}  // namespace

namespace {

// The simulated scanner's revolutions, in any rotation speed and sample count: one frame each,
// with the samples the protocol's device sends per revolution.
TEST(SimulatedRevolutions, DecodeOneFramePerRevolution)
{
    for (int32_t protocol : {0, 2, 3}) {
        SCOPED_TRACE(testing::Message() << "protocol " << protocol);
        SimulatedScannerSettings settings;
        settings.protocol = protocol;
        settings.samplesPerPacket = 60;
        if (protocol == 2)
            settings.samplesPerSecond = PROTOCOL2_SAMPLES_PER_SECOND;  // coarse: 1.3 degrees apart
        if (protocol == 3)
            settings.revolutionsPerSecond = PROTOCOL3_REVOLUTIONS_PER_SECOND;
        SimulatedScanner scanner(settings);
        std::vector<uint8_t> bytes;
        std::vector<size_t> sent;
        for (int32_t r = 0; r < 20; ++r) {
            ASSERT_TRUE(scanner.NextRevolution());
            bytes.insert(bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
            sent.push_back(protocol == 2 ? static_cast<size_t>(scanner.SampleCount() / 8 * 8)
                                         : static_cast<size_t>(SamplesPerRevolution(protocol, 60)));
        }
        const auto frames = DecodeStream(protocol, bytes, {1, 4096, 3}, 60);
        // Protocol 2 closes a revolution with the first sample of the next one.
        ASSERT_EQ(frames.size(), protocol == 2 ? sent.size() - 1 : sent.size());
        for (size_t f = 1; f < frames.size(); ++f)
            EXPECT_EQ(frames[f].distance.size(), sent[f]) << "frame " << f;
    }
}

}  // namespace
