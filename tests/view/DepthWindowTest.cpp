// The running depth statistics as plain logic: mean, population spread, ring wrap-around, resets.
#include <gtest/gtest.h>

#include <vector>

#include "view/DepthWindow.h"

TEST(DepthWindowTest, MeanAndPopulationSpreadOfTheLastNReadouts)
{
    const struct {
        int n;
        std::vector<int16_t> depths;
        bool full;
        float mean, spread;
    } cases[] = {
        {1, {1234}, true, 1234.0f, 0.0f},
        {3, {500, 600, 700}, true, 600.0f, 81.6497f},
        {4, {1000, 1000, 3000, 3000}, true, 2000.0f, 1000.0f},
        {3, {9000, 9000, 500, 600, 700}, true, 600.0f, 81.6497f},  // the oldest two are overwritten
        {20, {500, 600, 700}, false, 90.0f, 216.5641f},  // empty entries count as 0 until full
        {2, {-100, 100}, true, 0.0f, 100.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "N=" << c.n << " first " << c.depths.front());
        DepthWindow window;
        window.ResetIfChanged(10, 20, c.n);
        for (int16_t depth : c.depths)
            window.Add(depth);
        EXPECT_EQ(window.Full(), c.full);
        EXPECT_EQ(window.Size(), c.n);
        EXPECT_NEAR(window.MeanMm(), c.mean, 1e-3);
        EXPECT_NEAR(window.SpreadMm(), c.spread, 1e-3);
    }
}

TEST(DepthWindowTest, EmptiedOnlyWhenMarkerOrNChanges)
{
    DepthWindow window;
    window.ResetIfChanged(5, 6, 2);
    window.Add(100);
    window.Add(300);
    window.ResetIfChanged(5, 6, 2);
    EXPECT_TRUE(window.Full());
    EXPECT_FLOAT_EQ(window.MeanMm(), 200.0f);

    const struct {
        int x, y, n;
    } changes[] = {{7, 6, 2}, {5, 9, 2}, {5, 6, 3}};
    for (const auto& change : changes) {
        DepthWindow moved = window;
        moved.ResetIfChanged(change.x, change.y, change.n);
        EXPECT_FALSE(moved.Full());
        EXPECT_FLOAT_EQ(moved.MeanMm(), 0.0f);
        moved.Add(50);
        EXPECT_EQ(moved.Full(), change.n == 1);
    }
}

// N comes from an edit box; a value outside 1..500 must not write past the ring.
TEST(DepthWindowTest, OutOfRangeNIsHeldWithinTheRing)
{
    const struct {
        int asked, used;
    } cases[] = {{0, 1}, {-4, 1}, {501, 500}, {100000, 500}};
    for (const auto& c : cases) {
        DepthWindow window;
        window.ResetIfChanged(1, 1, c.asked);
        EXPECT_EQ(window.Size(), c.used);
        for (int i = 0; i < c.used + 3; ++i)
            window.Add(250);
        EXPECT_TRUE(window.Full());
        EXPECT_FLOAT_EQ(window.MeanMm(), 250.0f);
        // The same out-of-range N again is no change: the readouts stay.
        window.ResetIfChanged(1, 1, c.asked);
        EXPECT_TRUE(window.Full());
    }
}
