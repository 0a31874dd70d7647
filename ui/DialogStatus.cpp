// The main dialog's periodic work: the port list refresh, the flashing receive indicator, the
// link's health, and the end of acquisition when the open device goes away.
#include <QLabel>
#include <algorithm>

#include "acquisition/PortEnumeration.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/LinkTexts.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"

void CPlotwellDlg::OnTimer(int id)
{
    // While Detect holds the port, the list would lose it and select another.
    if (m_connection != Connection::Open && m_connection != Connection::Detecting && id == TIMER_PORT_SCAN)
        RefreshPortList();
    if (id == TIMER_PORT_SCAN)
        RefreshHealthLine();
    if (id == TIMER_RECEIVE_SHOW) {
        m_timerShow.stop();
        ShowReceiveIndicator(StatusText());
        m_timerHide.start(RECEIVE_HIDE_MS);
    }
    // While frozen the counters stay up, so that the picture holding still is not taken for a
    // link gone quiet.
    if (id == TIMER_RECEIVE_HIDE) {
        m_timerHide.stop();
        if (!m_Coord.IsFrozen())
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

// From a new receive thread or a newly played file on, every second.
void CPlotwellDlg::StartHealthLine()
{
    m_lastHealth = ReadLinkHealth();
    m_lastHealthTime = std::chrono::steady_clock::now();
    m_linkLine->clear();
    m_linkLine->setToolTip(QString());
}

void CPlotwellDlg::RefreshHealthLine()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_connection == Connection::Subscribed) {
        m_linkLine->setText(m_topicHealth.Line(now, Load(g_nValidSamples), m_options.language));
        return;
    }
    if (m_connection != Connection::Open && m_connection != Connection::Playing)
        return;
    const LinkHealthReading reading = ReadLinkHealth();
    const double seconds = std::chrono::duration<double>(now - m_lastHealthTime).count();
    const LinkHealthFigures figures = FiguresBetween(m_lastHealth, reading, seconds);
    const bool frameHeld = Load(g_bPlayback) != 0 && Load(g_bHoldFrame) != 0;
    m_linkLine->setText(HealthLineText(figures, m_options.language, frameHeld));
    m_linkLine->setToolTip(HealthDetailsText(reading, figures, m_stage.Drops(), m_options.language));
    m_lastHealth = reading;
    m_lastHealthTime = now;
}

// Rebuilt when the ports on offer change (an adapter swapped for another keeps the count),
// never while the operator has the list open, and not when none is left (the last entries
// stay). The operator's choice stays chosen while it is on offer, so that OPEN takes the port
// that was picked. Enumeration opens no device, so the port in use is never probed.
void CPlotwellDlg::RefreshPortList()
{
    std::vector<PortEntry> all, free, busy;
    EnumeratePorts(all, free, busy, m_options.roots);
    QStringList paths;
    QStringList names;
    auto offer = [&](const std::string& path, const std::string& name) {
        if (!paths.contains(QString::fromStdString(path))) {
            paths << QString::fromStdString(path);
            names << QString::fromStdString(name);
        }
    };
    for (const std::string& path : m_options.extraPorts)
        offer(path, path);
    for (const PortEntry& entry : free)
        offer(entry.path, entry.displayName);

    PortComboBox* ports = m_portList;
    if (paths.isEmpty() || ports->IsPopupOpen() || ports->Paths() == paths)
        return;
    const QString chosen = ports->currentData().toString();
    ports->clear();
    for (qsizetype i = 0; i < paths.size(); ++i)
        ports->addItem(names[i], paths[i]);
    ports->setCurrentIndex(std::max(0, static_cast<int>(paths.indexOf(chosen))));
}

void CPlotwellDlg::OnDeviceLostFromThread(void* context)
{
    auto* dialog = static_cast<CPlotwellDlg*>(context);
    dialog->m_lostSession.store(dialog->m_openSession.load(std::memory_order_relaxed), std::memory_order_relaxed);
    dialog->m_lossWake.Wake();
}

void CPlotwellDlg::OnDeviceLost()
{
    const int session = m_lostSession.load(std::memory_order_relaxed);
    if (session != m_openSession.load(std::memory_order_relaxed) || m_connection != Connection::Open)
        return;
    EndAcquisition();
    static_cast<void>(m_SerialPort.Close());  // the device is gone: closed whatever close says
    m_connection = Connection::Closed;
    HideReceiveIndicator();
    m_linkLine->clear();  // the figures of a port that is gone
    m_linkLine->setToolTip(QString());
    FinishClose();
    ShowMessage(this, QStringLiteral("Device Disconnected"), m_strPort);
}
