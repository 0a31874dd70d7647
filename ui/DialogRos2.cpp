// ROS 2 on the main dialog: with --publish every revolution also goes out as a LaserScan (the
// "Publish" box pauses and resumes it); with --subscribe the window draws the scans of a topic
// instead of a port, each handed to the UI thread like a revolution.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "acquisition/SharedState.h"
#include "messages/ScanConversion.h"
#include "protocols/DeviceModel.h"
#include "ros2/PublisherOutput.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/ScanSubscriber.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"

namespace {
// The frame a ROS 2 user names as RViz2's Fixed Frame to see a lone scanner's scans.
constexpr const char* FRAME_ID = "laser";
}  // namespace

// Before the output stage starts: the publisher and its output are made once, for good.
void CPlotwellDlg::StartRos2()
{
    const Ros2Options& ros2 = m_options.ros2;
    std::string reason;
    if (!ros2.publishTopic.empty()) {
        m_publisher = std::make_unique<RevolutionPublisher>();
        const PublishSettings settings{ros2.domain, ros2.publishTopic, FRAME_ID, ModelScanShape(*Load(g_pModel)),
                                       ros2.nodeName};
        const bool open = m_publisher->Open(settings, reason);
        if (open) {
            m_publisherOutput = std::make_unique<PublisherOutput>(*m_publisher);
        } else {
            m_publisher.reset();
            ShowMessage(this, QStringLiteral("ROS 2 Publishing Failed"), QString::fromStdString(reason));
        }
        m_publishBox->setChecked(open);
        m_publishBox->setEnabled(open);
        connect(m_publishBox, &QCheckBox::clicked, this, &CPlotwellDlg::OnPublishBox);
    }
    if (!ros2.subscribeTopic.empty()) {
        m_subscriber = std::make_unique<ScanSubscriber>();
        auto arrived = [this](const LaserScan& scan) { ScanArrived(scan); };
        if (!m_subscriber->Open(ros2.domain, ros2.subscribeTopic, arrived, reason, ros2.nodeName)) {
            m_subscriber.reset();
            ShowMessage(this, QStringLiteral("ROS 2 Subscription Failed"), QString::fromStdString(reason));
            return;
        }
        SetConnection(Connection::Subscribed);
        m_topicHealth.Start(std::chrono::steady_clock::now());
        m_fitRangeToFrame = true;
        m_Coord.SetDirection(ProtocolFor(Load(g_nProtocol)).direction);
        SetFileNote(Notes().showingTopic
                        .arg(QString::fromStdString(ros2.subscribeTopic),
                             QString::fromStdString(m_subscriber->DdsName()))
                        .arg(ros2.domain));
    }
}

// Releases a subscriber thread waiting for the UI before joining it, as EndAcquisition does for
// the receive thread.
void CPlotwellDlg::EndRos2()
{
    m_scanHandOver.Stop();
    if (m_subscriber)
        m_subscriber->Close();
}

void CPlotwellDlg::OnPublishBox(bool checked)
{
    if (m_publisher)
        m_publisher->SetSending(checked);
}

// Subscriber thread. No receive thread runs while subscribed, so this is the only writer of the
// point list; the status line shows the scan's ranges and how many points are drawn of them (a
// scan larger than the list is drawn whole, binned down). A scan without finite angles is not
// drawn; the first one is said on the note line, from the UI thread, without waiting for it.
void CPlotwellDlg::ScanArrived(const LaserScan& scan)
{
    int32_t drawn = 0;
    bool usable = false;
    {
        std::lock_guard lock(g_PointListMutex);
        usable = LaserScanToPointList(scan, Load(g_nProtocol), g_PointList);
        for (int32_t i = 0; i < g_PointList.count; ++i)
            drawn += g_PointList.distance[i] != 0;
    }
    if (!usable) {
        if (m_refusedScans.fetch_add(1, std::memory_order_relaxed) == 0)
            QMetaObject::invokeMethod(this, [this] { SetFileNote(Notes().scansRefused); }, Qt::QueuedConnection);
        return;
    }
    Store(g_nReceived, static_cast<int32_t>(std::min<size_t>(scan.ranges.size(), INT32_MAX)));
    Store(g_nValidSamples, drawn);
    m_topicHealth.Arrived();
    FrameHandOver::Deliver(&m_scanHandOver);
}
