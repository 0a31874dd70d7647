// A dropped (or --play'ed) recording without Plotwell's raw bytes, such as a bag of another
// scanner's ROS 2 driver: the LaserScans of one of its channels are drawn as a subscribed topic's
// are (the same hand-over, conversion and link line), at their recorded pace, round and round.
// The operator chooses the channel when there are several. The next file dropped ends them.
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <chrono>

#include "acquisition/SharedState.h"
#include "protocols/ProtocolTable.h"
#include "recording/McapScanPlayer.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"

bool CPlotwellDlg::PlayRecordedScans(const std::string& path)
{
    const QString shown = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath();
    // The scans take the place of a port: they wait for a window that reads none.
    if (m_connection != Connection::Closed && !m_scanPlayer) {
        ShowMessage(this, QStringLiteral("Cannot play ") + shown,
                    QStringLiteral("The recording holds LaserScans but no bytes of a port: they play in a window "
                                   "with no port open and no file playing (plotwell --play FILE)."));
        return false;
    }
    auto player = std::make_unique<McapScanPlayer>();
    std::string reason;
    std::string topic;
    if (!player->Open(path, reason)) {
        ShowMessage(this, QStringLiteral("Cannot open the data file"), shown + QStringLiteral(": ") + QString::fromStdString(reason));
        return false;
    }
    if (!ChooseScanTopic(player->Topics(), topic))
        return false;
    EndScanPlayback();
    if (!player->Play(topic, [this](const LaserScan& scan) { ScanArrived(scan); }, reason)) {
        ShowMessage(this, QStringLiteral("Cannot play ") + shown, QString::fromStdString(reason));
        return false;
    }
    m_scanPlayer = std::move(player);
    SetConnection(Connection::Subscribed);
    m_topicHealth.Start(std::chrono::steady_clock::now());
    m_fitRangeToFrame = true;
    m_Coord.SetDirection(ProtocolFor(Load(g_nProtocol)).direction);
    SetFileNote(Notes().playingScans + QString::fromStdString(topic), shown);
    return true;
}

// The only channel, or the one the operator picks; false when the choice is cancelled.
bool CPlotwellDlg::ChooseScanTopic(const std::vector<std::string>& topics, std::string& topic)
{
    if (topics.size() == 1) {
        topic = topics.front();
        return true;
    }
    QStringList items;
    for (const std::string& each : topics)
        items << QString::fromStdString(each);
    bool chosen = false;
    const QString item = QInputDialog::getItem(this, QStringLiteral("LaserScans"),
                                               QStringLiteral("The recording has several LaserScan topics. Play:"),
                                               items, 0, false, &chosen);
    topic = item.toStdString();
    return chosen;
}

// Releases a player thread waiting for the UI before joining it, as EndRos2 does for the
// subscriber; the hand-over serves the next one.
void CPlotwellDlg::StopScanPlayer()
{
    if (!m_scanPlayer)
        return;
    m_scanHandOver.Stop();
    m_scanPlayer->Close();
    m_scanPlayer.reset();
    m_scanStop.store(0, std::memory_order_relaxed);
    m_refusedScans.store(0, std::memory_order_relaxed);
}

void CPlotwellDlg::EndScanPlayback()
{
    if (!m_scanPlayer)
        return;
    StopScanPlayer();
    SetConnection(Connection::Closed);
    m_linkLine->clear();
}
