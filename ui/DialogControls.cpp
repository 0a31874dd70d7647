// Builds the main dialog's controls in the active layout and registers each under its id.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/ClickableLabel.h"
#include "ui/ControlIds.h"
#include "ui/FileNote.h"
#include "ui/FixedLinesLabel.h"
#include "ui/LinkTexts.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"
#include "ui/RadioGroupKeys.h"

namespace {

const char* const RANGE_CAPTIONS[9] = {"0-0.2M", "0-0.5M", "0-1M", "0-2M", "0-4M",
                                       "0-6M",   "0-8M",   "0-10M", "0-18M"};

// Rows of the column closer than the style's default: the column then fits a work area of 540
// lines (1080 at a scale of 2, Chinese layout, a note of three lines, the room of the link line,
// a window manager's caption) without scrolling.
constexpr int ROW_SPACING = 2;
constexpr int GROUP_MARGIN = 2;  // above the first and below the last row of a group
// Detect's longest finding, with the protocol-1 models it cannot tell apart, takes three lines
// of the English column and two of the wider Chinese one, whose further rows leave no room for
// a third on a work area of 540 lines.
int LinkLines(DialogLanguage language)
{
    return language == DialogLanguage::Chinese ? 2 : 3;
}

// A group's rows ROW_SPACING apart; its side margins and the space between columns as the style
// has them.
void TightRows(QLayout* layout)
{
    const QMargins margins = layout->contentsMargins();
    layout->setContentsMargins(margins.left(), GROUP_MARGIN, margins.right(), GROUP_MARGIN);
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        grid->setVerticalSpacing(ROW_SPACING);
    else
        layout->setSpacing(ROW_SPACING);
}

QGroupBox* CentredGroup(const QString& title)
{
    auto* group = new QGroupBox(title);
    group->setAlignment(Qt::AlignHCenter);
    return group;
}

QPushButton* PushButton(const char* text)
{
    auto* button = new QPushButton(QString::fromLatin1(text));
    // No default button: Return in an edit must not press one.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

template <typename Widget>
Widget* CPlotwellDlg::Register(int id, Widget* control)
{
    control->setObjectName(QString::number(id));
    m_controls.insert(id, control);
    return control;
}

void CPlotwellDlg::CreateControls()
{
    // On a short work area (1080 lines at a scale of 2, a panel, the Chinese layout's extra rows,
    // a note of three lines) the column does not fit: it scrolls rather than losing RECORD_DATA
    // below the window's edge.
    m_leftColumn = new QScrollArea(this);
    m_leftColumn->setFrameShape(QFrame::NoFrame);
    m_leftColumn->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_leftColumn->setWidgetResizable(true);
    m_leftColumn->setWidget(CreateLeftColumn());
    SetMinimumWindow();
    Register(ControlId::VIEW, &m_Coord);
}

QWidget* CPlotwellDlg::CreateLeftColumn()
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ROW_SPACING);
    layout->addWidget(CreatePortGroup());

    m_receiveLabel = Register(ControlId::RECEIVE, new QLabel(QStringLiteral("Receive Data")));
    m_receiveLabel->setAlignment(Qt::AlignCenter);
    QSizePolicy keepRoom = m_receiveLabel->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);  // the flashing indicator must not shake the column
    m_receiveLabel->setSizePolicy(keepRoom);
    m_receiveLabel->hide();
    layout->addWidget(m_receiveLabel);

    // A steady line, unlike the flashing indicator: the link's health, refreshed every second,
    // or what Detect is doing. Its room is kept while it is empty.
    m_linkLine = Register(ControlId::LINK_LINE, new FixedLinesLabel(LinkLines(m_options.language)));
    layout->addWidget(m_linkLine);

    layout->addWidget(CreateRangeGroup());
    m_startButton = Register(ControlId::START_STOP, PushButton("START"));
    layout->addWidget(m_startButton);
    layout->addWidget(CreateSettingsGrid());
    layout->addWidget(CreateCompensationGroup());
    if (!m_options.ros2.publishTopic.empty())
        layout->addWidget(CreatePublishBox());
    if (m_options.serve) {
        m_serveBox = std::make_unique<ServeBox>(*m_options.serve, m_options.language);
        layout->addWidget(Register(ControlId::SERVE, m_serveBox->Box()));
    }
    layout->addStretch(1);
    layout->addWidget(CreateRecordRow());
    return column;
}

QWidget* CPlotwellDlg::CreatePortGroup()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* group = CentredGroup(texts.portGroup);
    auto* grid = new QGridLayout(group);
    m_portList = Register(ControlId::PORT, new PortComboBox);
    m_modelList = Register(ControlId::MODEL, new QComboBox);
    // Device paths can be long; the list shows them whole in its popup.
    m_portList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_portList->setMinimumContentsLength(10);
    // Made in the order Tab visits them: Detect is beside the model list, OPEN below.
    m_detectButton = Register(ControlId::DETECT, new QPushButton(DetectCaption(false, m_options.language)));
    m_detectButton->setAutoDefault(false);
    m_detectButton->setToolTip(texts.tips.detect);
    m_openButton = Register(ControlId::OPEN_CLOSE, PushButton("OPEN"));
    grid->addWidget(new QLabel(texts.portLabel), 0, 0);
    grid->addWidget(m_portList, 0, 1, 1, 2);
    grid->addWidget(new QLabel(texts.modelLabel), 1, 0);
    grid->addWidget(m_modelList, 1, 1);
    grid->addWidget(m_detectButton, 1, 2);
    grid->addWidget(m_openButton, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    TightRows(grid);
    return group;
}

QWidget* CPlotwellDlg::CreateRangeGroup()
{
    auto* group = CentredGroup(TextsFor(m_options.language).rangeGroup);
    auto* grid = new QGridLayout(group);
    TightRows(grid);
    m_rangeButtons = new QButtonGroup(group);
    for (int index = 0; index < 9; ++index) {
        auto* radio = Register(RANGE_BUTTONS[index], new QRadioButton(QString::fromLatin1(RANGE_CAPTIONS[index])));
        m_rangeButtons->addButton(radio, index);
        grid->addWidget(radio, index / 3, index % 3);
    }
    new RadioGroupKeys(m_rangeButtons);
    return group;
}

QWidget* CPlotwellDlg::CreateSettingsGrid()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);

    m_pointNumEdit = Register(ControlId::POINT_NUM, new QLineEdit);
    m_pointNumEdit->setToolTip(texts.tips.pointNum);
    // Room for the values the edits take; anything longer is shortened, not given more room.
    m_pointNumShow = Register(ControlId::POINT_NUM_SHOW, new ElidedLabel(QStringLiteral("0000")));
    grid->addWidget(new QLabel(texts.pointNumLabel), 0, 0);
    grid->addWidget(m_pointNumEdit, 0, 1);
    grid->addWidget(m_pointNumShow, 0, 2);

    m_filterBox = Register(ControlId::FILTER, new QCheckBox(texts.filter));
    m_factorEdit = Register(ControlId::FILTER_FACTOR, new QLineEdit);
    m_factorEdit->setToolTip(texts.tips.filterFactor);
    m_factorShow = Register(ControlId::FACTOR_SHOW, new ClickableLabel(QStringLiteral("0000.000")));
    grid->addWidget(m_filterBox, 1, 0);
    grid->addWidget(m_factorEdit, 1, 1);
    grid->addWidget(m_factorShow, 1, 2);

    if (!texts.statPointsLabel.isEmpty()) {
        auto* label = Register(ControlId::STAT_POINTS_LABEL, new QLabel(texts.statPointsLabel));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_statPointsEdit = Register(ControlId::STAT_POINTS, new QLineEdit);
        m_statPointsEdit->setToolTip(texts.tips.statPoints);
        grid->addWidget(label, 2, 0, 1, 2);
        grid->addWidget(m_statPointsEdit, 2, 2);
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* CPlotwellDlg::CreateCompensationGroup()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* group = CentredGroup(texts.compGroup);
    auto* layout = new QVBoxLayout(group);
    TightRows(layout);
    m_compensationButtons = new QButtonGroup(group);
    const int ids[3] = {ControlId::COMP_NONE, ControlId::COMP_FORMULA, ControlId::COMP_BINS};
    const QString captions[3] = {texts.compNone, texts.compFormula, texts.compBins};
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = Register(ids[mode], new QRadioButton(captions[mode]));
        m_compensationButtons->addButton(radio, mode);
        layout->addWidget(radio);
    }
    new RadioGroupKeys(m_compensationButtons);
    return group;
}

QWidget* CPlotwellDlg::CreateRecordRow()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* row = new QWidget;
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    // A steady line, unlike the flashing indicator, so that a written file's path can be read
    // and copied. It sits above the button, so the button never moves when it changes.
    m_fileNote = Register(ControlId::FILE_NOTE, new FileNote);
    column->addWidget(m_fileNote);
    auto* layout = new QHBoxLayout;
    column->addLayout(layout);
    m_recordButton = Register(ControlId::RECORD_DATA, PushButton("RECORD_DATA"));
    layout->addWidget(m_recordButton);
    if (!texts.floatFormat.isEmpty()) {
        m_floatFormatBox = Register(ControlId::FLOAT_FORMAT, new QCheckBox(texts.floatFormat));
        layout->addWidget(m_floatFormatBox);
    }
    layout->addWidget(Register(ControlId::RECORD_FORMAT, m_recordFormat.CreateBox()));
    return row;
}

// Only with --publish: pauses and resumes publishing.
QWidget* CPlotwellDlg::CreatePublishBox()
{
    const QString topic = QString::fromStdString(m_options.ros2.publishTopic);
    m_publishBox = Register(ControlId::PUBLISH, new QCheckBox(TextsFor(m_options.language).publish + ' ' + topic));
    m_publishBox->setToolTip(QStringLiteral("Every revolution as a ROS 2 LaserScan on %1, DDS domain %2")
                                 .arg(topic)
                                 .arg(m_options.ros2.domain));
    return m_publishBox;
}
