// ROS 2 in the window: --publish sends the live revolutions while its box is checked, and
// --subscribe draws the scans of a topic, handed over like revolutions.
#include <QRegularExpression>
#include <QSignalSpy>
#include <atomic>
#include <mutex>

#include "DialogFixture.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/ScanPublisher.h"
#include "ros2/ScanSubscriber.h"
#include "run/PseudoTerminalScanner.h"
#include "tests/support/DdsTestDomain.h"

TEST_F(DialogTest, PublishesLiveRevolutionsWhileThePublishBoxIsChecked)
{
    const uint32_t domain = UseTestDomain();
    SimulatedScannerSettings settings;
    settings.protocol = 1;
    PseudoTerminalScanner scanner(settings, g_ModelTR20_A.nBaudRate);
    std::string reason;
    ASSERT_TRUE(scanner.Open(&reason)) << reason;
    ASSERT_TRUE(scanner.Start(&reason)) << reason;
    std::atomic<int> received{0};
    std::atomic<uint32_t> bins{0};
    ScanSubscriber subscriber;
    ASSERT_TRUE(subscriber.Open(domain, "/plotwell_test/window_scan",
                                [&](const LaserScan& scan) {
                                    bins = static_cast<uint32_t>(scan.ranges.size());
                                    ++received;
                                },
                                reason))
        << reason;

    MakeDialog(DialogLanguage::English, {scanner.Path()}, {"/plotwell_test/window_scan", "", domain});
    ASSERT_EQ(Text(ControlId::PUBLISH), "Publish /plotwell_test/window_scan");
    ASSERT_TRUE(Button(ControlId::PUBLISH)->isChecked());
    EXPECT_NE(dialog->Control(ControlId::PUBLISH), dialog->Control(ControlId::LINK_LINE)) << "one id for two controls";
    Button(ControlId::OPEN_CLOSE)->click();
    ASSERT_TRUE(WaitFor([&] { return received >= 2; }, 10000)) << messages.join('|').toStdString();
    EXPECT_EQ(bins.load(), 500u);  // the listed models' default

    Button(ControlId::PUBLISH)->click();
    Settle(300);  // a scan already on its way may still arrive
    const int paused = received;
    Settle(500);
    EXPECT_EQ(received, paused);
    Button(ControlId::PUBLISH)->click();
    EXPECT_TRUE(WaitFor([&] { return received > paused; }, 10000));
    dialog.reset();  // ends acquisition before the scanner's terminal goes
    subscriber.Close();
}

TEST_F(DialogTest, SubscribedWindowDrawsTheScansOfTheTopicInsteadOfAPort)
{
    const uint32_t domain = UseTestDomain();
    MakeDialog(DialogLanguage::English, {}, {"", "/plotwell_test/drawn_scan", domain});
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    // The controls of a port and of processing do nothing here; the range does.
    for (const int id : {ControlId::OPEN_CLOSE, ControlId::PORT, ControlId::MODEL, ControlId::DETECT,
                         ControlId::POINT_NUM, ControlId::FILTER, ControlId::FILTER_FACTOR, ControlId::COMP_NONE,
                         ControlId::COMP_FORMULA, ControlId::COMP_BINS})
        EXPECT_FALSE(dialog->Control(id)->isEnabled()) << id;
    EXPECT_TRUE(Button(ControlId::RANGE_4M)->isEnabled());
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).contains("/plotwell_test/drawn_scan")) << Text(ControlId::FILE_NOTE).toStdString();

    RevolutionPublisher publisher;
    std::string reason;
    ASSERT_TRUE(publisher.Open({domain, "/plotwell_test/drawn_scan", "laser", {360, 0.05f, 12.0f}}, reason)) << reason;
    auto list = std::make_unique<PointList>();
    list->count = 2;
    list->angle[0] = 90.0f;  // a clockwise scanner's right: ROS -90 degrees
    list->distance[0] = 1234;
    list->angle[1] = 10.0f;
    list->distance[1] = 2000;
    ASSERT_TRUE(WaitFor([&] {
        publisher.Revolution(*list, 1);
        return shown.count() >= 1;
    }, 10000)) << messages.join('|').toStdString();
    // As with --play, the first scan chooses the range that holds it (it opened on 0-1M).
    EXPECT_TRUE(Button(ControlId::RANGE_2M)->isChecked());
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d scans/s  2 pts$)").match(Text(ControlId::LINK_LINE)).hasMatch())
        << Text(ControlId::LINK_LINE).toStdString();

    // Drawn in the window's own convention (protocol 0 until a model is opened: counter-clockwise),
    // so the point lies where the publishing window drew it.
    std::lock_guard lock(g_PointListMutex);
    ASSERT_EQ(g_PointList.count, 360);
    int points = 0;
    for (int i = 0; i < g_PointList.count; ++i) {
        if (g_PointList.distance[i] == 0)
            continue;
        ++points;
        // Each at the middle of its bin of one degree.
        const bool right = std::abs(g_PointList.angle[i] - 269.5f) < 0.01f && g_PointList.distance[i] == 1234;
        const bool ahead = std::abs(g_PointList.angle[i] - 349.5f) < 0.01f && g_PointList.distance[i] == 2000;
        EXPECT_TRUE(right || ahead) << g_PointList.angle[i] << " deg, " << g_PointList.distance[i] << " mm";
    }
    EXPECT_EQ(points, 2);
}

// A subscribed window has no port bytes to record, and a scan whose angles are not finite
// numbers is said once and not drawn, where it once lay along the 0 degree ray.
TEST_F(DialogTest, SubscribedWindowRefusesScansWithoutFiniteAnglesAndDoesNotRecord)
{
    const uint32_t domain = UseTestDomain();
    MakeDialog(DialogLanguage::English, {}, {"", "/plotwell_test/odd_scan", domain});
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    EXPECT_FALSE(Button(ControlId::RECORD_DATA)->isEnabled());
    EXPECT_TRUE(Button(ControlId::RECORD_DATA)->toolTip().contains("subscribed")) << Button(ControlId::RECORD_DATA)->toolTip().toStdString();

    ScanPublisher publisher;
    std::string reason;
    ASSERT_TRUE(publisher.Open(domain, "/plotwell_test/odd_scan", reason)) << reason;
    LaserScan scan;
    scan.frameId = "laser";
    scan.angleMin = NAN;
    scan.angleIncrement = 0.01f;
    scan.rangeMax = 10.0f;
    scan.ranges.assign(2600, 1.0f);
    ASSERT_TRUE(WaitFor([&] {
        (void)publisher.Publish(scan);
        return Text(ControlId::FILE_NOTE).contains("refused");
    }, 10000)) << Text(ControlId::FILE_NOTE).toStdString();
    EXPECT_EQ(shown.count(), 0);

    scan.angleMin = 0.0f;
    ASSERT_TRUE(WaitFor([&] {
        (void)publisher.Publish(scan);
        return shown.count() >= 1;
    }, 10000));
    std::lock_guard lock(g_PointListMutex);
    EXPECT_EQ(g_PointList.count, 2600);
}
