// The receive indicator's texts in both modes, and the edits' and OPEN's playback behaviour.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "DialogFixture.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"

TEST_F(DialogTest, IndicatorShowsTheCountersOfTheModeThenHides)
{
    ResetPlaybackState();
    MakeDialog(DialogLanguage::English);
    QWidget* indicator = dialog->Control(ControlId::RECEIVE);
    Store(g_nReceived, 512);
    Store(g_nValidSamples, 480);
    dialog->OnTimer(TIMER_RECEIVE_SHOW);
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_EQ(Text(ControlId::RECEIVE), "Receive:512,480");
    dialog->OnTimer(TIMER_RECEIVE_HIDE);
    EXPECT_TRUE(indicator->isHidden());

    Store(g_bPlayback, 1);
    dialog->OnTimer(TIMER_RECEIVE_SHOW);
    EXPECT_EQ(Text(ControlId::RECEIVE), "0/0,Receive:512");
    // The hide follows by itself.
    EXPECT_TRUE(WaitFor([&] { return indicator->isHidden(); }));
}

TEST_F(DialogTest, PlaybackHoldsOrRunsByTheFactorEditAndKeepsItsThreadAfterAFailedOpen)
{
    ResetPlaybackState();
    Store(g_bPlayback, 1);
    MakeDialog(DialogLanguage::English, {"/nonexistent/ttyUSB9"});
    Enter(ControlId::FILTER_FACTOR, "auto");
    EXPECT_EQ(Load(g_bHoldFrame), 0);
    EXPECT_EQ(Text(ControlId::FILTER_FACTOR), "2.500");
    Enter(ControlId::FILTER_FACTOR, "3");
    EXPECT_EQ(Load(g_bHoldFrame), 1);
    EXPECT_EQ(Text(ControlId::FILTER_FACTOR), "3.000");

    Enter(ControlId::POINT_NUM, "50");
    Button(ControlId::OPEN_CLOSE)->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Open Failed"));
    EXPECT_EQ(Text(ControlId::OPEN_CLOSE), "OPEN");
    EXPECT_FALSE(Button(ControlId::OPEN_CLOSE)->isEnabled());
    EXPECT_EQ(Text(ControlId::POINT_NUM), "30") << "the model's point number";
    dialog.reset();  // ends the playback thread
}

TEST_F(DialogTest, F1OpensTheAboutBox)
{
    MakeDialog(DialogLanguage::Chinese);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QString title;
    QTimer::singleShot(100, [&title] {
        if (QWidget* about = QApplication::activeModalWidget()) {
            title = about->windowTitle();
            about->close();
        }
    });
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    EXPECT_EQ(title, "About Plotwell");
}
