// The point pass: where a point lands, mirroring, and pixel identity of the fast ring stamping
// with QPainter's own ellipse.
#include <QPainter>
#include <cmath>
#include <limits>
#include <random>

#include "ViewFixture.h"
#include "view/RingStamp.h"
#include "view/ViewGeometry.h"

namespace {

// Centre of the box around all pixels of a colour; (-1, -1) when there are none.
QPointF CentreOf(const QImage& image, QColor colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                box = box.united(QRect(x, y, 1, 1));
    return box.isNull() ? QPointF(-1, -1) : QRectF(box).center();
}

QPen PointPen() { return QPen(QColor(0, 255, 255), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

}  // namespace

TEST_F(ViewTest, PointsLandCounterClockwiseForProtocol0AndMirroredOtherwise)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float angle;
        int protocol;
        QPointF at;  // 0.5 m is 100 px at the default range
    } cases[] = {
        {90, 0, {200, 100}},  {270, 0, {200, 300}},  {0, 0, {300, 200}},   {360, 0, {300, 200}},
        {180, 0, {100, 200}}, {-1, 0, {200, 200}},   {361, 0, {200, 200}}, {nan, 0, {200, 200}},
        {30, 0, {286.6, 150}}, {30, 1, {286.6, 250}}, {90, 3, {200, 300}}, {270, 2, {200, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angle << " protocol " << c.protocol);
        view.SetDirection(ProtocolFor(c.protocol).direction);
        SetPoints({{c.angle, 500}});
        view.SetRange(2, CImageCoord::Recentre, QPoint());
        const QPointF centre = CentreOf(view.Surface(), CYAN);
        EXPECT_NEAR(centre.x(), c.at.x(), 1.5);
        EXPECT_NEAR(centre.y(), c.at.y(), 1.5);
    }
}

TEST_F(ViewTest, PointsWithoutReturnAreNotDrawn)
{
    SetPoints({{90, 0}, {180, 0}});
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    EXPECT_EQ(CountColour(view.Surface(), CYAN), 0);
}

// Every box size the stamp holds, at positions inside, across and beyond each edge, on surfaces
// of the device pixel ratios of ordinary and high-density screens.
TEST(RingStampTest, MatchesDrawEllipseForEverySizeClippingAndRatio)
{
    for (const int ratio : {1, 2, 3}) {
        SCOPED_TRACE(ratio);
        const RingStamp stamp(PointPen(), ratio);
        QImage stamped(24 * ratio, 20 * ratio, QImage::Format_RGB32);
        stamped.setDevicePixelRatio(ratio);
        QImage painted = stamped;
        for (int w = 0; w <= RingStamp::MAX_BOX; ++w)
            for (int h = 0; h <= RingStamp::MAX_BOX; ++h)
                for (int top = -8; top <= 24; top += 3)
                    for (int left = -8; left <= 28; left += 3) {
                        stamped.fill(Qt::black);
                        painted.fill(Qt::black);
                        stamp.Stamp(stamped, left, top, w, h);
                        QPainter painter(&painted);
                        painter.setPen(PointPen());
                        painter.drawEllipse(QRectF(left, top, w, h));
                        painter.end();
                        ASSERT_EQ(stamped, painted) << "box " << left << "," << top << " " << w << "x" << h;
                    }
    }
}

// A full revolution through Redraw, against the same points drawn one by one with QPainter.
TEST_F(ViewTest, PointPassEqualsOneEllipsePerPointAtTheScreensRatio)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> angle(-5.0f, 365.0f);
    std::uniform_int_distribution<int> distance(0, 1600);  // beyond the edges too
    std::vector<TestPoint> points;
    for (int i = 0; i < SCAN_CAPACITY; ++i)
        points.push_back({angle(random), static_cast<int16_t>(distance(random))});

    for (const int protocol : {0, 1}) {
        for (const int index : {0, 2, 4}) {
            SCOPED_TRACE(testing::Message() << "protocol " << protocol << " range " << index);
            view.SetDirection(ProtocolFor(protocol).direction);
            SetPoints({});
            view.SetRange(index, CImageCoord::Recentre, QPoint());
            // At the ratio the screen gives the view (a second run has QT_SCALE_FACTOR=2).
            QImage expected = view.Surface().copy();
            ASSERT_EQ(expected.devicePixelRatio(), std::ceil(view.devicePixelRatioF()));
            {
                QPainter painter(&expected);
                painter.setPen(PointPen());
                for (const TestPoint& p : points) {
                    if (p.distance == 0)
                        continue;
                    const float drawn = protocol != 0 ? 360.0f - p.angle : p.angle;
                    const PixelBox box = PointBox({200, 200}, view.Scale(), drawn, p.distance / 1000.0f, 1);
                    painter.drawEllipse(QRectF(box.left, box.top, box.right - box.left, box.bottom - box.top));
                }
            }
            SetPoints(points);
            view.SetRange(index, CImageCoord::KeepOrigin, QPoint());
            EXPECT_EQ(view.Surface(), expected);
        }
    }
}
