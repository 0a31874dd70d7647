// Recording and dropped-file playback on the main dialog: RECORD_DATA, a file dropped on an
// edit field, the step click on the factor display, and the line that says which file was
// written.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackIndex.h"
#include "files/PlaybackLoad.h"
#include "files/RecordButton.h"
#include "files/Recording.h"
#include "protocols/DeviceModel.h"
#include "recording/McapPlayback.h"
#include "run/ReceiveLoop.h"
#include "ui/ClickableLabel.h"
#include "ui/EditDropFilter.h"
#include "ui/FileNote.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"

namespace {
// Often enough to follow a recording's size, rarely enough to cost nothing.
constexpr int RECORD_WATCH_MS = 250;

// A file's name for the note line, whole; what is not valid UTF-8 shows as a replacement mark.
QString ShownPath(const std::string& path)
{
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath();
}

QString McapKeptText()
{
    return QStringLiteral("\nEverything written before stays in the file; "
                          "'plotwell-tool convert FILE FINISHED.mcap' completes it for other programs.");
}

}  // namespace

void CPlotwellDlg::ConnectFileCommands()
{
    auto* drops = new EditDropFilter(this, [this](const QPoint& position, const std::vector<std::string>& paths) {
        OnDropFiles(position, paths);
    });
    for (QWidget* edit : {m_pointNumEdit, m_factorEdit, m_statPointsEdit})
        if (edit != nullptr)
            drops->Watch(edit);
    m_timerRecordWatch.setInterval(RECORD_WATCH_MS);
    connect(&m_timerRecordWatch, &QTimer::timeout, this, &CPlotwellDlg::WatchRecording);
}

// Only a single file dropped on one of the edit fields is taken; anything else is ignored
// without a word.
void CPlotwellDlg::OnDropFiles(const QPoint& position, const std::vector<std::string>& paths)
{
    QWidget* target = childAt(position);
    const bool onEdit = target != nullptr &&
                        (target == m_pointNumEdit || target == m_factorEdit || target == m_statPointsEdit);
    // A file plays through the receive thread, which does not run while a topic is shown; a
    // recording's played scans give way to the next file.
    if (!onEdit || paths.size() != 1 || (m_connection == Connection::Subscribed && !m_scanPlayer))
        return;
    LoadDroppedFile(paths.front());
}

bool CPlotwellDlg::LoadDroppedFile(const std::string& path)
{
    std::string reason;
    QString more;
    bool scansOnly = false;
    const int loaded = IsMcapFileName(path) ? LoadMcap(path, reason, more, scansOnly) : LoadPlaybackFile(path, &reason);
    if (scansOnly)
        return PlayRecordedScans(path);
    switch (loaded) {
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
    EndScanPlayback();
    // From now on the parsers read the file, also while a port is open; its health counts afresh.
    m_SerialPort.AttachSource(&m_playback);
    RequestLinkHealthReset();
    // Stepping by a click on a number is not something anyone guesses.
    m_factorShow->setCursor(Qt::PointingHandCursor);
    const bool receiving = m_connection != Connection::Closed;
    m_playingPath = ShownPath(path);
    m_playingMore = more;
    ShowPlayingNote(receiving ? QString() : Notes().pressOpen);
    return true;
}

// The recording's raw channel as the playback's bytes; while no port is open, the model list
// takes the model the recording names, so that it decodes as it was recorded. `scansOnly`: it has
// no raw channel, and its LaserScans may play instead.
int CPlotwellDlg::LoadMcap(const std::string& path, std::string& reason, QString& more, bool& scansOnly)
{
    const McapPlaybackResult result = LoadMcapPlayback(path);
    reason = result.reason;
    scansOnly = result.lacksRawChannel;
    if (result.status != PLAYBACK_LOADED)
        return result.status;
    if (result.run.model != nullptr && m_connection == Connection::Closed &&
        m_modelList->findText(QString::fromLatin1(result.run.model->szName)) >= 0)
        m_modelList->setCurrentText(QString::fromLatin1(result.run.model->szName));
    if (result.shortened)
        more = QStringLiteral("\nThe first %1 bytes of the recording play; "
                              "'plotwell-tool decode' reads all of it.").arg(result.loaded);
    return result.status;
}

bool CPlotwellDlg::PlayFile(const std::string& path)
{
    if (!LoadDroppedFile(path))
        return false;
    // A running receive thread takes the new file as it is.
    if (m_connection != Connection::Closed)
        return true;
    // As after an OPEN without a port: the receive thread reads the file, OPEN stays disabled.
    SelectModel(m_modelList->currentText().toLatin1().constData());
    if (!StartReceiving(m_SerialPort, m_stage)) {
        ShowMessage(this, QStringLiteral("Serial Thread Setup Failed"));
        return false;
    }
    Store(g_nPointNum, Load(g_pModel)->nPointNum);
    ShowPointNum();
    SetConnection(Connection::Playing);
    StartHealthLine();
    ShowPlayingNote(QString());
    m_fitRangeToFrame = true;
    return true;
}

// That the loaded file plays and how to step it, with `more` to say; or that it holds no frame
// by the rule of the model that reads it (the selected one, until a receive thread runs).
void CPlotwellDlg::ShowPlayingNote(const QString& more)
{
    const QByteArray name = m_modelList->currentText().toLatin1();
    const DeviceModel* model = FindAnyModel(name.constData());
    const bool running = m_connection != Connection::Closed || model == nullptr;
    const int32_t protocol = running ? Load(g_nProtocol) : CodesForName(name.constData()).protocol;
    const int32_t pointNum = running ? Load(g_nPointNum) : model->nPointNum;
    if (!PlaybackHasFrames(protocol, pointNum))
        SetFileNote(Notes().noFrames, m_playingPath);
    else
        SetFileNote(Notes().playing + m_playingMore + more, m_playingPath);
}

void CPlotwellDlg::OnStepFrame()
{
    if (Load(g_bPlayback))
        StepPlaybackFrame();
}

void CPlotwellDlg::OnRecordData()
{
    if (m_recordFormat.Recording()) {
        StopMcapRecording();
        return;
    }
    if (m_recordState == RecordState::Idle && !Load(g_bPlayback) && m_recordFormat.Chosen() == RecordFormat::Mcap) {
        StartMcapRecording();
        return;
    }
    // What was received up to the press is in the file: the recorder takes in what it was
    // handed (it never waits for this thread, and takes a revolution in microseconds).
    if (m_recordState != RecordState::Idle)
        m_stage.Drain(m_recorderOutputId);
    const RecordButtonOutcome outcome = PressRecordButton(m_recordState);
    SetRecordState(outcome.state);
    if (outcome.state == RecordState::Recording) {
        m_fullNoticeShown = false;
        SetFileNote(Notes().recordingStarted);
        m_timerRecordWatch.start();
        return;
    }
    m_timerRecordWatch.stop();
    ShowFileResult(outcome.file);
}

// The mode of a recording cannot change while it runs or waits to be written.
void CPlotwellDlg::SetRecordState(RecordState state)
{
    m_recordState = state;
    m_recordButton->setText(state == RecordState::Idle ? QStringLiteral("RECORD_DATA") : QStringLiteral("RECORD_STOP"));
    if (m_floatFormatBox != nullptr)
        m_floatFormatBox->setEnabled(state == RecordState::Idle);
    m_recordFormat.SetEnabled(state == RecordState::Idle);
}

void CPlotwellDlg::StartMcapRecording()
{
    const FileWriteResult started = m_recordFormat.Start();
    if (started.status != FileWriteResult::WRITTEN) {
        ShowFileResult(started);
        return;
    }
    SetRecordState(RecordState::Recording);
    m_fullNoticeShown = false;
    SetFileNote(Notes().recordingStarted);
    m_timerRecordWatch.start();
}

void CPlotwellDlg::StopMcapRecording()
{
    // Everything received up to the press goes into the file.
    m_stage.Drain(m_mcapOutputId);
    m_timerRecordWatch.stop();
    const FileWriteResult stopped = m_recordFormat.Stop();
    SetRecordState(RecordState::Idle);
    if (stopped.status == FileWriteResult::WRITTEN) {
        SetFileNote(Notes().written, QString::fromStdString(stopped.path));
        return;
    }
    SetFileNote(Notes().notWritten, QString::fromStdString(stopped.path));
    // Said once: a failure seen while recording has been told already.
    if (!m_fullNoticeShown)
        ShowMessage(this, QStringLiteral("Cannot write ") + QString::fromStdString(stopped.path),
                    QString::fromStdString(stopped.reason) + McapKeptText());
}

// The recording's size on the note line, and a failed write said at once: the file keeps what
// was written before it, and RECORD_STOP ends the recording.
void CPlotwellDlg::WatchMcapRecording()
{
    const QString path = QString::fromStdString(m_recordFormat.Path());
    if (!m_recordFormat.Output().Failed()) {
        if (!Load(g_bPlayback))
            SetFileNote(Notes().recording.arg(m_recordFormat.Held()));
        return;
    }
    SetFileNote(Notes().notWritten, path);
    if (m_fullNoticeShown)
        return;
    m_fullNoticeShown = true;  // before the box: its event loop runs this timer again
    ShowMessage(this, QStringLiteral("Cannot write ") + path,
                QString::fromStdString(m_recordFormat.Output().Failure()) + McapKeptText() +
                    QStringLiteral("\nPress RECORD_STOP to end the recording."));
}

// Tells the operator once when the store has reached its limit: from then on nothing more is
// kept, and what was collected waits for RECORD_STOP.
void CPlotwellDlg::WatchRecording()
{
    if (m_recordFormat.Recording()) {
        WatchMcapRecording();
        return;
    }
    if (!Load(g_bRecording)) {
        m_timerRecordWatch.stop();
        return;
    }
    const bool raw = Load(g_bFloatFormat) == 0;
    const QString count = QString::number(Load(g_nRecordCount));
    const QString held = (raw ? Notes().bytes : Notes().samples).arg(count);
    if (!RecordingFull()) {
        // A file dropped during a recording keeps its note; RECORD_STOP still writes the recording.
        if (!Load(g_bPlayback))
            SetFileNote(Notes().recording.arg(held));
        return;
    }
    SetFileNote(Notes().recordingFull.arg(held));
    if (m_fullNoticeShown)
        return;
    // Set before the box: its event loop runs this timer again.
    m_fullNoticeShown = true;
    ShowMessage(this, QStringLiteral("Recording full"),
                QStringLiteral("Nothing more is kept. Press RECORD_STOP to write the ") + count +
                    (raw ? QStringLiteral(" bytes") : QStringLiteral(" samples")) + QStringLiteral(" collected."));
}

void CPlotwellDlg::ShowFileResult(const FileWriteResult& result)
{
    const QString path = QString::fromStdString(result.path);
    switch (result.status) {
    case FileWriteResult::WRITTEN:
        SetFileNote(Notes().written, path);
        break;
    case FileWriteResult::NOTHING_TO_WRITE:
        SetFileNote(Load(g_bPlayback) ? Notes().noFrameToWrite : Notes().nothingReceived);
        break;
    case FileWriteResult::FAILED: {
        // A recording that could not be written is kept; a snapshot can simply be taken again.
        const bool kept = m_recordState == RecordState::Unwritten;
        const QString retry = kept ? QStringLiteral("The data is kept: press RECORD_STOP to try again.") : QString();
        SetFileNote(kept ? Notes().notWrittenKept : Notes().notWritten, path);
        ShowMessage(this, QStringLiteral("Cannot write ") + path,
                    QString::fromStdString(result.reason) + (kept ? QStringLiteral("\n") + retry : QString()));
        break;
    }
    }
}

const NoteTexts& CPlotwellDlg::Notes() const { return TextsFor(m_options.language).notes; }

void CPlotwellDlg::SetFileNote(const QString& text, const QString& path)
{
    m_fileNote->Show(text, path);
}
