// Recording and dropped-file playback on the main dialog: RECORD_DATA, a file dropped on an
// edit field, the step click on the factor display, and the line that says which file was
// written.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackLoad.h"
#include "files/RecordButton.h"
#include "files/Recording.h"
#include "protocols/DeviceModel.h"
#include "ui/ControlIds.h"
#include "ui/EditDropFilter.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"

namespace {
// Often enough to follow a recording's size, rarely enough to cost nothing.
constexpr int RECORD_WATCH_MS = 250;

QString PlayingNote(const QString& path)
{
    return QStringLiteral("Playing ") + QFileInfo(path).absoluteFilePath() +
           QStringLiteral("\nStep: click the value right of Filter. Run: type auto in the Filter field, Return.");
}
}  // namespace

void CPlotwellDlg::ConnectFileCommands()
{
    auto* drops = new EditDropFilter(this, [this](const QPoint& position, const QStringList& paths) {
        OnDropFiles(position, paths);
    });
    for (int id : {ControlId::POINT_NUM, ControlId::FILTER_FACTOR, ControlId::STAT_POINTS})
        if (QWidget* edit = Control(id))
            drops->Watch(edit);
    m_timerRecordWatch.setInterval(RECORD_WATCH_MS);
    connect(&m_timerRecordWatch, &QTimer::timeout, this, &CPlotwellDlg::WatchRecording);
}

// Only a single file dropped on one of the edit fields is taken; anything else is ignored
// without a word.
void CPlotwellDlg::OnDropFiles(const QPoint& position, const QStringList& paths)
{
    QWidget* target = childAt(position);
    const bool onEdit = target != nullptr && (target == Control(ControlId::POINT_NUM) ||
                                              target == Control(ControlId::FILTER_FACTOR) ||
                                              target == Control(ControlId::STAT_POINTS));
    if (!onEdit || paths.size() != 1)
        return;
    LoadDroppedFile(paths.front());
}

bool CPlotwellDlg::LoadDroppedFile(const QString& path)
{
    std::string reason;
    switch (LoadPlaybackFile(path.toStdString(), &reason)) {
    case PLAYBACK_LOADED:
        break;
    case PLAYBACK_TOO_LARGE:
        ShowMessage(this, QStringLiteral("More than 5M"));
        return false;
    case PLAYBACK_NOT_DATA:
        ShowMessage(this, QStringLiteral("Non-data files"));
        return false;
    default:
        ShowMessage(this, QStringLiteral("Cannot open the data file"), QString::fromStdString(reason));
        return false;
    }
    // Stepping by a click on a number is not something anyone guesses.
    Control(ControlId::FACTOR_SHOW)->setCursor(Qt::PointingHandCursor);
    SetFileNote(PlayingNote(path) + (Receiving() ? QString() : QStringLiteral("\nPress OPEN to start.")));
    return true;
}

// A port is open or a file plays on its own thread: OPEN is not offered.
bool CPlotwellDlg::Receiving() const
{
    QPushButton* open = Button(ControlId::OPEN_CLOSE);
    return open->text() != QStringLiteral("OPEN") || !open->isEnabled();
}

bool CPlotwellDlg::PlayFile(const QString& path)
{
    if (!LoadDroppedFile(path))
        return false;
    // A running receive thread takes the new file as it is.
    if (Receiving())
        return true;
    // As after an OPEN without a port: the receive thread reads the file, OPEN stays disabled.
    SelectModel(qobject_cast<QComboBox*>(Control(ControlId::MODEL))->currentText().toLatin1().constData());
    if (!m_SerialPort.StartReceiving()) {
        ShowMessage(this, QStringLiteral("Serial Thread Setup Failed"));
        return false;
    }
    Store(g_nPointNum, Load(g_pModel)->nPointNum);
    ShowPointNum();
    SetEnabled(ControlId::OPEN_CLOSE, false);
    SetFileNote(PlayingNote(path));
    return true;
}

void CPlotwellDlg::OnStepFrame()
{
    if (Load(g_bPlayback))
        StepPlaybackFrame();
}

void CPlotwellDlg::OnRecordData()
{
    QPushButton* button = Button(ControlId::RECORD_DATA);
    const RecordButtonOutcome outcome = PressRecordButton(button->text().toStdString());
    button->setText(QString::fromStdString(outcome.buttonText));
    SetEnabled(ControlId::FLOAT_FORMAT, !outcome.recording);
    if (outcome.file.status == FileWriteResult::FAILED) {
        m_timerRecordWatch.stop();
        ShowFileResult(outcome.file);
        return;
    }
    if (outcome.recording) {
        m_fullNoticeShown = false;
        SetFileNote(QStringLiteral("Recording..."));
        m_timerRecordWatch.start();
        return;
    }
    m_timerRecordWatch.stop();
    ShowFileResult(outcome.file);
}

// Tells the operator once when the store has reached its limit: from then on nothing more is
// kept, and what was collected waits for RECORD_STOP.
void CPlotwellDlg::WatchRecording()
{
    if (!Load(g_bRecording)) {
        m_timerRecordWatch.stop();
        return;
    }
    const bool raw = Load(g_bFloatFormat) == 0;
    const QString held = QString::number(Load(g_nRecordCount)) + (raw ? QStringLiteral(" bytes") : QStringLiteral(" samples"));
    if (!RecordingFull()) {
        // A file dropped during a recording keeps its note; RECORD_STOP still writes the recording.
        if (!Load(g_bPlayback))
            SetFileNote(QStringLiteral("Recording: ") + held);
        return;
    }
    SetFileNote(QStringLiteral("Recording full (") + held + QStringLiteral("): press RECORD_STOP to write it"));
    if (m_fullNoticeShown)
        return;
    // Set before the box: its event loop runs this timer again.
    m_fullNoticeShown = true;
    ShowMessage(this, QStringLiteral("Recording full"),
                QStringLiteral("Nothing more is kept. Press RECORD_STOP to write the ") + held + QStringLiteral(" collected."));
}

void CPlotwellDlg::ShowFileResult(const FileWriteResult& result)
{
    const QString path = QString::fromStdString(result.path);
    switch (result.status) {
    case FileWriteResult::WRITTEN:
        SetFileNote(QStringLiteral("Written: ") + path);
        break;
    case FileWriteResult::NOTHING_TO_WRITE:
        SetFileNote(Load(g_bPlayback) ? QStringLiteral("No frame to write") : QStringLiteral("Nothing received: no file written"));
        break;
    case FileWriteResult::FAILED: {
        // A recording that could not be written is kept; a snapshot can simply be taken again.
        const bool kept = Button(ControlId::RECORD_DATA)->text() == QStringLiteral("RECORD_STOP");
        const QString retry = kept ? QStringLiteral("The data is kept: press RECORD_STOP to try again.") : QString();
        SetFileNote(QStringLiteral("Not written: ") + path + (kept ? QStringLiteral(" (kept)") : QString()));
        ShowMessage(this, QStringLiteral("Cannot write ") + path,
                    QString::fromStdString(result.reason) + (kept ? QStringLiteral("\n") + retry : QString()));
        break;
    }
    }
}

void CPlotwellDlg::SetFileNote(const QString& text)
{
    SetText(ControlId::FILE_NOTE, text);
}
