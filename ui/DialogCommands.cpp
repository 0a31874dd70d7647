// The operator's commands on the main dialog: OPEN/CLOSE, the three edits, the check boxes and
// the radio buttons.
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "ui/ClickableLabel.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"
#include "ui/TextNumbers.h"

namespace {
const QString OPEN_TEXT = QStringLiteral("OPEN");
const QString CLOSE_TEXT = QStringLiteral("ClOSE");  // sic: the state text the timers compare
constexpr int CLOSE_SETTLE_MS = 200;
constexpr uint8_t SCANNER_START = 0xEE;
constexpr uint8_t SCANNER_STOP = 0xEF;
}  // namespace

void CPlotwellDlg::ConnectCommands()
{
    connect(Button(ControlId::OPEN_CLOSE), &QPushButton::clicked, this, &CPlotwellDlg::OnOpenClose);
    connect(Button(ControlId::START_STOP), &QPushButton::clicked, this, &CPlotwellDlg::OnStartStop);
    connect(Button(ControlId::RECORD_DATA), &QPushButton::clicked, this, &CPlotwellDlg::OnRecordData);
    for (int index = 0; index < 9; ++index)
        connect(qobject_cast<QAbstractButton*>(Control(RANGE_BUTTONS[index])),
                &QAbstractButton::clicked, this, [this, index] { OnRangeButton(index); });
    const int compensation[3] = {ControlId::COMP_NONE, ControlId::COMP_FORMULA, ControlId::COMP_BINS};
    for (int mode = 0; mode < 3; ++mode)
        connect(qobject_cast<QAbstractButton*>(Control(compensation[mode])),
                &QAbstractButton::clicked, this, [mode] { Store(g_nCompensation, mode); });
    connect(CheckBox(ControlId::FILTER), &QCheckBox::clicked, this, &CPlotwellDlg::OnFilterBox);
    if (QCheckBox* floatFormat = CheckBox(ControlId::FLOAT_FORMAT))
        connect(floatFormat, &QCheckBox::clicked, this,
                [](bool checked) { Store(g_bFloatFormat, checked ? 1 : 0); });
    connect(Edit(ControlId::FILTER_FACTOR), &QLineEdit::returnPressed, this,
            &CPlotwellDlg::OnFilterFactorReturn);
    connect(Edit(ControlId::POINT_NUM), &QLineEdit::returnPressed, this,
            &CPlotwellDlg::OnPointNumReturn);
    if (QLineEdit* statPoints = Edit(ControlId::STAT_POINTS))
        connect(statPoints, &QLineEdit::returnPressed, this, &CPlotwellDlg::OnStatPointsReturn);
    connect(static_cast<ClickableLabel*>(Control(ControlId::FACTOR_SHOW)), &ClickableLabel::clicked,
            this, &CPlotwellDlg::OnStepFrame);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &CPlotwellDlg::ShowAbout);
    ConnectFileCommands();
}

void CPlotwellDlg::OnOpenClose()
{
    m_strPort = PortList()->currentData().toString();
    m_strModel = qobject_cast<QComboBox*>(Control(ControlId::MODEL))->currentText();
    if (Button(ControlId::OPEN_CLOSE)->text() == OPEN_TEXT)
        OpenPort();
    else
        ClosePort();
}

// The model, and with it the protocol code, is chosen before the thread starts, since its first
// pass reads the code. The thread waits without a port until Open has configured the line.
void CPlotwellDlg::OpenPort()
{
    SelectModel(m_strModel.toLatin1().constData());
    const DeviceModel* model = Load(g_pModel);
    const bool receiving = m_SerialPort.StartReceiving();
    if (!receiving)
        ShowMessage(this, QStringLiteral("Serial Thread Setup Failed"));
    std::string reason;
    if (m_SerialPort.Open(m_strPort.toStdString(), model->nBaudRate, &reason)) {
        m_openSession.fetch_add(1, std::memory_order_relaxed);
        SetText(ControlId::OPEN_CLOSE, CLOSE_TEXT);
        SetEnabled(ControlId::PORT, false);
        SetEnabled(ControlId::MODEL, false);
        SetText(ControlId::RECEIVE, QString::number(model->nBaudRate));
        Control(ControlId::RECEIVE)->show();
        Store(g_nPointNum, model->nPointNum);
        ShowPointNum();
        return;
    }
    SetEnabled(ControlId::PORT, true);
    SetEnabled(ControlId::MODEL, true);
    ShowMessage(this, QStringLiteral("Open Failed"), QString::fromStdString(reason));
    if (!receiving)
        return;
    Store(g_nPointNum, model->nPointNum);
    ShowPointNum();
    // A loaded data file plays back without a port; otherwise there is nothing to receive.
    if (Load(g_bPlayback))
        SetEnabled(ControlId::OPEN_CLOSE, false);
    else
        EndAcquisition();
}

void CPlotwellDlg::ShowPointNum()
{
    const QString text = QString::number(Load(g_nPointNum));
    SetText(ControlId::POINT_NUM, text);
    SetText(ControlId::POINT_NUM_SHOW, text);
}

void CPlotwellDlg::ClosePort()
{
    EndAcquisition();
    if (!m_SerialPort.Close())
        return;
    Control(ControlId::RECEIVE)->hide();
    SetEnabled(ControlId::OPEN_CLOSE, false);
    QTimer::singleShot(CLOSE_SETTLE_MS, this, &CPlotwellDlg::FinishClose);
}

void CPlotwellDlg::FinishClose()
{
    SetEnabled(ControlId::PORT, true);
    SetEnabled(ControlId::MODEL, true);
    SetText(ControlId::OPEN_CLOSE, OPEN_TEXT);
    SetEnabled(ControlId::OPEN_CLOSE, true);
    Control(ControlId::START_STOP)->hide();
}

// Releases a receive thread waiting for the UI before joining it: no deadlock, and no
// revolution reaches the view afterwards.
void CPlotwellDlg::EndAcquisition()
{
    m_handOver.Stop();
    m_SerialPort.EndReceiving();
}

void CPlotwellDlg::OnStartStop()
{
    QPushButton* button = Button(ControlId::START_STOP);
    const bool start = button->text() == QStringLiteral("START");
    button->setText(start ? QStringLiteral("STOP") : QStringLiteral("START"));
    const uint8_t command = start ? SCANNER_START : SCANNER_STOP;
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
        Store(g_bHoldFrame, Edit(ControlId::FILTER_FACTOR)->text() == QStringLiteral("auto") ? 0 : 1);
    TakeFilterFactor();
    ShowFilterFactor();
}

void CPlotwellDlg::TakeFilterFactor()
{
    const std::optional<float> factor = LeadingFloat(Edit(ControlId::FILTER_FACTOR)->text());
    if (factor && *factor > 0.0f)
        Store(g_fFilterFactor, *factor);
}

void CPlotwellDlg::ShowFilterFactor()
{
    const QString text = QString::asprintf("%.3f", static_cast<double>(Load(g_fFilterFactor)));
    SetText(ControlId::FILTER_FACTOR, text);
    SetText(ControlId::FACTOR_SHOW, text);
}

void CPlotwellDlg::OnPointNumReturn()
{
    const std::optional<int> value = LeadingInt(Edit(ControlId::POINT_NUM)->text());
    if (value && *value >= 20 && *value <= 200)
        Store(g_nPointNum, *value);
    ShowPointNum();
}

void CPlotwellDlg::OnStatPointsReturn()
{
    const std::optional<int> value = LeadingInt(Edit(ControlId::STAT_POINTS)->text());
    if (value && *value >= 1 && *value <= 500)
        Store(g_nStatPoints, *value);
    SetText(ControlId::STAT_POINTS, QString::number(Load(g_nStatPoints)));
}

void CPlotwellDlg::OnFilterBox()
{
    if (CheckBox(ControlId::FILTER)->isChecked()) {
        TakeFilterFactor();
        ShowFilterFactor();
        Store(g_bFilter, 1);
    } else {
        Store(g_bFilter, 0);
    }
}
