// Wheel zoom, right-button pan and left click through Qt's mouse events, and what a repaint
// asked for by the window system shows.
#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "ViewFixture.h"
#include "view/ViewGeometry.h"

namespace {

void Wheel(QWidget& widget, int delta)
{
    QWheelEvent event(QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

// A move with `buttons` held; QTest would move the real cursor for a move without a button.
void Hover(QWidget& widget, QPoint position, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(QEvent::MouseMove, position, widget.mapToGlobal(position), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// Metres east and north of the origin under a pixel.
QPointF MetresAt(const CImageCoord& view, QPoint pixel)
{
    return QPointF((pixel.x() - view.Origin().x()) / view.Scale(), (view.Origin().y() - pixel.y()) / view.Scale());
}

}  // namespace

TEST_F(ViewTest, WheelMovesOneRangeAndStopsAt0And7)
{
    const struct {
        int from, delta, to;
    } cases[] = {
        {2, 120, 1}, {2, -120, 3}, {2, 1, 1}, {2, -480, 3}, {7, -120, 7}, {0, 120, 0}, {8, -120, 8}, {8, 120, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " by " << c.delta);
        view.SetRange(c.from, CImageCoord::Recentre, QPoint());
        Wheel(view, c.delta);
        EXPECT_EQ(view.Range(), c.to);
        EXPECT_DOUBLE_EQ(view.Scale(), view.Surface().width() / 2.0 / RangeMetres(c.to, 0));
    }
}

TEST_F(ViewTest, ZoomKeepsThePlaceUnderTheLastMousePosition)
{
    for (const QPoint mouse : {QPoint(300, 120), QPoint(37, 351), QPoint(200, 200)}) {
        view.SetRange(4, CImageCoord::Recentre, QPoint());
        Hover(view, mouse);
        const QPointF before = MetresAt(view, mouse);
        for (const int delta : {120, 120, 120, -120, 120, -120, -120, -120}) {
            Wheel(view, delta);
            const QPointF now = MetresAt(view, mouse);
            EXPECT_LE(std::abs(now.x() - before.x()) * view.Scale(), 1.0) << mouse.x() << " range " << view.Range();
            EXPECT_LE(std::abs(now.y() - before.y()) * view.Scale(), 1.0) << mouse.x() << " range " << view.Range();
        }
    }
}

TEST_F(ViewTest, ZoomBeforeAnyMouseMoveIsAboutTheTopLeftCorner)
{
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    Wheel(view, -120);  // 1 m to 2 m: the origin halves its distance to (0, 0)
    EXPECT_EQ(view.Origin(), QPoint(100, 100));
}

TEST_F(ViewTest, RightDragPansAndRangeButtonRecentres)
{
    SetPoints({{0, 500}});
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    const QImage before = view.Surface().copy();
    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_TRUE(g_bDragging);
    EXPECT_EQ(view.Surface(), before) << "a press alone changes nothing";
    QTest::mouseMove(&view, QPoint(130, 90));
    QTest::mouseMove(&view, QPoint(150, 130));
    EXPECT_EQ(view.Origin(), QPoint(250, 230));
    EXPECT_TRUE(ColourNear(view.Surface(), 350, 230, 2, CYAN)) << "the points follow the origin";
    QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(150, 130));
    EXPECT_FALSE(g_bDragging);
    Hover(view, QPoint(10, 10));
    EXPECT_EQ(view.Origin(), QPoint(250, 230)) << "moves after the release do not pan";

    // A release that went elsewhere (the next move comes without the button), or a popup that
    // took the focus, ends the drag.
    for (const bool byFocus : {false, true}) {
        QTest::mousePress(&view, Qt::RightButton, {}, QPoint(100, 100));
        if (byFocus) {
            QFocusEvent lost(QEvent::FocusOut, Qt::PopupFocusReason);
            QApplication::sendEvent(&view, &lost);
        }
        Hover(view, QPoint(10, 10), byFocus ? Qt::RightButton : Qt::NoButton);
        EXPECT_FALSE(g_bDragging) << byFocus;
        EXPECT_EQ(view.Origin(), QPoint(250, 230)) << byFocus;
    }

    view.Redraw();
    EXPECT_EQ(view.Origin(), QPoint(250, 230));
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    EXPECT_EQ(view.Origin(), QPoint(200, 200));
}

TEST_F(ViewTest, ButtonPressTakesTheFocus)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.activateWindow();
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        view.clearFocus();
        QTest::mousePress(&view, button, {}, QPoint(120, 80));
        QTest::mouseRelease(&view, button, {}, QPoint(120, 80));
        EXPECT_TRUE(view.hasFocus()) << button;
    }
}

// Nothing else composed the first picture: the view was black until the first revolution.
TEST_F(ViewTest, StartShowsTheGridAndNoMarker)
{
    EXPECT_TRUE(ColourNear(view.Surface(), 160, 200, 1, GREY)) << "the first ring, without any redraw";
    EXPECT_EQ(view.Marker(), view.Origin());
    SetPoints({{0, 500}});
    view.SetRange(2, CImageCoord::KeepOrigin, QPoint());
    EXPECT_TRUE(view.OverlayLines().isEmpty());
    EXPECT_EQ(CountColour(view.Surface(), RED), 0);
}

// A window passing over the view must not wipe the scan: the last picture is shown again.
TEST_F(ViewTest, WindowSystemRepaintShowsTheLastPictureUnchanged)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    SetPoints({{0, 500}, {90, 300}});
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(300, 200));
    const QImage composed = view.Surface().copy();
    const QStringList lines = view.OverlayLines();

    view.update();
    QApplication::processEvents();
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);

    EXPECT_EQ(shown, composed);
    EXPECT_EQ(view.Surface(), composed);
    EXPECT_EQ(view.Marker(), QPoint(300, 200));
    EXPECT_EQ(view.OverlayLines(), lines);
}

// Nothing fills a sweep buffer, so a repaint draws no ring at the origin from it.
TEST_F(ViewTest, RepaintDrawsNoSweepRing)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.update();
    QApplication::processEvents();
    EXPECT_EQ(CountColour(view.grab().toImage().convertToFormat(QImage::Format_RGB32), CYAN), 0);
}

// A resize used to recentre the origin while a shown marker kept its spot, so its statistics
// mixed two directions; a pan was lost.
TEST_F(ViewTest, NewSizeGetsANewSurfaceAndKeepsPanAndMarkerInPlace)
{
    SetPoints({{0, 500}});
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    Resize(600, 600);
    EXPECT_EQ(view.Surface().size(), QSize(600, 600));
    EXPECT_EQ(view.Origin(), QPoint(300, 300));
    EXPECT_EQ(view.Marker(), view.Origin()) << "a hidden marker stays hidden";
    EXPECT_TRUE(ColourNear(view.Surface(), 450, 300, 2, CYAN));

    Store(g_nStatPoints, 2);
    view.OnRButtonDown(QPoint(300, 300));
    view.OnMouseMove(QPoint(240, 330));  // origin to (240, 330)
    view.OnRButtonUp();
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(390, 330));  // 0.5 m right of the origin
    view.Redraw();
    ASSERT_EQ(view.OverlayLines().size(), 4);
    const QStringList before = view.OverlayLines();

    Resize(400, 400);
    EXPECT_EQ(view.Origin(), QPoint(160, 220)) << "the pan is kept in proportion";
    EXPECT_EQ(view.Marker(), QPoint(260, 220)) << "the marker moves with it";
    ASSERT_EQ(view.OverlayLines().size(), 3) << "the statistics start again";
    EXPECT_EQ(view.OverlayLines().mid(0, 3), before.mid(0, 3)) << "same point, direction and distance";
}
