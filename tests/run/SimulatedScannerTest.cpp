// The simulated scanner: a believable room, the same one for the same seed, at a pace a serial
// line can carry.
#include <gtest/gtest.h>

#include <vector>

#include "run/SimulatedScanner.h"

namespace {

std::vector<uint8_t> StreamOf(uint32_t seed, int32_t revolutions)
{
    SimulatedScannerSettings settings;
    settings.seed = seed;
    SimulatedScanner scanner(settings);
    std::vector<uint8_t> bytes;
    for (int32_t r = 0; r < revolutions; ++r) {
        scanner.NextRevolution();
        bytes.insert(bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    return bytes;
}

}  // namespace

TEST(SimulatedScanner, SameSeedSameStreamOtherSeedOtherStream)
{
    EXPECT_EQ(StreamOf(5, 3), StreamOf(5, 3));
    EXPECT_NE(StreamOf(5, 3), StreamOf(6, 3));
}

TEST(SimulatedScanner, RevolutionsLookLikeARoomSeenOnceAround)
{
    SimulatedScanner scanner(SimulatedScannerSettings{});
    int32_t samples = 0;
    int32_t dropouts = 0;
    for (int32_t r = 0; r < 20; ++r) {
        ASSERT_TRUE(scanner.NextRevolution());
        EXPECT_NEAR(scanner.RevolutionsPerSecond(), 7.0f, 0.3f);
        const ScanSample* s = scanner.Samples();
        ASSERT_GT(scanner.SampleCount(), 400);
        EXPECT_GE(s[0].angle, 0.0f);
        EXPECT_LT(s[scanner.SampleCount() - 1].angle, 360.0f);
        for (int32_t k = 0; k < scanner.SampleCount(); ++k) {
            if (k > 0) {
                ASSERT_GT(s[k].angle, s[k - 1].angle);
            }
            ASSERT_GE(s[k].distance, 0);
            ASSERT_LT(s[k].distance, 8000);  // the room's far corner lies about 7.3 m away
            dropouts += s[k].distance == 0;
        }
        samples += scanner.SampleCount();
    }
    EXPECT_GT(dropouts, samples / 100);   // random dropouts and the doorway
    EXPECT_LT(dropouts, samples / 5);
}

// The bytes of one revolution must fit into the time it takes, or a live line falls behind.
TEST(SimulatedScanner, StreamFitsTheLineOfTheSlowestModel)
{
    SimulatedScanner scanner(SimulatedScannerSettings{});
    for (int32_t r = 0; r < 20; ++r) {
        scanner.NextRevolution();
        EXPECT_LT(scanner.ByteCount() * scanner.RevolutionsPerSecond(), SimulatedScanner::BytesPerSecond(115200));
    }
}
