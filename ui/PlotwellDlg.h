// The main dialog: port and model choice, OPEN/CLOSE, range, filter and compensation settings,
// the receive indicator, and the polar view that every received revolution is drawn into.
#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "files/PlaybackSource.h"
#include "files/RecordButton.h"
#include "run/OutputStage.h"
#include "run/RecorderOutput.h"
#include "run/ScannerProbe.h"
#include "ui/DialogOptions.h"
#include "ui/FrameHandOver.h"
#include "ui/RecordFormatControl.h"
#include "ui/ServeBox.h"
#include "ui/SubscriptionHealth.h"
#include "ui/ThreadWake.h"
#include "ui/ViewOutput.h"
#include "view/ImageCoord.h"

class ClickableLabel;
class ElidedLabel;
class FileNote;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class PortComboBox;
class PublisherOutput;
class RevolutionPublisher;
class ScanSubscriber;
class McapScanPlayer;
struct LaserScan;

class CPlotwellDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPlotwellDlg(const DialogOptions& options, QWidget* parent = nullptr);
    ~CPlotwellDlg() override;

    // The control with that id, or null when the active layout lacks it.
    QWidget* Control(int id) const;
    CImageCoord& View() { return m_Coord; }

    // Timer events by the dialog's timer ids (TIMER_PORT_SCAN, ...).
    void OnTimer(int id);

    // Recording and playback (their bodies live with the file handling).
    // Paths as the system spells them, in any encoding.
    void OnDropFiles(const QPoint& position, const std::vector<std::string>& paths);
    void OnRecordData();
    void OnStepFrame();
    // Plays a data file as if it had been dropped and OPEN pressed without a port (--play).
    // False, after telling the operator why, when the file is refused.
    bool PlayFile(const std::string& path);

signals:
    // After a handed-over revolution has been taken in, and drawn unless the picture is frozen.
    void frameShown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public slots:
    void done(int result) override;

private:
    // Building and placing the controls.
    void CreateControls();
    QWidget* CreateLeftColumn();
    QWidget* CreatePortGroup();
    QWidget* CreateRangeGroup();
    QWidget* CreateSettingsGrid();
    QWidget* CreateCompensationGroup();
    QWidget* CreateRecordRow();
    template <typename Widget>
    Widget* Register(int id, Widget* control);
    void ConnectCommands();
    void OnInitDialog();
    void SetMinimumWindow();
    void LayOutWindow();
    QMargins FrameMargins() const;
    void WatchFrame();
    void PlaceView();

    // Commands.
    void OnOpenClose();
    void OpenPort();
    void ClosePort();
    void FinishClose();
    void EndAcquisition();
    void ShowPointNum();
    void OnStartStop();
    void OnRangeButton(int index);
    void OnFilterFactorReturn();
    void OnPointNumReturn();
    void OnStatPointsReturn();
    void OnFilterBox();
    void TakeFilterFactor();
    void ShowFilterFactor();
    void ShowAbout();

    // Recording and playback.
    void ConnectFileCommands();
    bool LoadDroppedFile(const std::string& path);
    int LoadMcap(const std::string& path, std::string& reason, QString& more, bool& scansOnly);
    // A recording without raw bytes: its LaserScans drawn as a topic's (DialogScanPlayback.cpp).
    bool PlayRecordedScans(const std::string& path);
    bool ChooseScanTopic(const std::vector<std::string>& topics, std::string& topic);
    void StopScanPlayer();
    void EndScanPlayback();
    void WatchRecording();
    void StartMcapRecording();
    void StopMcapRecording();
    void WatchMcapRecording();
    void ShowFileResult(const FileWriteResult& result);
    // `text` with its "%1" standing for `path`, when one is given.
    void SetFileNote(const QString& text, const QString& path = QString());
    void ShowPlayingNote(const QString& more);
    const NoteTexts& Notes() const;

    // ROS 2: publishing revolutions, or drawing a topic's scans (bodies in DialogRos2.cpp).
    QWidget* CreatePublishBox();
    void StartRos2();
    void EndRos2();
    void OnPublishBox(bool checked);
    void ScanArrived(const LaserScan& scan);

    // Detecting the scanner's model on the closed port, on a worker thread (DialogDetect.cpp).
    void OnDetect();
    void TakeDetectNews();
    void ShowDetectProgress(const ProbeProgress& progress);
    void FinishDetect(const ProbeResult& result);
    void EndDetect();

    // Freezing the picture and saving the revolution on screen (DialogFreeze.cpp).
    void ConnectFreezeCommands();
    void AddFreezeEntries(QMenu& menu);
    void OnFreeze();
    void OnSaveRevolution();
    // The receive indicator: `status` shown, or hidden, both saying so while the picture is frozen.
    void ShowReceiveIndicator(const QString& status);
    void HideReceiveIndicator();

    // Status refresh and the frame hand-over.
    void RefreshPortList();
    void StartHealthLine();
    void RefreshHealthLine();
    QString StatusText() const;
    // Where each revolution goes: the view, the recording, ROS 2 publishing, the Foxglove server.
    void AttachOutputs();
    void StartServing();
    void OnFrameReady();
    void FitRangeToFrame();
    static void OnDeviceLostFromThread(void* context);
    void OnDeviceLost();

    // What the operator has the dialog doing, from which OPEN/CLOSE, the port and model lists
    // and RECORD_DATA take their captions and whether they can be used.
    enum class Connection {
        Closed,   // no port open, no receive thread
        Open,     // a port is open and the receive thread reads it
        Playing,  // the receive thread plays a loaded file without a port
        Subscribed,  // the scans of a ROS 2 topic, or of a recording without raw bytes, are
                     // drawn; no port can be opened
        Detecting,   // a worker thread listens to the closed port for the scanner's model
    };
    void SetConnection(Connection connection);
    void ShowConnection();
    void SetRecordState(RecordState state);

    DialogOptions m_options;
    QHash<int, QWidget*> m_controls;
    QScrollArea* m_leftColumn = nullptr;  // holds the control column; scrolls when the screen is too short
    // The controls the handlers use; those the layout lacks stay null.
    PortComboBox* m_portList = nullptr;
    QComboBox* m_modelList = nullptr;
    QPushButton* m_openButton = nullptr;
    QLabel* m_receiveLabel = nullptr;
    QLabel* m_linkLine = nullptr;
    QPushButton* m_detectButton = nullptr;
    QButtonGroup* m_rangeButtons = nullptr;
    QPushButton* m_startButton = nullptr;
    QLineEdit* m_pointNumEdit = nullptr;
    ElidedLabel* m_pointNumShow = nullptr;
    QCheckBox* m_filterBox = nullptr;
    QLineEdit* m_factorEdit = nullptr;
    ClickableLabel* m_factorShow = nullptr;
    QLineEdit* m_statPointsEdit = nullptr;
    QButtonGroup* m_compensationButtons = nullptr;
    FileNote* m_fileNote = nullptr;
    QPushButton* m_recordButton = nullptr;
    QCheckBox* m_floatFormatBox = nullptr;
    QCheckBox* m_publishBox = nullptr;

    QString m_strPort;   // path of the selected port
    QString m_strModel;  // selected model name
    QString m_playingPath;  // the loaded data file, as the note line shows it
    QString m_playingMore;  // what the note line adds about it (a recording that plays in part)
    bool m_fitRangeToFrame = false;  // --play, --subscribe: the next frame with returns chooses the range
    CImageCoord m_Coord;
    PlaybackSource m_playback;  // attached to the port once a file is loaded; outlives its thread
    // Made before the stage starts and kept to the end, as is its output.
    std::unique_ptr<RevolutionPublisher> m_publisher;
    std::unique_ptr<PublisherOutput> m_publisherOutput;
    ViewOutput m_viewOutput{[this](SweepDirection direction) {
        m_Coord.SetDirection(direction);
        OnFrameReady();
    }};
    RecorderOutput m_recorderOutput;
    RecordFormatControl m_recordFormat{m_options.recordMcap ? RecordFormat::Mcap : RecordFormat::Text};
    // Stopped before the outputs above go; the receive thread below hands it every revolution.
    OutputStage m_stage;
    OutputStage::OutputId m_viewOutputId = 0;
    OutputStage::OutputId m_recorderOutputId = 0;
    // With --serve; goes before the stage, whose drops its server reports.
    std::unique_ptr<ServeBox> m_serveBox;
    OutputStage::OutputId m_mcapOutputId = 0;
    ThreadWake m_viewWake{[this] { m_stage.Serve(m_viewOutputId); }};
    CSerialPort m_SerialPort;
    std::unique_ptr<ScanSubscriber> m_subscriber;
    std::unique_ptr<McapScanPlayer> m_scanPlayer;  // a dropped recording's LaserScans, drawn like a topic's
    std::atomic<uint8_t> m_scanStop{0};  // ends the subscriber's or player's waits in m_scanHandOver
    std::atomic<int64_t> m_refusedScans{0};  // subscribed scans without finite angles
    FrameHandOver m_scanHandOver;
    SubscriptionHealth m_topicHealth;
    Connection m_connection = Connection::Closed;
    RecordState m_recordState = RecordState::Idle;
    bool m_scannerStarted = false;  // START sent last, not STOP
    QTimer m_timerPortScan;
    QTimer m_timerShow;
    QTimer m_timerHide;
    QTimer m_timerRecordWatch;      // while recording: its size, and whether the store is full
    bool m_fullNoticeShown = false; // the operator has been told that this recording is full
    std::atomic<int> m_openSession{0};  // raised by every OPEN; a late loss report of an older one is dropped
    std::atomic<int> m_lostSession{-1}; // the session whose device the receive thread reported lost
    ThreadWake m_lossWake{[this] { OnDeviceLost(); }};
    bool m_viewInitialised = false;  // InitView has run; later sizes need it again
    // The link line's last reading of the link's health, and when it was taken.
    LinkHealthReading m_lastHealth;
    std::chrono::steady_clock::time_point m_lastHealthTime;
    std::thread m_detectThread;
    std::atomic<bool> m_detectCancel{false};
    // What the detection's worker hands the UI thread: its latest step and its outcome.
    std::mutex m_detectMutex;
    std::optional<ProbeProgress> m_detectStep;
    std::optional<ProbeResult> m_detectResult;
    ThreadWake m_detectWake{[this] { TakeDetectNews(); }};
    bool m_shown = false;
    QMargins m_laidOutFrame;  // the frame the last LayOutWindow fitted into the work area
    QTimer m_timerFrameWatch;  // after the first show: until the window manager has framed the window
    int m_frameWatchTicks = 0;
};
