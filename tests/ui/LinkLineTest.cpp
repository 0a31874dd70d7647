// The line under the receive indicator: the link's health while a port is open, and Detect,
// which finds the scanner's model on the closed port without holding up the window.
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <random>

#include "DialogFixture.h"
#include "protocols/DeviceModel.h"
#include "run/PseudoTerminalScanner.h"
#include "tests/support/PseudoTerminal.h"
#include "ui/FixedLinesLabel.h"
#include "ui/LinkTexts.h"
#include "ui/SubscriptionHealth.h"

namespace {

// A simulated scanner of `model` streaming on a pseudo-terminal as simulate --pty does.
struct ScannerOnPty {
    explicit ScannerOnPty(const DeviceModel& model)
        : scanner(ModelScannerSettings(model, CodesForName(model.szName).protocol), model.nBaudRate)
    {
        std::string reason;
        started = scanner.Open(&reason) && scanner.Start(&reason);
        EXPECT_TRUE(started) << reason;
    }
    std::vector<std::string> Ports() const { return {scanner.Path()}; }

    PseudoTerminalScanner scanner;
    bool started = false;
};

QString ModelShown(CPlotwellDlg& dialog)
{
    return qobject_cast<QComboBox*>(dialog.Control(ControlId::MODEL))->currentText();
}

QString LinkToolTip(CPlotwellDlg& dialog)
{
    return dialog.Control(ControlId::LINK_LINE)->toolTip();
}

}  // namespace

TEST_F(DialogTest, HealthLineShowsTheLinksFiguresEverySecondInBothLayouts)
{
    struct Case {
        DialogLanguage language;
        const char* line;     // pattern of the line: revolutions per second, samples
        const char* details;  // a piece of the tooltip
        const char* drops;    // the tooltip's line of what each output dropped, up to the view's count
    };
    const Case cases[] = {
        {DialogLanguage::English, R"(^(\d+\.\d) rev/s  (\d+) pts  0\.0 % bad$)", "packets passed",
         "\nRevolutions dropped by outputs that fell behind: view "},
        {DialogLanguage::Chinese, R"(^(\d+\.\d) 转/秒  (\d+) 点  坏包 0\.0 %$)", "校验失败", "\n输出跟不上而丢弃的圈数：视图 "},
    };
    for (const Case& c : cases) {
        ScannerOnPty pty(g_ModelTR20_A);
        MakeDialog(c.language, pty.Ports());
        QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
        Button(ControlId::OPEN_CLOSE)->click();
        ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE") << messages.join('|').toStdString();
        ASSERT_TRUE(WaitFor([&] { return shown.count() >= 2; }, 10000));
        // What the line queued while the window drew its first pictures comes out back to back
        // and would pass for a fast scanner: count from a revolution that waited for its bytes.
        ASSERT_TRUE(WaitFor([] {
            const LinkHealthReading now = ReadLinkHealth();
            return now.lastRevolutionNs - now.previousRevolutionNs > 100'000'000;
        }, 10000));
        // The window reads the link every second by itself too; one of its readings between the
        // two here would leave them next to nothing to count. Right after one of its own there
        // is time for four revolutions; should it still come between, count again.
        auto* line = qobject_cast<QLabel*>(dialog->Control(ControlId::LINK_LINE));
        QRegularExpressionMatch figures;
        for (int attempt = 0; attempt < 5 && !figures.hasMatch(); ++attempt) {
            line->clear();
            ASSERT_TRUE(WaitFor([&] { return !line->text().isEmpty(); }, 3000));
            dialog->OnTimer(TIMER_PORT_SCAN);  // a reading to count from
            line->clear();
            const int before = shown.count();
            ASSERT_TRUE(WaitFor([&] { return shown.count() >= before + 4; }, 10000));
            if (!line->text().isEmpty())
                continue;
            dialog->OnTimer(TIMER_PORT_SCAN);
            figures = QRegularExpression(QString::fromUtf8(c.line)).match(line->text());
            ASSERT_TRUE(figures.hasMatch()) << line->text().toStdString();
        }
        ASSERT_TRUE(figures.hasMatch()) << "the window's own readings kept coming between";
        // The demo turns at about 7 revolutions a second, about 514 samples each.
        EXPECT_NEAR(figures.captured(1).toDouble(), 7.0, 2.0);
        EXPECT_NEAR(figures.captured(2).toInt(), 514, 30);
        EXPECT_TRUE(LinkToolTip(*dialog).contains(QString::fromUtf8(c.details))) << LinkToolTip(*dialog).toStdString();
        EXPECT_TRUE(LinkToolTip(*dialog).contains(QString::fromUtf8(c.drops))) << LinkToolTip(*dialog).toStdString();
        Button(ControlId::OPEN_CLOSE)->click();
        EXPECT_EQ(Text(ControlId::LINK_LINE), "");
        dialog.reset();
    }
}

TEST_F(DialogTest, HealthLineSaysWhenNothingOrNoPacketsArrive)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.IsValid());
    MakeDialog(DialogLanguage::English, {pty.DevicePath()});
    const int64_t resets = ReadLinkHealth().resets;
    Button(ControlId::OPEN_CLOSE)->click();
    ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE") << messages.join('|').toStdString();
    // The new receive thread counts afresh.
    ASSERT_TRUE(WaitFor([&] { return ReadLinkHealth().resets > resets; }));
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_EQ(Text(ControlId::LINK_LINE), "no data");
    // Noise without a protocol-1 header byte; the first batch also flushes what an earlier
    // stream may have left in the parser.
    std::mt19937 random(3);
    std::vector<uint8_t> noise(2000);
    for (uint8_t& byte : noise)
        byte = static_cast<uint8_t>(random() % 0xAA);
    for (int64_t sent = 2000; sent <= 4000; sent += 2000) {
        ASSERT_TRUE(pty.Send(noise));
        ASSERT_TRUE(WaitFor([&] { return ReadLinkHealth().bytes >= sent; }));
        dialog->OnTimer(TIMER_PORT_SCAN);
    }
    EXPECT_TRUE(Text(ControlId::LINK_LINE).endsWith(" B/s, no packets: right model?"))
        << Text(ControlId::LINK_LINE).toStdString();
}

TEST_F(DialogTest, DetectFindsTheModelWhileTheWindowKeepsWorkingThenThePortOpens)
{
    ScannerOnPty pty(g_ModelTR20_A);
    MakeDialog(DialogLanguage::English, pty.Ports());
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    // The column below the line stays put as its text comes and goes: a click aimed at the
    // Filter edit missed it when the line grew by two lines.
    QWidget* factor = dialog->Control(ControlId::FILTER_FACTOR);
    const QPoint factorAt = factor->mapTo(dialog.get(), QPoint(0, 0));
    qobject_cast<QComboBox*>(dialog->Control(ControlId::MODEL))->setCurrentText("TR30_E");
    Button(ControlId::DETECT)->click();
    EXPECT_EQ(Text(ControlId::DETECT), "Cancel");
    EXPECT_FALSE(Button(ControlId::OPEN_CLOSE)->isEnabled());
    EXPECT_FALSE(dialog->Control(ControlId::MODEL)->isEnabled());
    // Progress arrives while the probe runs: the window handles events meanwhile.
    EXPECT_TRUE(WaitFor([&] { return Text(ControlId::LINK_LINE).startsWith("Listening at 115200 baud"); }))
        << Text(ControlId::LINK_LINE).toStdString();
    ASSERT_TRUE(WaitFor([&] { return Text(ControlId::DETECT) == "Detect"; }, 10000));
    // The packets cannot tell the protocol-1 models apart: all of them are named, and the
    // operator's, being among them, stays chosen.
    EXPECT_EQ(Text(ControlId::LINK_LINE),
              "Heard protocol 1 at 115200 baud: TR20, TR20_A, TR30_A, TR30_E or TR20_B; the packets cannot tell them "
              "apart");
    EXPECT_EQ(ModelShown(*dialog), "TR30_E");
    EXPECT_TRUE(LinkToolTip(*dialog).contains("TR20 TR20_A TR30_A TR30_E TR20_B")) << LinkToolTip(*dialog).toStdString();
    Settle(50);
    EXPECT_EQ(factor->mapTo(dialog.get(), QPoint(0, 0)), factorAt);
    EXPECT_TRUE(qobject_cast<FixedLinesLabel*>(dialog->Control(ControlId::LINK_LINE))->ShowsWholeText());
    // The probe has let go of the port.
    Button(ControlId::OPEN_CLOSE)->click();
    EXPECT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE") << messages.join('|').toStdString();
    EXPECT_FALSE(Button(ControlId::DETECT)->isEnabled());
}

// Detect names what the packets show and no more, in either layout: every offered model that
// sends them.
TEST(DetectTexts, NameEveryOfferedModelThePacketsFit)
{
    ProbeResult result;
    RecognisedStream stream;
    stream.accepted = 500;
    result.candidates = {{115200, 1, 0, stream, {&g_ModelTR20, &g_ModelTR20_A, &g_ModelTR30_A, &g_ModelTR30_E, &g_ModelTR20_B}}};
    result.best = 0;
    const QStringList listed = {"TR20", "TR20_A", "TR30_A", "TR30_E"};
    const struct {
        DialogLanguage language;
        QStringList offered;
        const char* said;
    } cases[] = {
        {DialogLanguage::English, listed,
         "Heard protocol 1 at 115200 baud: TR20, TR20_A, TR30_A or TR30_E; the packets cannot tell them apart"},
        {DialogLanguage::Chinese, listed,
         "检测到协议 1，115200 波特：TR20、TR20_A、TR30_A 或 TR30_E；这些型号的数据包相同，无法区分"},
        {DialogLanguage::English, {"TR20_A", "TR10"}, "Heard protocol 1 at 115200 baud: TR20_A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectResultText(result, c.offered, c.language).toStdString(), c.said);
}

// Every protocol's scanner is found and its model chosen, so that OPEN then shows it.
TEST_F(DialogTest, DetectSelectsTheModelOfEveryProtocolAndCanBeCancelled)
{
    const struct {
        const DeviceModel& model;
        const char* said;
    } found[] = {
        {g_ModelTR10, "检测到协议 0，230400 波特：TR10"},
        {g_ModelTR20_C, "检测到协议 2，115200 波特：TR20_C"},
        {g_ModelTR20_D, "检测到协议 3，115200 波特：TR20_D"},
    };
    for (const auto& c : found) {
        ScannerOnPty pty(c.model);
        MakeDialog(DialogLanguage::Chinese, pty.Ports());
        EXPECT_EQ(Text(ControlId::DETECT), "检测");
        Button(ControlId::DETECT)->click();
        EXPECT_EQ(Text(ControlId::DETECT), "取消");
        ASSERT_TRUE(WaitFor([&] { return Text(ControlId::DETECT) == "检测"; }, 10000));
        EXPECT_EQ(Text(ControlId::LINK_LINE), QString::fromUtf8(c.said));
        EXPECT_EQ(ModelShown(*dialog), c.model.szName);
        dialog.reset();
    }
    {
        ScannerOnPty pty(g_ModelTR20_A);
        detectSeconds = 30.0;
        MakeDialog(DialogLanguage::English, pty.Ports());
        Button(ControlId::DETECT)->click();
        ASSERT_TRUE(WaitFor([&] { return Text(ControlId::LINK_LINE).startsWith("Listening"); }));
        Button(ControlId::DETECT)->click();
        ASSERT_TRUE(WaitFor([&] { return Text(ControlId::DETECT) == "Detect"; }, 2000)) << "cancel was not taken";
        EXPECT_EQ(Text(ControlId::LINK_LINE), "Detection cancelled");
        EXPECT_TRUE(Button(ControlId::OPEN_CLOSE)->isEnabled());
        dialog.reset();
    }
    {
        MakeDialog(DialogLanguage::English, {"/dev/plotwell-no-such-port"});
        Button(ControlId::DETECT)->click();
        ASSERT_TRUE(WaitFor([&] { return Text(ControlId::DETECT) == "Detect"; }));
        EXPECT_EQ(Text(ControlId::LINK_LINE), "Open Failed");
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_TRUE(messages.back().startsWith("Open Failed")) << messages.join('|').toStdString();
    }
}

// A subscribed topic's line, read once a second: its rate from the last reading that saw scans
// (a publisher of one scan every two seconds is not one a second), and once it has gone quiet
// for two seconds, for how long.
TEST(SubscriptionLine, SaysTheRateAndHowLongThePublisherHasBeenQuiet)
{
    using std::chrono::milliseconds;
    struct Reading {
        int atMs;
        int newScans;  // arrived since the reading before
        const char* english;
        const char* chinese;
    };
    const Reading readings[] = {
        {1000, 0, "waiting for scans", "等待扫描数据"},
        {2000, 10, "5.0 scans/s  360 pts", "5.0 帧/秒  360 点"},
        {3000, 10, "10.0 scans/s  360 pts", "10.0 帧/秒  360 点"},
        {4000, 0, "10.0 scans/s  360 pts", "10.0 帧/秒  360 点"},
        {5000, 1, "0.5 scans/s  360 pts", "0.5 帧/秒  360 点"},
        {6000, 0, "0.5 scans/s  360 pts", "0.5 帧/秒  360 点"},
        {7000, 0, "no scans for 2 s", "2 秒没有收到扫描"},
        {12000, 0, "no scans for 7 s", "7 秒没有收到扫描"},
    };
    for (const DialogLanguage language : {DialogLanguage::English, DialogLanguage::Chinese}) {
        SubscriptionHealth health;
        const auto start = SubscriptionHealth::Clock::time_point{} + std::chrono::hours(1);
        health.Start(start);
        for (const Reading& reading : readings) {
            for (int i = 0; i < reading.newScans; ++i)
                health.Arrived();
            const bool chinese = language == DialogLanguage::Chinese;
            EXPECT_EQ(health.Line(start + milliseconds(reading.atMs), 360, language).toStdString(),
                      chinese ? reading.chinese : reading.english)
                << reading.atMs << " ms";
        }
    }
}
