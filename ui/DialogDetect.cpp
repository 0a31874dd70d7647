// Detect: which model's scanner is on the selected port. The probe listens at every baud rate on
// a worker thread, so the window keeps working; its latest progress and the outcome come back
// under a lock with a wake-up of the UI thread, and the same button cancels it.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <mutex>
#include <system_error>
#include <utility>

#include "protocols/DeviceModel.h"
#include "run/ProbeReport.h"
#include "run/ScannerProbe.h"
#include "ui/LinkTexts.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"

namespace {

// The model the list should show: the one it shows if that fits, else the first fitting one it
// offers; empty when it offers none that fits.
QString ModelToShow(const ProbeCandidate& found, const QComboBox& models)
{
    QString first;
    for (const DeviceModel* model : found.models) {
        const QString name = QString::fromLatin1(model->szName);
        if (models.findText(name) < 0)
            continue;
        if (name == models.currentText())
            return name;
        if (first.isEmpty())
            first = name;
    }
    return first;
}

}  // namespace

void CPlotwellDlg::OnDetect()
{
    // The button stays enabled while the worker lets go of the port (a press meanwhile only asks
    // again): disabled, it handed the focus on to the range buttons, where the next Return
    // changed the range.
    if (m_connection == Connection::Detecting) {
        m_detectCancel.store(true, std::memory_order_relaxed);
        return;
    }
    if (m_connection != Connection::Closed)
        return;
    const ProbeSettings settings{m_portList->currentData().toString().toStdString(), m_options.detectSeconds,
                                 m_SerialPort.systemPaths};
    m_detectCancel.store(false, std::memory_order_relaxed);
    {
        // An outcome left by a detection the closing window waited for is not this one's.
        const std::lock_guard lock(m_detectMutex);
        m_detectStep.reset();
        m_detectResult.reset();
    }
    SetConnection(Connection::Detecting);
    m_linkLine->setToolTip(QString());
    try {
        m_detectThread = std::thread([this, settings] {
            auto progress = [this](const ProbeProgress& step) {
                {
                    const std::lock_guard lock(m_detectMutex);
                    m_detectStep = step;
                }
                m_detectWake.Wake();
            };
            ProbeResult result = ProbeScanner(settings, m_detectCancel, progress);
            {
                const std::lock_guard lock(m_detectMutex);
                m_detectResult = std::move(result);
            }
            m_detectWake.Wake();
        });
    } catch (const std::system_error& error) {
        SetConnection(Connection::Closed);
        ShowMessage(this, QStringLiteral("Serial Thread Setup Failed"), QString::fromLocal8Bit(error.what()));
    }
}

// UI thread, woken by the worker: only its latest step is worth showing, and once its outcome is
// there no step is.
void CPlotwellDlg::TakeDetectNews()
{
    std::optional<ProbeProgress> step;
    std::optional<ProbeResult> result;
    {
        const std::lock_guard lock(m_detectMutex);
        step = std::exchange(m_detectStep, std::nullopt);
        result = std::exchange(m_detectResult, std::nullopt);
    }
    if (result)
        FinishDetect(*result);
    else if (step)
        ShowDetectProgress(*step);
}

void CPlotwellDlg::ShowDetectProgress(const ProbeProgress& progress)
{
    if (m_connection == Connection::Detecting && !m_detectCancel.load(std::memory_order_relaxed))
        m_linkLine->setText(DetectProgressText(progress, m_options.language));
}

void CPlotwellDlg::FinishDetect(const ProbeResult& result)
{
    // Already waited for when the window closed.
    if (!m_detectThread.joinable())
        return;
    m_detectThread.join();  // it has posted its last word and is ending
    SetConnection(Connection::Closed);
    if (const ProbeCandidate* found = result.Found()) {
        const QString shown = ModelToShow(*found, *m_modelList);
        if (!shown.isEmpty())
            m_modelList->setCurrentText(shown);
    }
    QStringList offered;
    for (int i = 0; i < m_modelList->count(); ++i) {
        if (!m_modelList->itemText(i).isEmpty())  // not the separator
            offered << m_modelList->itemText(i);
    }
    m_linkLine->setText(DetectResultText(result, offered, m_options.language));
    if (!result.candidates.empty())
        m_linkLine->setToolTip(QStringLiteral("<pre>%1</pre>").arg(QString::fromStdString(ProbeTable(result)).toHtmlEscaped()));
    if (result.end == ProbeEnd::OpenFailed)
        ShowMessage(this, QStringLiteral("Open Failed"), QString::fromStdString(result.failure));
}

// The window goes: a running detection is cancelled and waited for, which takes at most a
// few tens of milliseconds; its outcome, handed over afterwards, is then ignored.
void CPlotwellDlg::EndDetect()
{
    if (!m_detectThread.joinable())
        return;
    m_detectCancel.store(true, std::memory_order_relaxed);
    m_detectThread.join();
}
