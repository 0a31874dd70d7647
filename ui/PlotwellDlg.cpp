#include "ui/PlotwellDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <mutex>

#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "recording/McapScanPlayer.h"
#include "ros2/PublisherOutput.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/ScanSubscriber.h"
#include "ui/AboutDlg.h"
#include "ui/ControlIds.h"
#include "ui/EditDropFilter.h"
#include "ui/LinkTexts.h"
#include "ui/MessageBox.h"
#include "ui/PortComboBox.h"
#include "view/ViewGeometry.h"

namespace {
constexpr double RANGE_SHARE = 0.95;  // of the first frame's points that --play's first range holds
}  // namespace

CPlotwellDlg::CPlotwellDlg(const DialogOptions& options, QWidget* parent)
    : QDialog(parent),
      m_options(options),
      m_Coord(this),
      m_scanHandOver(m_scanStop, [this] { OnFrameReady(); }, this)
{
    setWindowTitle(TextsFor(options.language).caption);
    setWindowIcon(QIcon(QStringLiteral(":/plotwell.png")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    CreateControls();
    ConnectCommands();
    OnInitDialog();
}

CPlotwellDlg::~CPlotwellDlg()
{
    EndDetect();
    EndAcquisition();
    EndRos2();
    StopScanPlayer();
    m_stage.Stop();
}

void CPlotwellDlg::OnInitDialog()
{
    RefreshPortList();
    for (int i = 0; i < ModelCount(); ++i) {
        if (i == ORIGINAL_MODEL_COUNT)
            m_modelList->insertSeparator(i);
        m_modelList->addItem(QString::fromLatin1(g_Models[i]->szName));
    }
    m_modelList->setCurrentIndex(1);
    m_filterBox->setChecked(true);
    LayOutWindow();
    m_Coord.InitView();
    m_viewInitialised = true;
    m_SerialPort.SetLossCallback(&CPlotwellDlg::OnDeviceLostFromThread, this);
    m_rangeButtons->button(2)->setChecked(true);
    m_compensationButtons->button(1)->setChecked(true);

    m_timerPortScan.setInterval(PORT_SCAN_MS);
    m_timerShow.setSingleShot(true);
    m_timerHide.setSingleShot(true);
    connect(&m_timerPortScan, &QTimer::timeout, this, [this] { OnTimer(TIMER_PORT_SCAN); });
    connect(&m_timerShow, &QTimer::timeout, this, [this] { OnTimer(TIMER_RECEIVE_SHOW); });
    connect(&m_timerHide, &QTimer::timeout, this, [this] { OnTimer(TIMER_RECEIVE_HIDE); });
    m_timerPortScan.start();

    m_startButton->hide();
    ShowFilterFactor();
    ShowPointNum();
    if (m_statPointsEdit != nullptr)
        m_statPointsEdit->setText(QString::number(Load(g_nStatPoints)));
    // The reason goes in whole; only the directory is shortened to the line, like any path
    // (a two-argument arg() inserts its "%1" without replacing it again).
    if (!m_options.unusableRecordDir.empty())
        SetFileNote(Notes().recordDirUnusable.arg(QStringLiteral("%1"), QString::fromStdString(m_options.recordDirProblem)),
                    QFile::decodeName(QByteArray::fromStdString(m_options.unusableRecordDir)));
    StartRos2();
    AttachOutputs();
    StartServing();
}

// A burst of revolutions (a line that held back its bytes for a moment, a loaded machine) must
// not cost the view or the recording any: their queues hold seconds of them. Publishing keeps a
// second's worth; an older scan is of little use to a subscriber.
void CPlotwellDlg::AttachOutputs()
{
    const OutputNames names = OutputNamesFor(m_options.language);
    m_viewOutputId = m_stage.Attach(m_viewOutput, {names.view.toStdString(), 16, [this] { m_viewWake.Wake(); }});
    m_recorderOutputId = m_stage.Attach(m_recorderOutput, {names.recording.toStdString(), 64, {}});
    m_mcapOutputId = m_stage.Attach(m_recordFormat.Output(), {names.recording.toStdString() + " (MCAP)", 64, {}});
    if (m_publisherOutput)
        m_stage.Attach(*m_publisherOutput, {names.publishing.toStdString(), 8, {}});
    if (m_serveBox)
        m_stage.Attach(m_serveBox->Output(), {names.serving.toStdString(), 8, {}});
    for (const DialogOptions::AddedOutput& added : m_options.addedOutputs)
        m_stage.Attach(*added.output, {added.options.name, added.options.queueBound, {}});
    if (!m_stage.Start())
        ShowMessage(this, QStringLiteral("Serial Thread Setup Failed"));
}

// With --serve: listens once the stage runs, and says where to connect, or why it cannot.
void CPlotwellDlg::StartServing()
{
    if (!m_serveBox)
        return;
    QString reason;
    if (m_serveBox->Start(m_stage, reason))
        SetFileNote(m_serveBox->NoteText());
    else
        ShowMessage(this, QStringLiteral("Foxglove Server Not Started"), reason);
}

QWidget* CPlotwellDlg::Control(int id) const
{
    return m_controls.value(id, nullptr);
}

void CPlotwellDlg::OnFrameReady()
{
    // A frozen picture keeps its revolution; the indicator goes on counting the new ones.
    if (!m_Coord.IsFrozen()) {
        if (m_fitRangeToFrame)
            FitRangeToFrame();
        m_Coord.Redraw();
    }
    m_timerShow.start(RECEIVE_SHOW_MS);
    emit frameShown();
}

// A recording of a room a few metres across showed a handful of dots in a corner of 0-1M: the
// first frame of a file played with --play, or of a topic shown with --subscribe, picks the
// smallest range that holds nearly all of it, as if its radio button had been clicked. A frame
// without returns leaves the choice to the next.
void CPlotwellDlg::FitRangeToFrame()
{
    int index = -1;
    {
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        index = SmallestRangeHolding(g_PointList, RANGE_SHARE);
    }
    if (index < 0)
        return;
    m_fitRangeToFrame = false;
    m_rangeButtons->button(index)->click();
}

void CPlotwellDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // Escape never closes the dialog; it cancels a detection, as its button does.
        if (m_connection == Connection::Detecting)
            OnDetect();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Return never closes either; on a focused button, check box or radio button it presses
        // it, since Space freezes the picture instead.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CPlotwellDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    AddFreezeEntries(menu);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&About Plotwell..."), this, &CPlotwellDlg::ShowAbout);
    menu.exec(event->globalPos());
}

void CPlotwellDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CPlotwellDlg::done(int result)
{
    // The close box, Alt+F4: acquisition ends before the window goes, and the port is closed so
    // that its lock file goes with it.
    EndDetect();
    EndAcquisition();
    EndRos2();
    static_cast<void>(m_SerialPort.Close());  // false only when no port was open
    QDialog::done(result);
}

void CPlotwellDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CPlotwellDlg::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.push_back(LocalPath(url));
    event->acceptProposedAction();
    OnDropFiles(event->position().toPoint(), paths);
}
