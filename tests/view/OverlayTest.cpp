// The measuring overlay through clicks on the view: readout lines, nearest point, highlight and
// marker circles, and when the depth statistics line appears and is emptied.
#include <QTest>

#include "ViewFixture.h"

namespace {

QStringList Lines(std::initializer_list<const char*> texts)
{
    QStringList lines;
    for (const char* text : texts)
        lines.append(QString::fromUtf8(text));
    return lines;
}

}  // namespace

TEST_F(ViewTest, ReadoutNamesTheNearestPointOfTheMarkersDirection)
{
    // 400 x 400 at 0-1 m: origin (200, 200), 200 px per metre.
    const struct {
        const char* what;
        std::vector<TestPoint> points;
        int protocol;
        QPoint marker;
        QStringList lines;
    } cases[] = {
        {"right of the origin", {{0, 500}, {90, 700}}, 0, {300, 200},
         Lines({"i = 0, Angle=0.00°, Depth=0.5000m", "Angle=0.00°, Depth=0.5000m"})},
        {"above, protocol 0", {{0, 500}, {90, 700}}, 0, {200, 100},
         Lines({"i = 1, Angle=90.00°, Depth=0.7000m", "Angle=90.00°, Depth=0.5000m"})},
        {"above, protocol 1 reads 270: nothing within 100 degrees", {{0, 500}, {90, 700}}, 1, {200, 100},
         Lines({"i = 0, Angle=0.00°, Depth=0.5000m", "Angle=270.00°, Depth=0.5000m"})},
        {"tie, the lower index wins", {{100, 400}, {80, 100}}, 0, {200, 150},
         Lines({"i = 0, Angle=100.00°, Depth=0.4000m", "Angle=90.00°, Depth=0.2500m"})},
        {"tie the other way round", {{80, 100}, {100, 400}}, 0, {200, 150},
         Lines({"i = 0, Angle=80.00°, Depth=0.1000m", "Angle=90.00°, Depth=0.2500m"})},
        {"no return is never chosen", {{90, 0}, {100, 400}, {80, 100}}, 0, {200, 150},
         Lines({"i = 1, Angle=100.00°, Depth=0.4000m", "Angle=90.00°, Depth=0.2500m"})},
        {"protocol 2 point at 30 drawn below the axis", {{0, 900}, {30, 800}}, 2, {287, 250},
         Lines({"i = 1, Angle=30.00°, Depth=0.8000m", "Angle=29.89°, Depth=0.5017m"})},
        {"empty list reads entry 0", {}, 0, {100, 200},
         Lines({"i = 0, Angle=0.00°, Depth=0.0000m", "Angle=180.00°, Depth=0.5000m"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetPoints(c.points);
        view.SetDirection(ProtocolFor(c.protocol).direction);
        for (const int compensation : {0, 1}) {
            Store(g_nCompensation, compensation);
            QTest::mouseClick(&view, Qt::LeftButton, {}, c.marker);
            QStringList expected = c.lines;
            if (compensation != 0)
                expected.append(c.lines[1]);  // line 3 repeats line 2 in cyan
            EXPECT_EQ(view.OverlayLines(), expected);
        }
    }
}

TEST_F(ViewTest, MarkerCircleAndHighlightAreDrawnAtTheirPlaces)
{
    SetPoints({{90, 500}});
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(260, 150));
    const QImage& image = view.Surface();
    EXPECT_TRUE(ColourNear(image, 264, 150, 1, RED));
    EXPECT_TRUE(ColourNear(image, 256, 150, 1, RED));
    EXPECT_FALSE(ColourNear(image, 260, 150, 2, RED));  // a hollow circle
    EXPECT_TRUE(ColourNear(image, 204, 100, 1, WHITE));  // around the point at (200, 100)
    EXPECT_TRUE(ColourNear(image, 196, 100, 1, WHITE));
    // The text lines: white, red, cyan from the top.
    EXPECT_TRUE(ColourNear(image, 40, 27, 8, WHITE));
    EXPECT_GT(CountColour(image.copy(20, 40, 150, 16), RED), 5);
    EXPECT_GT(CountColour(image.copy(20, 60, 150, 16), CYAN), 5);
}

TEST_F(ViewTest, MarkerOnTheOriginShowsNothing)
{
    SetPoints({{90, 500}});
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_TRUE(view.OverlayLines().isEmpty());
    EXPECT_EQ(CountColour(view.Surface(), RED), 0);
    EXPECT_EQ(CountColour(view.Surface(), WHITE), CountColour(view.Surface().copy(0, 200, 400, 200), WHITE));
}

TEST_F(ViewTest, StatisticsLineFromTheNthReadoutUntilMarkerOrNChanges)
{
    Store(g_nStatPoints, 3);
    const QPoint marker(300, 200);
    SetPoints({{0, 500}});
    QTest::mouseClick(&view, Qt::LeftButton, {}, marker);  // readout 1
    SetPoints({{0, 600}});
    view.Redraw();  // readout 2
    EXPECT_EQ(view.OverlayLines().size(), 3);
    SetPoints({{0, 700}});
    view.Redraw();  // readout 3
    ASSERT_EQ(view.OverlayLines().size(), 4);
    EXPECT_EQ(view.OverlayLines()[3], "3 points average depth=0.600000 m, MeanSquareError=81.6497");

    // Panning adds readouts of the then nearest point and keeps the window.
    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(50, 50));
    QTest::mouseMove(&view, QPoint(40, 50));
    QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(40, 50));
    ASSERT_EQ(view.OverlayLines().size(), 4);
    EXPECT_EQ(view.OverlayLines()[3], "3 points average depth=0.666667 m, MeanSquareError=47.1405");

    QTest::mouseClick(&view, Qt::LeftButton, {}, marker + QPoint(0, 1));
    EXPECT_EQ(view.OverlayLines().size(), 3) << "a moved marker empties the window";

    view.Redraw();
    view.Redraw();
    EXPECT_EQ(view.OverlayLines().size(), 4);
    Store(g_nStatPoints, 2);
    view.Redraw();
    EXPECT_EQ(view.OverlayLines().size(), 3) << "a new N empties the window";
    view.Redraw();
    ASSERT_EQ(view.OverlayLines().size(), 4);
    EXPECT_EQ(view.OverlayLines()[3], "2 points average depth=0.700000 m, MeanSquareError=0.0000");
}
