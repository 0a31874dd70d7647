// The main dialog's periodic work: the port list refresh, the flashing receive indicator, and
// the end of acquisition when the open device goes away.
#include <QLabel>

#include "acquisition/PortEnumeration.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"

void CPlotwellDlg::OnTimer(int id)
{
    if (m_connection != Connection::Open && id == TIMER_PORT_SCAN)
        RefreshPortList();
    if (id == TIMER_RECEIVE_SHOW) {
        m_timerShow.stop();
        m_receiveLabel->setText(StatusText());
        m_receiveLabel->show();
        m_timerHide.start(RECEIVE_HIDE_MS);
    }
    if (id == TIMER_RECEIVE_HIDE) {
        m_timerHide.stop();
        m_receiveLabel->hide();
    }
}

QString CPlotwellDlg::StatusText() const
{
    if (Load(g_bPlayback)) {
        const PlaybackPosition position = GetPlaybackPosition();
        return QString::asprintf("%d/%d,Receive:%d", position.frame, position.frames,
                                 Load(g_nReceived));
    }
    return QString::asprintf("Receive:%d,%d", Load(g_nReceived), Load(g_nValidSamples));
}

// Rebuilt only when the number of free ports changes, and never while the operator has the
// list open. Enumeration opens no device, so the port in use is never probed.
void CPlotwellDlg::RefreshPortList()
{
    std::vector<PortEntry> all, free, busy;
    EnumeratePorts(all, free, busy, m_options.roots);
    std::vector<PortEntry> offered;
    for (const std::string& path : m_options.extraPorts)
        offered.push_back(PortEntry{path, path});
    for (const PortEntry& entry : free) {
        const bool listed = std::any_of(offered.begin(), offered.end(),
                                        [&](const PortEntry& e) { return e.path == entry.path; });
        if (!listed)
            offered.push_back(entry);
    }

    PortComboBox* ports = m_portList;
    const auto n = static_cast<uint16_t>(offered.size());
    const auto c = static_cast<uint16_t>(ports->count());
    if (n == 0 || n == c || ports->IsPopupOpen())
        return;
    ports->clear();
    for (const PortEntry& entry : offered)
        ports->addItem(QString::fromStdString(entry.displayName), QString::fromStdString(entry.path));
    ports->setCurrentIndex(0);
}

void CPlotwellDlg::OnDeviceLostFromThread(void* context)
{
    auto* dialog = static_cast<CPlotwellDlg*>(context);
    const int session = dialog->m_openSession.load(std::memory_order_relaxed);
    QMetaObject::invokeMethod(dialog, [dialog, session] { dialog->OnDeviceLost(session); },
                              Qt::QueuedConnection);
}

void CPlotwellDlg::OnDeviceLost(int session)
{
    if (session != m_openSession.load(std::memory_order_relaxed) || m_connection != Connection::Open)
        return;
    EndAcquisition();
    static_cast<void>(m_SerialPort.Close());  // the device is gone: closed whatever close says
    m_connection = Connection::Closed;
    m_receiveLabel->hide();
    FinishClose();
    ShowMessage(this, QStringLiteral("Device Disconnected"), m_strPort);
}
