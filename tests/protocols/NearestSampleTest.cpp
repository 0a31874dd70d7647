// The fixed-geometry encoders take the sample nearest to the angle they send, across 0 degrees too.
#include <gtest/gtest.h>

#include "protocols/NearestSample.h"

namespace {

TEST(NearestSample, PicksTheClosestSampleAroundTheCircle)
{
    const ScanSample samples[] = {{1.0f, 10, 0}, {90.0f, 20, 0}, {180.0f, 30, 0}, {350.0f, 40, 0}};
    const Revolution revolution{samples, 4, 7.0f};
    struct Case {
        float degrees;
        int16_t distance;
    };
    const Case cases[] = {{0.0f, 10},   {359.5f, 10}, {355.0f, 40}, {45.4f, 10},
                          {46.0f, 20},  {170.0f, 30}, {200.0f, 30}, {270.0f, 40}};
    for (const Case& c : cases)
        EXPECT_EQ(NearestDistance(revolution, c.degrees), c.distance) << c.degrees;
    EXPECT_EQ(NearestDistance(Revolution{samples, 0, 7.0f}, 10.0f), 0);
}

}  // namespace
