#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "protocols/DeviceModel.h"
#include "messages/ScanConversion.h"
#include "run/SimulatedScanner.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr ScanShape SHAPE{360, 0.05f, 12.0f};
constexpr RevolutionTime TIME{1700000000250000000, 0.125};

struct Sample {
    float angle;
    int16_t distance;
};

std::unique_ptr<PointList> ListOf(const std::vector<Sample>& samples)
{
    auto list = std::make_unique<PointList>();
    list->count = static_cast<int32_t>(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        list->angle[i] = samples[i].angle;
        list->distance[i] = samples[i].distance;
    }
    return list;
}

double BinAngle(const LaserScan& scan, int bin)
{
    return scan.angleMin + bin * static_cast<double>(scan.angleIncrement);
}

LaserScan Converted(const PointList& list, int32_t protocol, const ScanShape& shape = SHAPE,
                    const RevolutionTime& time = TIME)
{
    LaserScan scan;
    RevolutionToLaserScan(list, protocol, time, shape, scan);
    return scan;
}

// Smallest difference of two angles in radians, across the +-pi seam.
double AngleApart(double a, double b)
{
    return std::fabs(std::remainder(a - b, 2.0 * PI));
}

TEST(ScanConversion, ScannerDegreesBecomeCounterClockwiseRadiansWithZeroForward)
{
    const struct {
        int32_t protocol;
        float degrees;
        double radians;
    } cases[] = {
        {1, 0.0f, 0.0},          {1, 90.0f, -PI / 2},   {1, 270.0f, PI / 2}, {1, 180.0f, PI},
        {1, 359.0f, PI / 180},   {1, 360.0f, 0.0},      {2, 45.0f, -PI / 4}, {3, 45.0f, -PI / 4},
        {0, 90.0f, PI / 2},      {0, 300.0f, -PI / 3},  {1, -30.0f, PI / 6}, {1, 750.0f, -PI / 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "protocol " << c.protocol << " at " << c.degrees << " deg");
        const LaserScan scan = Converted(*ListOf({{c.degrees, 1000}}), c.protocol);

        int hits = 0;
        for (int bin = 0; bin < SHAPE.bins; ++bin) {
            if (!std::isfinite(scan.ranges[bin]))
                continue;
            ++hits;
            EXPECT_LE(AngleApart(BinAngle(scan, bin), c.radians), std::fabs(scan.angleIncrement) / 2 + 1e-6);
        }
        EXPECT_EQ(hits, 1);
    }
}

TEST(ScanConversion, OneBinKeepsTheNearestReturnAndMarksSpecialOnes)
{
    const float none = INFINITY;
    const float tooClose = -INFINITY;
    const float erroneous = NAN;
    const struct {
        std::vector<int16_t> distances;  // all at the same angle
        float expected;
    } cases[] = {
        {{1500}, 1.5f},
        {{}, none},
        {{0}, none},
        {{-5}, erroneous},            // the device's error bit
        {{30}, tooClose},             // below range_min
        {{50}, 0.05f},                // exactly range_min is measured
        {{14000}, 14.0f},             // beyond range_max: sent as measured, the reader discards it
        {{2000, 1500, 1800}, 1.5f},
        {{0, 1500, 0}, 1.5f},
        {{-5, 1500}, 1.5f},
        {{0, -5}, erroneous},
        {{1500, 30}, tooClose},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.distances.size() << " samples, first "
                                        << (c.distances.empty() ? 0 : c.distances[0]));
        std::vector<Sample> samples;
        for (int16_t distance : c.distances)
            samples.push_back({90.2f, distance});
        const float range = Converted(*ListOf(samples), 1).ranges[90];  // 90 to 91 degrees
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(range)) << range;
        else if (std::isinf(c.expected))
            EXPECT_EQ(range, c.expected);
        else
            EXPECT_FLOAT_EQ(range, c.expected);
    }
}

TEST(ScanConversion, HeaderTimingAndGeometryOfTheMessage)
{
    const struct {
        int32_t bins;
        int64_t firstSample;
        int32_t sec;
        uint32_t nanosec;
    } cases[] = {
        // The stamp is half a bin (0.2 s / bins / 2) after the first sample.
        {360, 1700000000250000000, 1700000000, 250277778},
        {500, 1000000000, 1, 200000},
        {1, -200000001, -1, 899999999},
        {SCAN_CAPACITY, 999999999, 1, 6249},
    };
    const auto list = ListOf({{10.0f, 1000}, {20.0f, 0}, {30.0f, 2000}, {40.0f, 3000}});
    for (const auto& c : cases)
    for (const int32_t protocol : {0, 1}) {
        SCOPED_TRACE(testing::Message() << c.bins << " bins, protocol " << protocol);
        LaserScan scan;
        scan.frameId = "base_scan";
        RevolutionToLaserScan(*list, protocol, {c.firstSample, 0.2}, {c.bins, 0.05f, 12.0f}, scan);

        EXPECT_EQ(scan.stampSec, c.sec);
        EXPECT_EQ(scan.stampNanosec, c.nanosec);
        EXPECT_EQ(scan.frameId, "base_scan");
        EXPECT_FLOAT_EQ(scan.scanTime, 0.2f);
        EXPECT_FLOAT_EQ(scan.timeIncrement, 0.2f / c.bins);  // per range
        EXPECT_FLOAT_EQ(scan.rangeMin, 0.05f);
        EXPECT_FLOAT_EQ(scan.rangeMax, 12.0f);
        EXPECT_EQ(scan.ranges.size(), static_cast<size_t>(c.bins));
        EXPECT_TRUE(scan.intensities.empty());
        // Counter-clockwise angles grow, clockwise ones fall; ranges[0] lies half a step from 0.
        const double sign = protocol == 0 ? 1.0 : -1.0;
        EXPECT_NEAR(scan.angleIncrement * c.bins, sign * 2 * PI, 1e-5);
        EXPECT_FLOAT_EQ(scan.angleMin, scan.angleIncrement / 2);
        EXPECT_NEAR(scan.angleMax, scan.angleMin + (c.bins - 1) * static_cast<double>(scan.angleIncrement), 1e-5);
    }
}

// Every return of a simulated revolution lands in the bin of its direction, and every bin holds
// the nearest of the returns that fall into it.
TEST(ScanConversion, SimulatedRevolutionBinsAgreeWithItsSamples)
{
    SimulatedScannerSettings settings;
    settings.samplesPerSecond = 3600 * 4;  // more samples than bins, so bins are shared
    SimulatedScanner scanner(settings);
    ASSERT_TRUE(scanner.NextRevolution());
    std::vector<Sample> samples;
    for (int32_t i = 0; i < scanner.SampleCount(); ++i)
        samples.push_back({scanner.Samples()[i].angle, scanner.Samples()[i].distance});
    const LaserScan scan = Converted(*ListOf(samples), 1, ModelScanShape(g_ModelTR20_A));
    const int bins = static_cast<int>(scan.ranges.size());
    std::vector<float> nearest(static_cast<size_t>(bins), INFINITY);
    for (const Sample& sample : samples) {
        if (sample.distance <= 0)
            continue;
        const double direction = -sample.angle * PI / 180.0;
        for (int bin = 0; bin < bins; ++bin) {
            if (AngleApart(BinAngle(scan, bin), direction) <= std::fabs(scan.angleIncrement) / 2 * (1 + 1e-6))
                nearest[bin] = std::min(nearest[bin], sample.distance / 1000.0f);
        }
    }
    int measured = 0;
    for (int bin = 0; bin < bins; ++bin) {
        SCOPED_TRACE(testing::Message() << "bin " << bin);
        const float range = scan.ranges[bin];
        if (std::isinf(nearest[bin])) {
            EXPECT_TRUE(std::isinf(range) && range > 0) << range;
        } else {
            ++measured;
            EXPECT_FLOAT_EQ(range, nearest[bin]);
        }
    }
    EXPECT_GT(measured, bins * 9 / 10);
}

// What the subscriber draws: a received scan back in the point list's angles and millimetres.
TEST(ScanConversion, ReceivedScanBecomesThePointListItCameFrom)
{
    for (int32_t protocol : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "protocol " << protocol);
        std::vector<Sample> samples;
        for (int degree = 0; degree < 360; ++degree)
            samples.push_back({degree + 0.5f, static_cast<int16_t>(degree % 7 == 0 ? 0 : 500 + 10 * degree)});
        auto list = std::make_unique<PointList>();
        ASSERT_TRUE(LaserScanToPointList(Converted(*ListOf(samples), protocol), protocol, *list));

        ASSERT_EQ(list->count, 360);
        std::vector<int> seen(360, 0);
        for (int i = 0; i < list->count; ++i) {
            const int degree = static_cast<int>(std::floor(list->angle[i])) % 360;
            EXPECT_NEAR(list->angle[i], degree + 0.5, 1e-3) << i;
            EXPECT_EQ(list->distance[i], samples[degree].distance) << "at " << degree;
            ++seen[degree];
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 360);
    }
}

TEST(ScanConversion, ReceivedRangesTheViewCannotShowAreNotDrawn)
{
    const struct {
        float range;
        int16_t expected;
    } cases[] = {
        {1.2344f, 1234}, {32.767f, 32767}, {0.02f, 20},
        {INFINITY, 0},   {-INFINITY, 0},   {NAN, 0},
        {0.01f, 0},      // below range_min
        {45.0f, 0},      // beyond range_max
        {35.0f, 0},      // within it, but beyond what a list entry holds
        {0.0f, 0},
    };
    LaserScan scan;
    for (const auto& c : cases)
        scan.ranges.push_back(c.range);
    scan.angleIncrement = 0.1f;
    scan.rangeMin = 0.02f;
    scan.rangeMax = 40.0f;
    auto list = std::make_unique<PointList>();

    ASSERT_TRUE(LaserScanToPointList(scan, 0, *list));

    ASSERT_EQ(list->count, static_cast<int32_t>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(list->distance[i], cases[i].expected) << "range " << cases[i].range;
}

// Each ray at stamp + i x time_increment is the time the scanner measured it, for scanners
// turning either way: a scanner that turns at an even pace measures the direction a degrees past
// its 0 mark a / 360 of a revolution after the revolution's first sample.
TEST(ScanConversion, EachRayIsStampedWithTheTimeItWasMeasured)
{
    const int64_t firstSample = 1700000000000000000;
    const double revolution = 0.144;
    for (const int32_t protocol : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "protocol " << protocol);
        std::vector<Sample> samples;
        for (int j = 0; j < 3600; ++j)  // distances tell the samples apart: 1000 + j mm
            samples.push_back({j * 0.1f, static_cast<int16_t>(1000 + j)});
        const LaserScan scan = Converted(*ListOf(samples), protocol, SHAPE, {firstSample, revolution});

        const double stamp = (scan.stampSec - 1700000000) + scan.stampNanosec * 1e-9;
        const double halfBin = revolution / SHAPE.bins / 2;
        for (int i = 0; i < SHAPE.bins; ++i) {
            const int j = static_cast<int>(std::lround(scan.ranges[i] * 1000)) - 1000;
            ASSERT_TRUE(j >= 0 && j < 3600) << "ray " << i << ": " << scan.ranges[i];
            const double measured = samples[j].angle / 360.0 * revolution;
            EXPECT_NEAR(stamp + i * static_cast<double>(scan.timeIncrement), measured, halfBin + 1e-6) << "ray " << i;
        }
    }
}

// A scan of more ranges than the point list holds is drawn whole: neighbours share an entry,
// which keeps the nearest of them where it was measured.
TEST(ScanConversion, ReceivedScanLargerThanTheListIsBinnedDownWhole)
{
    LaserScan scan;
    scan.ranges.assign(100000, 5.0f);
    scan.angleIncrement = static_cast<float>(2 * PI / 100000);
    scan.rangeMin = 0.1f;
    scan.rangeMax = 20.0f;
    for (size_t near : {size_t{3}, size_t{50001}, size_t{99999}})
        scan.ranges[near] = 1.0f;
    auto list = std::make_unique<PointList>();

    ASSERT_TRUE(LaserScanToPointList(scan, 0, *list));

    ASSERT_EQ(list->count, 14286);  // 100000 in groups of 7
    EXPECT_LT(list->angle[0], 0.05);
    EXPECT_GT(list->angle[list->count - 1], 359.9);  // the whole turn, not a wedge
    std::vector<float> nearAngles;
    for (int32_t i = 0; i < list->count; ++i) {
        if (list->distance[i] == 1000)
            nearAngles.push_back(list->angle[i]);
        else
            EXPECT_EQ(list->distance[i], 5000) << i;
    }
    ASSERT_EQ(nearAngles.size(), 3u);
    EXPECT_NEAR(nearAngles[0], 3 * 360.0 / 100000, 1e-4);
    EXPECT_NEAR(nearAngles[1], 50001 * 360.0 / 100000, 1e-3);
    EXPECT_NEAR(nearAngles[2], 99999 * 360.0 / 100000, 1e-3);
}

TEST(ScanConversion, ReceivedScanWithoutFiniteAnglesIsRefused)
{
    const struct {
        float angleMin;
        float angleIncrement;
    } cases[] = {{NAN, 0.01f}, {INFINITY, 0.01f}, {0.0f, NAN}, {0.0f, -INFINITY}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angleMin << " + i x " << c.angleIncrement);
        LaserScan scan;
        scan.ranges.assign(2600, 1.0f);
        scan.angleMin = c.angleMin;
        scan.angleIncrement = c.angleIncrement;
        scan.rangeMax = 10.0f;
        auto list = std::make_unique<PointList>();
        list->count = 5;
        EXPECT_FALSE(LaserScanToPointList(scan, 1, *list));
        EXPECT_EQ(list->count, 0);
    }
}

}  // namespace
