// The grid: ring radii and labels, spokes and axis arrow of fixed length, origin placement.
#include <QPoint>

#include "ViewFixture.h"
#include "view/ViewGeometry.h"

namespace {

// Bright enough to be part of a white label, whatever the text antialiasing did at the edges.
int BrightPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 200 && c.green() > 200 && c.blue() > 200;
        }
    return count;
}

}  // namespace

TEST_F(ViewTest, DefaultRangeHasFiveRingsEvery40PixelsWithLabels)
{
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    const QImage& image = view.Surface();
    ASSERT_EQ(view.Origin(), QPoint(200, 200));
    EXPECT_DOUBLE_EQ(view.Scale(), 200.0);
    for (int k = 1; k <= 5; ++k) {
        const int r = 40 * k;
        SCOPED_TRACE(r);
        // Left and top crossings: no spoke passes there, only the ring.
        EXPECT_TRUE(ColourNear(image, 200 - r, 200, 1, GREY));
        EXPECT_TRUE(ColourNear(image, 200, 200 - r, 1, GREY));
        EXPECT_FALSE(ColourNear(image, 200 - r + 20, 200, 2, GREY));
        // The label starts 20 px left of the right-hand crossing and hangs below the axis.
        EXPECT_GT(BrightPixels(image, QRect(200 + r - 20, 201, 16, 14)), 3);
    }
    EXPECT_GT(BrightPixels(image, QRect(180, 201, 16, 14)), 3);  // "0m"
    EXPECT_EQ(BrightPixels(image, QRect(20, 201, 100, 14)), 0);  // nothing left of the origin
}

TEST(RingLabels, TwoDecimalsInTheSmallestRangeOneElsewhere)
{
    const struct {
        int index;
        const char* labels[5];
    } cases[] = {
        {0, {"0.04m", "0.08m", "0.12m", "0.16m", "0.20m"}},
        {1, {"0.1m", "0.2m", "0.3m", "0.4m", "0.5m"}},
        {2, {"0.2m", "0.4m", "0.6m", "0.8m", "1.0m"}},
        {5, {"1.2m", "2.4m", "3.6m", "4.8m", "6.0m"}},
        {7, {"2.0m", "4.0m", "6.0m", "8.0m", "10.0m"}},
        {8, {"3.6m", "7.2m", "10.8m", "14.4m", "18.0m"}},
    };
    for (const auto& c : cases)
        for (int k = 1; k <= 5; ++k)
            EXPECT_EQ(RingLabel(c.index, RingRadius(c.index, k)), c.labels[k - 1]) << c.index << " ring " << k;
}

TEST_F(ViewTest, OutermostRingTouchesTheEdgesAtEveryRange)
{
    for (int index = 0; index < RANGE_COUNT; ++index) {
        SCOPED_TRACE(index);
        view.SetRange(index, CImageCoord::Recentre, QPoint());
        EXPECT_TRUE(ColourNear(view.Surface(), 0, 200, 1, GREY));
        EXPECT_TRUE(ColourNear(view.Surface(), 200, 0, 1, GREY));
    }
}

TEST_F(ViewTest, SpokesAndArrowKeepTheirPixelLengthAtEveryRange)
{
    Resize(500, 700);  // spokes reach 270 px
    view.OnRButtonDown(view.Origin());
    view.OnMouseMove(QPoint(150, 250));  // origin to (150, 250): the arrow tip lands at x = 420
    view.OnRButtonUp();
    ASSERT_EQ(view.Origin(), QPoint(150, 250));
    const double down = 2 * 4 * 3.141592654 / 15;  // spoke 4, 96 degrees, pointing down the screen
    for (int index = 0; index < RANGE_COUNT; ++index) {
        SCOPED_TRACE(index);
        view.SetRange(index, CImageCoord::KeepOrigin, QPoint());
        const QImage& image = view.Surface();
        EXPECT_TRUE(IsColour(image, 420, 250, GREY));
        EXPECT_FALSE(ColourNear(image, 426, 250, 2, GREY));
        EXPECT_TRUE(ColourNear(image, 405, 245, 1, GREY));
        EXPECT_TRUE(ColourNear(image, 417, 251, 1, GREY));  // ring labels may cover the rest of this barb
        EXPECT_TRUE(ColourNear(image, int(150 + 270 * std::cos(down)), int(250 + 270 * std::sin(down)), 1, GREY));
        EXPECT_FALSE(ColourNear(image, int(150 + 285 * std::cos(down)), int(250 + 285 * std::sin(down)), 2, GREY));
    }
}

TEST_F(ViewTest, OriginFromTheWidthAtStartAndFromBothSidesWhenRecentred)
{
    const struct {
        int width, height;
        QPoint initial, recentred;
        double scale;
    } cases[] = {
        {400, 400, {200, 200}, {200, 200}, 200.0},
        {401, 401, {200, 200}, {200, 200}, 200.5},
        {400, 300, {200, 200}, {200, 150}, 200.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        CImageCoord fresh;
        fresh.resize(c.width, c.height);
        fresh.InitView();
        EXPECT_EQ(fresh.Origin(), c.initial);
        EXPECT_DOUBLE_EQ(fresh.Scale(), c.scale);
        fresh.SetRange(2, CImageCoord::Recentre, QPoint());
        EXPECT_EQ(fresh.Origin(), c.recentred);
        EXPECT_TRUE(ColourNear(fresh.Surface(), c.recentred.x() - 40, c.recentred.y(), 1, GREY));
    }
}
