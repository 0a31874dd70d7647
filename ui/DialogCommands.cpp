// The operator's commands on the main dialog: OPEN/CLOSE, the three edits, the check boxes and
// the radio buttons.
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <initializer_list>

#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "ros2/RevolutionPublisher.h"
#include "run/ReceiveLoop.h"
#include "ui/ClickableLabel.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/LinkTexts.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"
#include "ui/TextNumbers.h"

namespace {
constexpr int CLOSE_SETTLE_MS = 200;
constexpr uint8_t SCANNER_START = 0xEE;
constexpr uint8_t SCANNER_STOP = 0xEF;
}  // namespace

void CPlotwellDlg::ConnectCommands()
{
    connect(m_openButton, &QPushButton::clicked, this, &CPlotwellDlg::OnOpenClose);
    connect(m_detectButton, &QPushButton::clicked, this, &CPlotwellDlg::OnDetect);
    connect(m_startButton, &QPushButton::clicked, this, &CPlotwellDlg::OnStartStop);
    connect(m_recordButton, &QPushButton::clicked, this, &CPlotwellDlg::OnRecordData);
    connect(m_rangeButtons, &QButtonGroup::idClicked, this, &CPlotwellDlg::OnRangeButton);
    connect(m_compensationButtons, &QButtonGroup::idClicked, this, [](int mode) { Store(g_nCompensation, mode); });
    connect(m_filterBox, &QCheckBox::clicked, this, &CPlotwellDlg::OnFilterBox);
    if (m_floatFormatBox != nullptr)
        connect(m_floatFormatBox, &QCheckBox::clicked, this,
                [](bool checked) { Store(g_bFloatFormat, checked ? 1 : 0); });
    connect(m_factorEdit, &QLineEdit::returnPressed, this, &CPlotwellDlg::OnFilterFactorReturn);
    connect(m_pointNumEdit, &QLineEdit::returnPressed, this, &CPlotwellDlg::OnPointNumReturn);
    if (m_statPointsEdit != nullptr)
        connect(m_statPointsEdit, &QLineEdit::returnPressed, this, &CPlotwellDlg::OnStatPointsReturn);
    connect(m_factorShow, &ClickableLabel::clicked, this, &CPlotwellDlg::OnStepFrame);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &CPlotwellDlg::ShowAbout);
    ConnectFileCommands();
    ConnectFreezeCommands();
}

void CPlotwellDlg::OnOpenClose()
{
    m_strPort = m_portList->currentData().toString();
    m_strModel = m_modelList->currentText();
    if (m_connection == Connection::Closed)
        OpenPort();
    else
        ClosePort();
}

// The open port's caption is spelled "ClOSE", as it always was.
void CPlotwellDlg::ShowConnection()
{
    m_openButton->setText(m_connection == Connection::Open ? QStringLiteral("ClOSE") : QStringLiteral("OPEN"));
    const bool portFree = m_connection == Connection::Closed || m_connection == Connection::Playing;
    m_openButton->setEnabled(m_connection == Connection::Closed || m_connection == Connection::Open);
    m_portList->setEnabled(portFree);
    m_modelList->setEnabled(portFree);
    // Detect listens to the closed port; while it does, the same button cancels it.
    const bool detecting = m_connection == Connection::Detecting;
    m_detectButton->setText(DetectCaption(detecting, m_options.language));
    m_detectButton->setEnabled(m_connection == Connection::Closed || detecting);
    // A subscribed window has no bytes of a port to record.
    const bool subscribed = m_connection == Connection::Subscribed;
    m_recordButton->setEnabled(!subscribed);
    m_recordButton->setToolTip(subscribed ? Notes().recordingSubscribed : QString());
    // Its scans come processed: point number, filter and compensation are the publisher's
    // business.
    for (QWidget* control : std::initializer_list<QWidget*>{m_pointNumEdit, m_filterBox, m_factorEdit, m_statPointsEdit})
        if (control != nullptr)
            control->setEnabled(!subscribed);
    for (QAbstractButton* mode : m_compensationButtons->buttons())
        mode->setEnabled(!subscribed);
}

void CPlotwellDlg::SetConnection(Connection connection)
{
    m_connection = connection;
    ShowConnection();
}

// The model, and with it the protocol code, is chosen before the thread starts, since its first
// pass reads the code. The thread waits without a port until Open has configured the line.
void CPlotwellDlg::OpenPort()
{
    SelectModel(m_strModel.toLatin1().constData());
    const DeviceModel* model = Load(g_pModel);
    if (m_publisher)
        m_publisher->StartRun(ModelScanShape(*model));
    const bool receiving = StartReceiving(m_SerialPort, m_stage);
    if (!receiving)
        ShowMessage(this, QStringLiteral("Serial Thread Setup Failed"));
    std::string reason;
    if (m_SerialPort.Open(m_strPort.toStdString(), model->nBaudRate, &reason)) {
        m_openSession.fetch_add(1, std::memory_order_relaxed);
        SetConnection(Connection::Open);
        StartHealthLine();
        ShowReceiveIndicator(QString::number(model->nBaudRate));
        Store(g_nPointNum, model->nPointNum);
        ShowPointNum();
        if (!m_SerialPort.LockNote().empty())
            SetFileNote(m_strPort + QStringLiteral(": ") + QString::fromStdString(m_SerialPort.LockNote()));
        return;
    }
    ShowConnection();
    if (receiving) {
        Store(g_nPointNum, model->nPointNum);
        ShowPointNum();
    }
    // A loaded data file plays back without a port; otherwise there is nothing to receive. The
    // note line and the box both say which, before the first frame can arrive.
    const bool playing = receiving && Load(g_bPlayback);
    if (playing) {
        SetConnection(Connection::Playing);
        StartHealthLine();
        ShowPlayingNote(Notes().playingWithoutPort);
    } else if (receiving) {
        EndAcquisition();
    }
    ShowMessage(this, QStringLiteral("Open Failed"),
                QString::fromStdString(reason) + (playing ? QStringLiteral("\nThe dropped file plays without a port.") : QString()));
}

void CPlotwellDlg::ShowPointNum()
{
    const QString text = QString::number(Load(g_nPointNum));
    m_pointNumEdit->setText(text);
    m_pointNumShow->setText(text);
}

void CPlotwellDlg::ClosePort()
{
    EndAcquisition();
    if (!m_SerialPort.Close())
        return;
    m_connection = Connection::Closed;
    HideReceiveIndicator();
    m_linkLine->clear();
    m_linkLine->setToolTip(QString());
    // Disabled, the button would hand the focus on to the range buttons, where the next Return
    // changes the range: the column holds the focus, which takes no key, until OPEN is back.
    const bool focused = m_openButton->hasFocus();
    if (focused)
        m_leftColumn->widget()->setFocus(Qt::OtherFocusReason);
    m_openButton->setEnabled(false);
    QTimer::singleShot(CLOSE_SETTLE_MS, this, [this, focused] {
        FinishClose();
        if (focused && m_leftColumn->widget()->hasFocus())
            m_openButton->setFocus(Qt::OtherFocusReason);
    });
}

void CPlotwellDlg::FinishClose()
{
    ShowConnection();
    m_startButton->hide();
}

// The receive thread never waits for the UI, so joining it cannot deadlock; revolutions it
// handed to the view before it ended are not shown.
void CPlotwellDlg::EndAcquisition()
{
    m_SerialPort.EndReceiving();
    m_viewOutput.HideRunsUpTo(m_stage.Run().run);
}

void CPlotwellDlg::OnStartStop()
{
    m_scannerStarted = !m_scannerStarted;
    m_startButton->setText(m_scannerStarted ? QStringLiteral("STOP") : QStringLiteral("START"));
    const uint8_t command = m_scannerStarted ? SCANNER_START : SCANNER_STOP;
    // The link reports a failed write itself; the button toggles either way.
    static_cast<void>(m_SerialPort.Write(&command, 1));
}

void CPlotwellDlg::OnRangeButton(int index)
{
    m_Coord.SetRange(index, CImageCoord::Recentre, QPoint(0, 0));
}

void CPlotwellDlg::OnFilterFactorReturn()
{
    if (Load(g_bPlayback))
        Store(g_bHoldFrame, m_factorEdit->text() == QStringLiteral("auto") ? 0 : 1);
    TakeFilterFactor();
    ShowFilterFactor();
}

void CPlotwellDlg::TakeFilterFactor()
{
    const std::optional<float> factor = LeadingFloat(m_factorEdit->text());
    if (factor && *factor > 0.0f)
        Store(g_fFilterFactor, *factor);
}

void CPlotwellDlg::ShowFilterFactor()
{
    const QString text = QString::asprintf("%.3f", static_cast<double>(Load(g_fFilterFactor)));
    m_factorEdit->setText(text);
    m_factorShow->setText(text);
}

void CPlotwellDlg::OnPointNumReturn()
{
    const std::optional<int> value = LeadingInt(m_pointNumEdit->text());
    if (value && *value >= 20 && *value <= 200)
        Store(g_nPointNum, *value);
    ShowPointNum();
}

void CPlotwellDlg::OnStatPointsReturn()
{
    const std::optional<int> value = LeadingInt(m_statPointsEdit->text());
    if (value && *value >= 1 && *value <= 500)
        Store(g_nStatPoints, *value);
    m_statPointsEdit->setText(QString::number(Load(g_nStatPoints)));
}

void CPlotwellDlg::OnFilterBox()
{
    if (m_filterBox->isChecked()) {
        TakeFilterFactor();
        ShowFilterFactor();
        Store(g_bFilter, 1);
    } else {
        Store(g_bFilter, 0);
    }
}
