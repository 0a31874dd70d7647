// OPEN/CLOSE against a simulated scanner on a pseudo-terminal: revolutions reach the view one
// redraw each, CLOSE and device loss end acquisition without hanging, failures are reported.
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "DialogFixture.h"
#include "acquisition/SharedState.h"
#include "tests/support/PseudoTerminal.h"

namespace {

SimulatedScanner Protocol1Scanner()
{
    SimulatedScannerSettings settings;
    settings.protocol = 1;
    return SimulatedScanner(settings);
}

// Fails the whole program loudly instead of letting a deadlock hang it.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              if (m_done.get_future().wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
                  std::fprintf(stderr, "deadlock: the UI thread did not come back\n");
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        m_done.set_value();
        m_thread.join();
    }

private:
    std::promise<void> m_done;
    std::thread m_thread;
};

}  // namespace

class AcquisitionTest : public DialogTest {
protected:
    void OpenScanner()
    {
        ASSERT_TRUE(terminal.IsValid());
        MakeDialog(DialogLanguage::English, {terminal.DevicePath()});
        dialog->show();
        QTest::mouseClick(Button(ControlId::OPEN_CLOSE), Qt::LeftButton);
        ASSERT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE");
    }

    PseudoTerminal terminal;
    SimulatedScanner scanner = Protocol1Scanner();
};

TEST_F(AcquisitionTest, EveryRevolutionIsDrawnOnceAndNoneAfterClose)
{
    OpenScanner();
    EXPECT_FALSE(dialog->Control(ControlId::PORT)->isEnabled());
    EXPECT_FALSE(dialog->Control(ControlId::MODEL)->isEnabled());
    EXPECT_TRUE(dialog->Control(ControlId::RECEIVE)->isVisible());
    EXPECT_EQ(Text(ControlId::RECEIVE), "115200");

    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    // A revolution is complete once bytes of the next one follow its closing packet.
    constexpr int REVOLUTIONS = 5;
    for (int i = 0; i < REVOLUTIONS + 1; ++i)
        ASSERT_TRUE(terminal.SendRevolution(scanner));
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= REVOLUTIONS; })) << shown.count();
    Settle(200);
    EXPECT_EQ(shown.count(), REVOLUTIONS);

    // The indicator flashes the counts of the last revolution, then hides.
    const QString status = QString::asprintf("Receive:%d,%d", Load(g_nReceived), Load(g_nValidSamples));
    ASSERT_TRUE(WaitFor([&] { return Text(ControlId::RECEIVE) == status; })) << Text(ControlId::RECEIVE).toStdString();
    EXPECT_TRUE(WaitFor([&] { return dialog->Control(ControlId::RECEIVE)->isHidden(); }));

    QTest::mouseClick(Button(ControlId::OPEN_CLOSE), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Text(ControlId::OPEN_CLOSE) == "OPEN"; }));
    EXPECT_TRUE(dialog->Control(ControlId::PORT)->isEnabled());
    EXPECT_TRUE(dialog->Control(ControlId::MODEL)->isEnabled());
    EXPECT_TRUE(dialog->Control(ControlId::RECEIVE)->isHidden());
    const int drawn = shown.count();
    terminal.SendRevolution(scanner);
    terminal.SendRevolution(scanner);
    Settle(300);
    EXPECT_EQ(shown.count(), drawn);
}

TEST_F(AcquisitionTest, CloseWhileARevolutionWaitsForTheViewDoesNotHang)
{
    OpenScanner();
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    std::atomic<bool> sending{true};
    std::thread sender([&] {
        while (sending.load())
            terminal.SendRevolution(scanner);
    });
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= 2; }));
    {
        Watchdog watchdog(20);
        // No events are handled from here on: the receive thread is soon stuck in a hand-over.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Button(ControlId::OPEN_CLOSE)->click();
    }
    const int drawn = shown.count();
    Settle(300);
    EXPECT_EQ(shown.count(), drawn) << "a revolution queued before CLOSE reached the view";
    EXPECT_TRUE(WaitFor([&] { return Text(ControlId::OPEN_CLOSE) == "OPEN"; }));

    // The same for closing the window.
    QTest::mouseClick(Button(ControlId::OPEN_CLOSE), Qt::LeftButton);
    ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE");
    ASSERT_TRUE(WaitFor([&] { return shown.count() > drawn; }));
    {
        Watchdog watchdog(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        dialog->close();
        dialog.reset();
    }
    sending.store(false);
    sender.join();
}

TEST_F(AcquisitionTest, DeviceLossReturnsToClosedAndSaysSoOnce)
{
    OpenScanner();
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    ASSERT_TRUE(terminal.SendRevolution(scanner));
    ASSERT_TRUE(terminal.SendRevolution(scanner));
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= 1; }));
    dialog->OnTimer(TIMER_PORT_SCAN);
    ASSERT_FALSE(Text(ControlId::LINK_LINE).isEmpty());

    terminal.HangUp();
    ASSERT_TRUE(WaitFor([&] { return Text(ControlId::OPEN_CLOSE) == "OPEN"; }));
    EXPECT_TRUE(Button(ControlId::OPEN_CLOSE)->isEnabled());
    EXPECT_TRUE(dialog->Control(ControlId::PORT)->isEnabled());
    EXPECT_TRUE(dialog->Control(ControlId::MODEL)->isEnabled());
    // No figures are left standing for the closed port.
    EXPECT_EQ(Text(ControlId::LINK_LINE), "");
    EXPECT_EQ(dialog->Control(ControlId::LINK_LINE)->toolTip(), "");
    Settle(300);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Device Disconnected\n")) << messages[0].toStdString();
}

TEST_F(DialogTest, OpenOnAMissingPortSaysOpenFailedWithTheReason)
{
    for (const std::vector<std::string>& ports :
         {std::vector<std::string>{"/nonexistent/ttyUSB9"}, std::vector<std::string>{}}) {
        messages.clear();
        MakeDialog(DialogLanguage::English, ports);
        Enter(ControlId::POINT_NUM, "50");
        QTest::mouseClick(Button(ControlId::OPEN_CLOSE), Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Open Failed")) << messages[0].toStdString();
        if (!ports.empty()) {
            EXPECT_TRUE(messages[0].contains("\n") && messages[0].contains(QString::fromStdString(ports[0])))
                << messages[0].toStdString();
        }
        EXPECT_EQ(Text(ControlId::OPEN_CLOSE), "OPEN");
        EXPECT_TRUE(dialog->Control(ControlId::PORT)->isEnabled());
        EXPECT_TRUE(dialog->Control(ControlId::RECEIVE)->isHidden());
        // The receive thread started for the port takes the model's point count before it ends.
        EXPECT_EQ(Text(ControlId::POINT_NUM), "30");
    }
}
