// The main dialog's periodic work: the port list refresh, the flashing receive indicator, and
// the end of acquisition when the open device goes away.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "acquisition/PortEnumeration.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"

void CPlotwellDlg::OnTimer(int id)
{
    if (Button(ControlId::OPEN_CLOSE)->text() == QStringLiteral("OPEN") && id == TIMER_PORT_SCAN)
        RefreshPortList();
    if (id == TIMER_RECEIVE_SHOW) {
        m_timerShow.stop();
        SetText(ControlId::RECEIVE, StatusText());
        Control(ControlId::RECEIVE)->show();
        m_timerHide.start(RECEIVE_HIDE_MS);
    }
    if (id == TIMER_RECEIVE_HIDE) {
        m_timerHide.stop();
        Control(ControlId::RECEIVE)->hide();
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

    PortComboBox* ports = PortList();
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
    if (session != m_openSession.load(std::memory_order_relaxed) ||
        Button(ControlId::OPEN_CLOSE)->text() != QStringLiteral("ClOSE"))
        return;
    EndAcquisition();
    static_cast<void>(m_SerialPort.Close());  // the device is gone: closed whatever close says
    Control(ControlId::RECEIVE)->hide();
    FinishClose();
    ShowMessage(this, QStringLiteral("Device Disconnected"), m_strPort);
}

QPushButton* CPlotwellDlg::Button(int id) const { return qobject_cast<QPushButton*>(Control(id)); }
QLineEdit* CPlotwellDlg::Edit(int id) const { return qobject_cast<QLineEdit*>(Control(id)); }
QCheckBox* CPlotwellDlg::CheckBox(int id) const { return qobject_cast<QCheckBox*>(Control(id)); }
PortComboBox* CPlotwellDlg::PortList() const { return qobject_cast<PortComboBox*>(Control(ControlId::PORT)); }

// A control the layout lacks is skipped.
void CPlotwellDlg::SetText(int id, const QString& text)
{
    QWidget* control = Control(id);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
}

void CPlotwellDlg::SetEnabled(int id, bool enabled)
{
    if (QWidget* control = Control(id))
        control->setEnabled(enabled);
}
