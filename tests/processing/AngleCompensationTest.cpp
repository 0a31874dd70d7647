#include <gtest/gtest.h>

#include <limits>

#include "acquisition/SharedState.h"
#include "processing/AngleCompensation.h"
#include "protocols/DeviceModel.h"

namespace {

enum { kNone = 0, kFormula = 1, kBins = 2 };

CompensationSettings Mode(int mode)
{
    return {mode, &g_ModelTR20_A, 0};
}

class AngleCompensationTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedState(); }

    // Leaves marks in the list as an earlier frame would.
    static void MarkList(int from, int to)
    {
        for (int i = from; i < to; ++i) {
            g_PointList.angle[i] = 1.5f;
            g_PointList.distance[i] = 77;
            g_PointList.flag[i] = 9;
            g_PointList.lowBits[i] = 3;
        }
    }
};

TEST_F(AngleCompensationTest, CorrectionByDistanceAndFormula)
{
    const struct {
        const DeviceModel* model;
        int formulaKind;
        int16_t distance;
        float expected;
    } cases[] = {
        {&g_ModelTR20_A, 0, 1000, -1.0555f}, {&g_ModelTR20_A, 0, 90, -12.0203f},
        {&g_ModelTR20_A, 0, 1, -98.9789f},   {&g_ModelTR20_A, 0, 32767, -0.0333f},
        {&g_ModelTR30_A, 1, 1000, 0.0050f},  {&g_ModelTR30_A, 1, 1, 1.3734f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.model->szName << " at " << c.distance << " mm");
        EXPECT_NEAR(AngleCorrection(*c.model, c.formulaKind, c.distance), c.expected, 6e-5f);
    }
}

TEST_F(AngleCompensationTest, FormulaModeCorrectsAndWrapsEachSampleInPlace)
{
    const struct {
        const DeviceModel* model;
        int formulaKind;
        float angle;
        int16_t distance;
        float expected;
    } cases[] = {
        {&g_ModelTR20_A, 0, 100.0f, 1000, 101.0555f},
        {&g_ModelTR20_A, 0, 359.5f, 1000, 0.5555f},  // past the full turn, wrapped once
        {&g_ModelTR30_E, 1, 100.0f, 1000, 99.9950f},
        {&g_ModelTR30_E, 1, 0.5f, 1, 359.1266f},     // below zero, wrapped once
        {&g_ModelTR20_A, 0, 370.0f, 0, 10.0f},       // no return: only wrapped
        {&g_ModelTR20_A, 0, -10.0f, -5, 350.0f},     // raw negative word: only wrapped
        {&g_ModelTR20_A, 0, 360.0f, 0, 360.0f},
        {&g_ModelTR20_A, 0, 0.0f, 0, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angle << " deg at " << c.distance << " mm");
        MarkList(0, 3);
        g_ScanFrame.count = 2;
        g_ScanFrame.angle[1] = c.angle;
        g_ScanFrame.distance[1] = c.distance;

        BuildPointList(g_ScanFrame, g_PointList, {kFormula, c.model, c.formulaKind});

        EXPECT_EQ(g_PointList.count, 2);
        EXPECT_NEAR(g_PointList.angle[1], c.expected, 1e-4f);
        EXPECT_EQ(g_PointList.distance[1], c.distance);
        EXPECT_EQ(g_PointList.flag[1], 0);
        EXPECT_EQ(g_PointList.lowBits[1], 3);
        EXPECT_EQ(g_PointList.distance[2], 77);  // beyond the count: left from before
    }
}

TEST_F(AngleCompensationTest, BinModeSortsIntoFiveHundredBinsOfNominalAngle)
{
    MarkList(0, 600);
    const struct {
        float angle;
        int16_t distance;
    } samples[] = {
        {98.9445f, 1000},  // corrected to 100.0
        {359.8f, 0},       // bin 500, beyond the count
        {10.0f, 1000},     // two samples in bin 15: the later one stays
        {10.1f, 1001},
    };
    g_ScanFrame.count = 4;
    for (int i = 0; i < 4; ++i) {
        g_ScanFrame.angle[i] = samples[i].angle;
        g_ScanFrame.distance[i] = samples[i].distance;
    }

    BuildPointList(g_ScanFrame, g_PointList, Mode(kBins));

    EXPECT_EQ(g_PointList.count, 500);
    EXPECT_FLOAT_EQ(g_PointList.angle[139], 100.08f);
    EXPECT_EQ(g_PointList.distance[139], 1000);
    EXPECT_FLOAT_EQ(g_PointList.angle[500], 360.0f);
    EXPECT_EQ(g_PointList.distance[500], 0);
    EXPECT_EQ(g_PointList.distance[15], 1001);
    EXPECT_EQ(g_PointList.angle[14], 0.0f);  // bins no sample reached are cleared
    EXPECT_EQ(g_PointList.distance[14], 0);
    EXPECT_EQ(g_PointList.flag[14], 9);      // flags and the entries from 501 on are left alone
    EXPECT_EQ(g_PointList.distance[501], 77);
}

// Angles far outside the turn must not move a bin index off the arrays (it would land in the
// flag and lowBits arrays that follow); such samples are dropped, the others still sorted.
TEST_F(AngleCompensationTest, BinModeDropsSamplesWhoseBinLiesOutsideTheList)
{
    MarkList(0, SCAN_CAPACITY);
    const float angles[] = {-1000.0f, 12000.0f, 1.0e6f, -1.0e6f, std::numeric_limits<float>::quiet_NaN(), 36.0f};
    g_ScanFrame.count = 6;
    for (int i = 0; i < 6; ++i) {
        g_ScanFrame.angle[i] = angles[i];
        g_ScanFrame.distance[i] = 0;
    }

    BuildPointList(g_ScanFrame, g_PointList, Mode(kBins));

    EXPECT_EQ(g_PointList.count, 500);
    EXPECT_FLOAT_EQ(g_PointList.angle[50], 36.0f);
    for (int i = 0; i < SCAN_CAPACITY; ++i) {
        ASSERT_EQ(g_PointList.flag[i], 9) << i;
        ASSERT_EQ(g_PointList.lowBits[i], 3) << i;
    }
}

// Counts per mode: no samples, a mode value outside the three, and a count beyond the arrays.
TEST_F(AngleCompensationTest, CountOfTheListPerMode)
{
    const struct {
        int mode;
        int sourceCount;
        int expectedCount;
        float expectedAngle0;
    } cases[] = {
        {kNone, 0, 0, 1.5f},   {kFormula, 0, 42, 1.5f},  {kBins, 0, 42, 0.0f},
        {-1, 3, 3, 100.0f},    {3, 3, 3, 100.0f},        {7, 3, 3, 100.0f},
        {kNone, SCAN_CAPACITY + 1, SCAN_CAPACITY, 100.0f},
        {kFormula, SCAN_CAPACITY + 5, SCAN_CAPACITY, 101.0555f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.sourceCount << " samples");
        ResetSharedState();
        MarkList(0, 500);
        g_PointList.count = 42;
        g_ScanFrame.count = c.sourceCount;
        g_ScanFrame.angle[0] = 100.0f;
        g_ScanFrame.distance[0] = 1000;

        BuildPointList(g_ScanFrame, g_PointList, Mode(c.mode));

        EXPECT_EQ(g_PointList.count, c.expectedCount);
        EXPECT_NEAR(g_PointList.angle[0], c.expectedAngle0, 1e-4f);
    }
}

}  // namespace
