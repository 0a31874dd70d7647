// The main window as a person meets it, on a real X server: the pointer and keys come from
// xdotool through the server, the pixels are read back from the screen, and with
// PLOTWELL_WINDOW_MANAGER=openbox a window manager frames the window (run-on-x.sh sets it up).
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "DialogFixture.h"
#include "acquisition/SharedState.h"
#include "tests/support/PseudoTerminal.h"

namespace {

bool Xdo(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return xdotool.waitForFinished(5000) && xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

bool MoveTo(QPoint global)
{
    return Xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())});
}

bool WindowManagerRuns() { return qgetenv("PLOTWELL_WINDOW_MANAGER") == "openbox"; }

// Popup menus and modal boxes that open while a test runs: their texts are noted and they are
// closed again at once, so that a stray menu cannot hold the test in its event loop.
class Intruders : public QObject {
public:
    explicit Intruders(QWidget* main)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, main] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                QStringList entries;
                for (QAction* action : popup->actions())
                    entries << action->text();
                seen << QStringLiteral("menu: ") + entries.join('|');
                popup->close();
            }
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal != main) {
                seen << modal->windowTitle();
                modal->close();
            }
        });
        m_timer.start(20);
    }
    QStringList seen;

private:
    QTimer m_timer;
};

}  // namespace

class WindowSystemTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(ShowDialog());
    }

    void ShowDialog(std::vector<std::string> ports = {})
    {
        intruders.reset();
        dialog.reset();
        MakeDialog(DialogLanguage::English, std::move(ports));
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        // Under a window manager the window is laid out again once it is framed.
        const QRect work = dialog->screen()->availableGeometry();
        const bool framed = WaitFor([&] {
            return !WindowManagerRuns() || dialog->frameGeometry() != dialog->geometry();
        });
        placed = framed && WaitFor([&] { return work.contains(dialog->frameGeometry()); });
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        Settle(200);
        intruders = std::make_unique<Intruders>(dialog.get());
    }

    QPoint ViewPoint(QPoint local) { return dialog->View().mapToGlobal(local); }

    bool placed = false;
    std::unique_ptr<Intruders> intruders;
};

// The caption, close box and bottom edge used to lie outside the screen under a window manager.
TEST_F(WindowSystemTest, TheFramedWindowFitsTheWorkArea)
{
    EXPECT_TRUE(placed) << "frame " << dialog->frameGeometry().y() << " in "
                        << dialog->screen()->availableGeometry().height();
    if (WindowManagerRuns()) {
        EXPECT_GT(dialog->geometry().top(), dialog->frameGeometry().top()) << "a caption above the client area";
    }
}

// Without a window manager nothing resized the window after it was shown, and nothing else
// composed the first picture: the view was a black square.
TEST_F(WindowSystemTest, TheGridIsOnTheScreenAtStart)
{
    const CImageCoord& view = dialog->View();
    const QPoint corner = ViewPoint(QPoint(0, 0));
    const QImage shown =
        dialog->screen()->grabWindow(0, corner.x(), corner.y(), view.width(), view.height()).toImage();
    int grey = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            grey += shown.pixelColor(x, y) == QColor(100, 100, 100);
    EXPECT_GT(grey, 4 * view.width()) << "rings and spokes";
}

// A right press opened the dialog's context menu, the view never saw the release, and every
// plain move afterwards panned.
TEST_F(WindowSystemTest, RightDragPansWithoutAMenuAndAPlainMoveAfterwardsPansNothing)
{
    CImageCoord& view = dialog->View();
    const QPoint origin = view.Origin();
    const QPoint start = ViewPoint(QPoint(100, 100));
    ASSERT_TRUE(MoveTo(start));
    ASSERT_TRUE(Xdo({"mousedown", "3"}));
    ASSERT_TRUE(WaitFor([] { return g_bDragging; }));
    ASSERT_TRUE(MoveTo(start + QPoint(40, 30)));
    EXPECT_TRUE(WaitFor([&] { return view.Origin() == origin + QPoint(40, 30); }))
        << view.Origin().x() - origin.x() << "," << view.Origin().y() - origin.y();
    ASSERT_TRUE(Xdo({"mouseup", "3"}));
    EXPECT_TRUE(WaitFor([] { return !g_bDragging; }));
    ASSERT_TRUE(MoveTo(start + QPoint(120, 90)));
    Settle(200);
    EXPECT_EQ(view.Origin(), origin + QPoint(40, 30));
    EXPECT_TRUE(intruders->seen.isEmpty()) << intruders->seen.join(", ").toStdString();
}

TEST_F(WindowSystemTest, AboutIsOnF1AndOnTheMenuOutsideTheView)
{
    ASSERT_TRUE(MoveTo(ViewPoint(QPoint(50, 50))));
    ASSERT_TRUE(Xdo({"click", "1"}));
    ASSERT_TRUE(Xdo({"key", "F1"}));
    EXPECT_TRUE(WaitFor([&] { return intruders->seen.contains("About Plotwell"); }))
        << intruders->seen.join(", ").toStdString();

    QWidget* label = dialog->Control(ControlId::POINT_NUM_SHOW);
    ASSERT_TRUE(MoveTo(label->mapToGlobal(label->rect().center())));
    ASSERT_TRUE(Xdo({"click", "3"}));
    EXPECT_TRUE(WaitFor([&] {
        return intruders->seen.contains("menu: &Freeze Picture\tSpace|&Save Picture and Points\tCtrl+S||&About Plotwell...");
    })) << intruders->seen.join(", ").toStdString();
}

// Space on a focused button pressed it: RECORD_DATA started a recording instead of freezing.
// In an edit field it stays a blank.
TEST_F(WindowSystemTest, SpaceFreezesThePictureWhereverTheFocusIsExceptInAnEditField)
{
    struct Case {
        int control;
        bool freezes;
    };
    const Case cases[] = {
        {ControlId::RECORD_DATA, true},
        {ControlId::FILTER, true},
        {ControlId::VIEW, true},
        {ControlId::POINT_NUM, false},
    };
    CImageCoord& view = dialog->View();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        QWidget* control = dialog->Control(c.control);
        control->setFocus();
        ASSERT_TRUE(WaitFor([&] { return control->hasFocus(); }));
        ASSERT_TRUE(Xdo({"key", "space"}));
        EXPECT_EQ(WaitFor([&] { return view.IsFrozen(); }, c.freezes ? 5000 : 300), c.freezes);
        if (view.IsFrozen()) {
            ASSERT_TRUE(Xdo({"key", "space"}));
            EXPECT_TRUE(WaitFor([&] { return !view.IsFrozen(); }));
        }
    }
    EXPECT_EQ(Text(ControlId::RECORD_DATA), "RECORD_DATA");
    EXPECT_TRUE(Button(ControlId::FILTER)->isChecked());
    EXPECT_EQ(Text(ControlId::POINT_NUM), "30 ");
    EXPECT_TRUE(intruders->seen.isEmpty()) << intruders->seen.join(", ").toStdString();
}

// Cancelling Detect disabled its button, which handed the focus on to 0-0.2M: the next Return
// changed the range. Escape did not cancel.
TEST_F(WindowSystemTest, DetectAndCloseFromTheKeyboardKeepTheFocusOnTheirButtons)
{
    PseudoTerminal silent;  // Detect listens to it until cancelled
    ASSERT_TRUE(silent.IsValid());
    detectSeconds = 30.0;
    ASSERT_NO_FATAL_FAILURE(ShowDialog({silent.DevicePath()}));
    QWidget* detect = dialog->Control(ControlId::DETECT);
    detect->setFocus();
    ASSERT_TRUE(WaitFor([&] { return detect->hasFocus(); }));
    for (const char* cancel : {"Return", "Return", "Escape"}) {
        SCOPED_TRACE(cancel);
        ASSERT_TRUE(Xdo({"key", "Return"}));
        ASSERT_TRUE(WaitFor([&] { return Text(ControlId::LINK_LINE).startsWith("Listening"); }))
            << Text(ControlId::LINK_LINE).toStdString();
        ASSERT_TRUE(Xdo({"key", cancel}));
        ASSERT_TRUE(WaitFor([&] { return Text(ControlId::DETECT) == "Detect"; }, 3000)) << "not cancelled";
        EXPECT_EQ(Text(ControlId::LINK_LINE), "Detection cancelled");
        EXPECT_EQ(QApplication::focusWidget(), detect);
    }
    // CLOSE disables its button for a moment, with the same effect.
    QWidget* open = dialog->Control(ControlId::OPEN_CLOSE);
    open->setFocus();
    ASSERT_TRUE(WaitFor([&] { return open->hasFocus(); }));
    ASSERT_TRUE(Xdo({"key", "Return"}));
    ASSERT_TRUE(WaitFor([&] { return Text(ControlId::OPEN_CLOSE) == "ClOSE"; })) << messages.join('|').toStdString();
    ASSERT_TRUE(Xdo({"key", "Return"}));
    ASSERT_TRUE(WaitFor([&] { return Text(ControlId::OPEN_CLOSE) == "OPEN" && open->isEnabled(); }));
    EXPECT_EQ(QApplication::focusWidget(), open);
    EXPECT_TRUE(Button(ControlId::RANGE_1M)->isChecked());
    EXPECT_TRUE(intruders->seen.isEmpty()) << intruders->seen.join(", ").toStdString();
}

// Tab into a group of radio buttons lands on the checked one and the next Tab leaves the group;
// every arrow key selects. Tab landed on the group's first button and stopped at each, and
// Right at the end of a row, or in the compensation column, moved without selecting.
TEST_F(WindowSystemTest, RadioGroupsAreOneTabStopAtTheCheckedButtonAndArrowsSelect)
{
    struct Step {
        const char* key;
        int focused;  // and checked, for a radio button
    };
    const Step range[] = {
        {"Tab", ControlId::RANGE_1M},       {"Right", ControlId::RANGE_2M},   {"Right", ControlId::RANGE_4M},
        {"Left", ControlId::RANGE_2M},      {"Up", ControlId::RANGE_1M},      {"Down", ControlId::RANGE_2M},
        {"Tab", ControlId::POINT_NUM},      {"shift+Tab", ControlId::RANGE_2M},
    };
    const Step compensation[] = {
        {"Tab", ControlId::COMP_FORMULA},   {"Right", ControlId::COMP_BINS},  {"Right", ControlId::COMP_BINS},
        {"Left", ControlId::COMP_FORMULA},  {"Up", ControlId::COMP_NONE},     {"Up", ControlId::COMP_NONE},
        {"Down", ControlId::COMP_FORMULA},
    };
    const struct {
        int start;
        const Step* steps;
        size_t count;
    } walks[] = {{ControlId::OPEN_CLOSE, range, std::size(range)},
                 {ControlId::FILTER_FACTOR, compensation, std::size(compensation)}};
    for (const auto& walk : walks) {
        QWidget* start = dialog->Control(walk.start);
        start->setFocus();
        ASSERT_TRUE(WaitFor([&] { return start->hasFocus(); }));
        for (size_t i = 0; i < walk.count; ++i) {
            const Step& step = walk.steps[i];
            SCOPED_TRACE(std::to_string(i) + ": " + step.key);
            QWidget* focused = dialog->Control(step.focused);
            ASSERT_TRUE(Xdo({"key", step.key}));
            EXPECT_TRUE(WaitFor([&] { return focused->hasFocus(); }))
                << "focus on " << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "");
            if (auto* radio = qobject_cast<QRadioButton*>(focused)) {
                EXPECT_TRUE(radio->isChecked());
            }
        }
    }
    EXPECT_EQ(Load(g_nCompensation), 1);
    EXPECT_TRUE(intruders->seen.isEmpty()) << intruders->seen.join(", ").toStdString();
}
