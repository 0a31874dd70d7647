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
#include <QVBoxLayout>

#include "ui/ClickableLabel.h"
#include "ui/ControlIds.h"
#include "ui/PlotwellDlg.h"
#include "ui/PortComboBox.h"

namespace {

const char* const RANGE_CAPTIONS[9] = {"0-0.2M", "0-0.5M", "0-1M", "0-2M", "0-4M",
                                       "0-6M",   "0-8M",   "0-10M", "0-18M"};

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

void CPlotwellDlg::Register(int id, QWidget* control)
{
    control->setObjectName(QString::number(id));
    m_controls.insert(id, control);
}

void CPlotwellDlg::CreateControls()
{
    m_leftColumn = CreateLeftColumn();
    m_leftColumn->setParent(this);
    SetMinimumWindow();
    Register(ControlId::VIEW, &m_Coord);
}

QWidget* CPlotwellDlg::CreateLeftColumn()
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CreatePortGroup());

    auto* receive = new QLabel(QStringLiteral("Receive Data"));
    receive->setAlignment(Qt::AlignCenter);
    QSizePolicy keepRoom = receive->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);  // the flashing indicator must not shake the column
    receive->setSizePolicy(keepRoom);
    receive->hide();
    Register(ControlId::RECEIVE, receive);
    layout->addWidget(receive);

    layout->addWidget(CreateRangeGroup());
    auto* start = PushButton("START");
    Register(ControlId::START_STOP, start);
    layout->addWidget(start);
    layout->addWidget(CreateSettingsGrid());
    layout->addWidget(CreateCompensationGroup());
    layout->addStretch(1);
    layout->addWidget(CreateRecordRow());
    return column;
}

QWidget* CPlotwellDlg::CreatePortGroup()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* group = CentredGroup(texts.portGroup);
    auto* grid = new QGridLayout(group);
    auto* ports = new PortComboBox;
    auto* models = new QComboBox;
    // Device paths can be long; the list shows them whole in its popup.
    ports->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ports->setMinimumContentsLength(10);
    Register(ControlId::PORT, ports);
    Register(ControlId::MODEL, models);
    auto* open = PushButton("OPEN");
    Register(ControlId::OPEN_CLOSE, open);
    grid->addWidget(new QLabel(texts.portLabel), 0, 0);
    grid->addWidget(ports, 0, 1);
    grid->addWidget(new QLabel(texts.modelLabel), 1, 0);
    grid->addWidget(models, 1, 1);
    grid->addWidget(open, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* CPlotwellDlg::CreateRangeGroup()
{
    auto* group = CentredGroup(TextsFor(m_options.language).rangeGroup);
    auto* grid = new QGridLayout(group);
    auto* exclusive = new QButtonGroup(group);
    for (int index = 0; index < 9; ++index) {
        auto* radio = new QRadioButton(QString::fromLatin1(RANGE_CAPTIONS[index]));
        exclusive->addButton(radio, index);
        Register(RANGE_BUTTONS[index], radio);
        grid->addWidget(radio, index / 3, index % 3);
    }
    return group;
}

QWidget* CPlotwellDlg::CreateSettingsGrid()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);

    auto* pointNum = new QLineEdit;
    auto* pointNumShow = new QLabel;
    Register(ControlId::POINT_NUM, pointNum);
    Register(ControlId::POINT_NUM_SHOW, pointNumShow);
    grid->addWidget(new QLabel(texts.pointNumLabel), 0, 0);
    grid->addWidget(pointNum, 0, 1);
    grid->addWidget(pointNumShow, 0, 2);

    auto* filter = new QCheckBox(texts.filter);
    auto* factor = new QLineEdit;
    auto* factorShow = new ClickableLabel;
    Register(ControlId::FILTER, filter);
    Register(ControlId::FILTER_FACTOR, factor);
    Register(ControlId::FACTOR_SHOW, factorShow);
    grid->addWidget(filter, 1, 0);
    grid->addWidget(factor, 1, 1);
    grid->addWidget(factorShow, 1, 2);

    if (!texts.statPointsLabel.isEmpty()) {
        auto* label = new QLabel(texts.statPointsLabel);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* statPoints = new QLineEdit;
        Register(ControlId::STAT_POINTS_LABEL, label);
        Register(ControlId::STAT_POINTS, statPoints);
        grid->addWidget(label, 2, 0, 1, 2);
        grid->addWidget(statPoints, 2, 2);
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* CPlotwellDlg::CreateCompensationGroup()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* group = CentredGroup(texts.compGroup);
    auto* layout = new QVBoxLayout(group);
    auto* exclusive = new QButtonGroup(group);
    const int ids[3] = {ControlId::COMP_NONE, ControlId::COMP_FORMULA, ControlId::COMP_BINS};
    const QString captions[3] = {texts.compNone, texts.compFormula, texts.compBins};
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = new QRadioButton(captions[mode]);
        exclusive->addButton(radio, mode);
        Register(ids[mode], radio);
        layout->addWidget(radio);
    }
    return group;
}

QWidget* CPlotwellDlg::CreateRecordRow()
{
    const LayoutTexts& texts = TextsFor(m_options.language);
    auto* row = new QWidget;
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    // A steady line, unlike the flashing indicator, so that a written file's path can be read
    // and copied. It sits above the button, so the button never moves when it changes, and it
    // wraps within the column instead of widening it.
    auto* note = new QLabel;
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Register(ControlId::FILE_NOTE, note);
    column->addWidget(note);
    auto* layout = new QHBoxLayout;
    column->addLayout(layout);
    auto* record = PushButton("RECORD_DATA");
    Register(ControlId::RECORD_DATA, record);
    layout->addWidget(record);
    if (!texts.floatFormat.isEmpty()) {
        auto* floatFormat = new QCheckBox(texts.floatFormat);
        Register(ControlId::FLOAT_FORMAT, floatFormat);
        layout->addWidget(floatFormat);
    }
    return row;
}
