// Dropping a data file on the dialog: taken only on an edit field and only alone, refused
// files say why and leave the loaded data as it was, and --play starts straight into playback;
// a recording of LaserScans without raw bytes draws the topic the operator chooses.
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <mutex>
#include <sys/stat.h>

#include "FilesDialogFixture.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "mcap/McapWriter.h"
#include "messages/LaserScanCdr.h"
#include "messages/LaserScanDefinition.h"
#include "messages/ScanConversion.h"
#include "run/SimulatedScanner.h"
#include "ui/PlotwellApp.h"
#include "view/ViewGeometry.h"

namespace {

std::vector<uint8_t> SimulatedRevolutions(int count)
{
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<uint8_t> stream;
    for (int k = 0; k < count; ++k) {
        scanner.NextRevolution();
        stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    return stream;
}

std::vector<uint8_t> LoadedBytes()
{
    return {g_PlaybackData, g_PlaybackData + g_nPlaybackSize};
}

// A scan of 360 one-degree rays, counter-clockwise from -pi, with one return at `ray`.
LaserScan OneReturnScan(size_t ray, float metres)
{
    LaserScan scan;
    scan.frameId = "base_laser";
    scan.angleMin = -3.14159265f;
    scan.angleIncrement = 3.14159265f / 180.0f;
    scan.angleMax = scan.angleMin + 359 * scan.angleIncrement;
    scan.rangeMin = 0.1f;
    scan.rangeMax = 30.0f;
    scan.ranges.assign(360, std::numeric_limits<float>::infinity());
    scan.ranges[ray] = metres;
    return scan;
}

// As another driver's bag holds them: a LaserScan channel on each of `topics`, `scans[k]` ten
// times a second on topics[k], and no raw channel.
void WriteScanBag(const std::string& path, const std::vector<std::string>& topics, const std::vector<LaserScan>& scans)
{
    McapWriter writer;
    ASSERT_TRUE(writer.Open(path));
    const std::string definition = LASER_SCAN_DEFINITION;
    const uint16_t schema = writer.AddSchema(LASER_SCAN_SCHEMA_NAME, LASER_SCAN_SCHEMA_ENCODING,
                                             {reinterpret_cast<const uint8_t*>(definition.data()), definition.size()});
    std::vector<uint8_t> bytes;
    for (size_t k = 0; k < topics.size(); ++k) {
        const uint16_t channel = writer.AddChannel(schema, topics[k], "cdr");
        EncodeLaserScanCdr(scans[k], bytes);
        for (uint32_t i = 0; i < 5; ++i) {
            const uint64_t time = 1'765'000'000'000'000'000 + i * 100'000'000ull;
            ASSERT_TRUE(writer.WriteMessage({channel, i, time, time, bytes}));
        }
    }
    ASSERT_TRUE(writer.Close()) << writer.Error();
}

// Picks `topic` in the topic choice once it shows, and counts the choices shown.
void AnswerTopicChoice(const QString& topic, int& asked, int tries = 100)
{
    QTimer::singleShot(10, [topic, &asked, tries] {
        auto* choice = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (choice == nullptr) {
            if (tries > 0)
                AnswerTopicChoice(topic, asked, tries - 1);
            return;
        }
        ++asked;
        choice->setTextValue(topic);
        choice->accept();
    });
}

}  // namespace

TEST_F(FilesDialogTest, AFileIsTakenOnlyWhenDroppedAloneOnAnEditField)
{
    struct Case {
        DialogLanguage language;
        int target;
        int files;
        bool taken;
    };
    const Case cases[] = {
        {DialogLanguage::English, ControlId::POINT_NUM, 1, true},
        {DialogLanguage::English, ControlId::FILTER_FACTOR, 1, true},
        {DialogLanguage::Chinese, ControlId::STAT_POINTS, 1, true},
        {DialogLanguage::English, ControlId::POINT_NUM, 2, false},
        {DialogLanguage::English, ControlId::VIEW, 1, false},
        {DialogLanguage::English, ControlId::FACTOR_SHOW, 1, false},
        {DialogLanguage::English, ControlId::OPEN_CLOSE, 1, false},
        {DialogLanguage::Chinese, ControlId::STAT_POINTS_LABEL, 1, false},
    };
    const QString file = WriteDataFile("markers.txt", THREE_MARKERS);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.target) + (c.files > 1 ? " several files" : ""));
        ResetPlaybackState();
        Store(g_bPlayback, 0);
        messages.clear();
        ShowDialog(c.language);
        const QString edits = Text(ControlId::POINT_NUM) + '|' + Text(ControlId::FILTER_FACTOR);
        DropFiles(*dialog, CentreOf(c.target), c.files == 1 ? QStringList{file} : QStringList{file, file});
        EXPECT_EQ(Load(g_bPlayback), c.taken ? 1 : 0);
        EXPECT_EQ(LoadedBytes(), c.taken ? THREE_MARKERS : std::vector<uint8_t>{});
        EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        // The edit under the drop does not take the path as typed text.
        EXPECT_EQ((Text(ControlId::POINT_NUM) + '|' + Text(ControlId::FILTER_FACTOR)).toStdString(), edits.toStdString());
        EXPECT_EQ(Text(ControlId::FILE_NOTE).contains(file), c.taken);
    }
}

TEST_F(FilesDialogTest, ARefusedFileSaysWhyAndLeavesThePlayedDataAlone)
{
    ShowDialog(DialogLanguage::English);
    const QString good = WriteDataFile("good.txt", THREE_MARKERS);
    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {good});
    ASSERT_EQ(LoadedBytes(), THREE_MARKERS);
    const QString note = Text(ControlId::FILE_NOTE);

    scratch.WriteFile("large.txt", std::string(5242881, ' '));
    scratch.WriteFile("text.txt", "AA 55\nBB ");
    ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0600), 0);  // no writer: reading it would wait
    const struct {
        std::string name;
        QString message;
    } refused[] = {
        {"large.txt", "More than 5M"},
        {"text.txt", "Non-data files"},
        {"missing.txt", "Cannot open the data file\n"},
        {"fifo", "Cannot open the data file\n"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        messages.clear();
        DropFiles(*dialog, CentreOf(ControlId::FILTER_FACTOR), {QString::fromStdString(scratch / r.name)});
        ASSERT_EQ(messages.size(), 1);
        if (r.message.endsWith('\n'))
            EXPECT_TRUE(messages[0].startsWith(r.message) && messages[0].size() > r.message.size())
                << "the reason follows: " << messages[0].toStdString();
        else
            EXPECT_EQ(messages[0], r.message);
        EXPECT_EQ(LoadedBytes(), THREE_MARKERS);
        EXPECT_EQ(Text(ControlId::FILE_NOTE), note);
    }
}

TEST_F(FilesDialogTest, PlayStartsOnTheFileWithoutAPortAndShowsThePosition)
{
    std::vector<uint8_t> stream = SimulatedRevolutions(4);
    stream.insert(stream.end(), 210, 0x00);
    const QString file = WriteDataFile("revolutions.txt", stream);
    ShowDialog(DialogLanguage::English);
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);

    ASSERT_TRUE(dialog->PlayFile(file.toStdString()));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(Text(ControlId::OPEN_CLOSE), "OPEN");
    EXPECT_FALSE(Button(ControlId::OPEN_CLOSE)->isEnabled());
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).contains(file));
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= 2; })) << shown.count();
    // The simulated room does not fit 0-1M: the first frame chose the smallest range that holds
    // 95 % of its points, and its radio button shows it.
    const int range = dialog->View().Range();
    EXPECT_TRUE(Button(RANGE_BUTTONS[range])->isChecked());
    {
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        int returns = 0, held = 0, heldBelow = 0;
        for (int i = 0; i < g_PointList.count; ++i) {
            const int distance = g_PointList.distance[i];
            returns += distance != 0;
            held += distance != 0 && distance <= RangeMetres(range, 0) * 1000;
            heldBelow += distance != 0 && range > 0 && distance <= RangeMetres(range - 1, 0) * 1000;
        }
        EXPECT_GT(range, 2);
        EXPECT_GE(held, 0.95 * returns);
        EXPECT_LT(heldBelow, 0.95 * returns);
    }
    const QRegularExpression position(QStringLiteral("^0/[1-9][0-9]*,Receive:[1-9][0-9]*$"));
    EXPECT_TRUE(WaitFor([&] { return position.match(Text(ControlId::RECEIVE)).hasMatch(); }))
        << Text(ControlId::RECEIVE).toStdString();

    // RECORD_DATA during playback writes the frame snapshot and stays as it is.
    Button(ControlId::RECORD_DATA)->click();
    EXPECT_EQ(Text(ControlId::RECORD_DATA), "RECORD_DATA");
    EXPECT_EQ(Text(ControlId::FILE_NOTE), QString::fromStdString("Written: " + recordDir + "/OneFrameData.txt"));

    messages.clear();
    EXPECT_FALSE(dialog->PlayFile(scratch / "missing.txt"));
    EXPECT_EQ(messages.size(), 1);

    const AppOptions play = ParseArguments({"--play", "a.txt", "--record-dir", "/tmp/rec"});
    EXPECT_TRUE(play.error.isEmpty());
    EXPECT_EQ(play.playFile, "a.txt");
    EXPECT_EQ(play.recordDir, "/tmp/rec");
    EXPECT_FALSE(ParseArguments({"--play"}).error.isEmpty());
    EXPECT_FALSE(ParseArguments({"--record-dir"}).error.isEmpty());
}

// A name that is not valid UTF-8 (an old Latin-1 file system, a file from another machine) was
// turned into replacement marks on the way to the loader, which then found no such file.
TEST_F(FilesDialogTest, AFileWhoseNameIsNotUtf8PlaysFromADropAndFromPlay)
{
    const QString file = WriteDataFile("markers-\xff.txt", THREE_MARKERS);
    const std::string bytes = scratch / "markers-\xff.txt";
    ShowDialog(DialogLanguage::English);
    const QUrl url = QUrl::fromEncoded(QByteArray("file://") + QByteArray::fromStdString(bytes).toPercentEncoding("/"));
    DropUrls(*dialog, CentreOf(ControlId::POINT_NUM), {url});
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(LoadedBytes(), THREE_MARKERS);

    ResetPlaybackState();
    ASSERT_EQ(ParseArguments({"--play", bytes}).playFile, bytes);
    ASSERT_TRUE(dialog->PlayFile(bytes));
    EXPECT_EQ(LoadedBytes(), THREE_MARKERS);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

// A file without frames was taken in silence; after a drop, an OPEN that failed said "Open
// Failed" while the file began to play behind the box and the note still asked for OPEN; and
// the notes were English in the Chinese layout.
TEST_F(FilesDialogTest, TheNoteSaysWhatTheDroppedFileDoes)
{
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        DialogLanguage language;
        const char* note;  // before the path
    } cases[] = {
        {"empty", {}, DialogLanguage::English, "No frames in this file: "},
        {"no marker", {0x01, 0x02, 0x03}, DialogLanguage::English, "No frames in this file: "},
        {"one marker", {0xAA, 0x55, 0x01, 0x01, 0x10}, DialogLanguage::Chinese, "此文件中没有帧："},
        {"two frames", THREE_MARKERS, DialogLanguage::Chinese, "正在回放 "},
        {"two frames", THREE_MARKERS, DialogLanguage::English, "Playing "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShowDialog(c.language);
        const QString file = WriteDataFile("dropped.txt", c.bytes);
        DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {file});
        EXPECT_TRUE(Text(ControlId::FILE_NOTE).startsWith(QString::fromUtf8(c.note) + file)) << Text(ControlId::FILE_NOTE).toStdString();
    }

    ShowDialog(DialogLanguage::English, {"/nonexistent/ttyUSB9"});
    const QString file = WriteDataFile("dropped.txt", THREE_MARKERS);
    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {file});
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).endsWith("Press OPEN to start."));
    messages.clear();
    Button(ControlId::OPEN_CLOSE)->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Open Failed\n") && messages[0].endsWith("The dropped file plays without a port."))
        << messages[0].toStdString();
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).endsWith("OPEN failed: the file plays without a port."))
        << Text(ControlId::FILE_NOTE).toStdString();
}

// An unusable --record-dir ended the program with a line on a terminal that someone starting it
// from a launcher never sees; '' was taken as a directory. The reason was shortened along with
// the directory, as if it were part of the path.
TEST_F(DialogTest, AnUnusableRecordFolderIsToldInTheWindow)
{
    EXPECT_FALSE(ParseArguments({"--record-dir", ""}).error.isEmpty());
    DialogOptions options;
    options.roots = roots;
    options.unusableRecordDir = "/media/stick/" + std::string(100, 'r');
    options.recordDirProblem = "Read-only file system";
    dialog = std::make_unique<CPlotwellDlg>(options);
    dialog->show();
    const QString reason = QStringLiteral("Recordings cannot be written: Read-only file system\n");
    EXPECT_EQ(Text(ControlId::FILE_NOTE).toStdString(), (reason + QString::fromStdString(options.unusableRecordDir)).toStdString());
    const QString shown = qobject_cast<QLabel*>(dialog->Control(ControlId::FILE_NOTE))->text();
    EXPECT_TRUE(shown.startsWith(reason) && shown.contains(QChar(0x2026))) << shown.toStdString();
}

// A bag of another scanner's driver, two LaserScan topics and no raw bytes: the chosen topic's
// scans are drawn as the window draws a subscribed topic's (the same conversion), the port's
// controls wait, and the next file dropped ends them. One with no LaserScan says why.
TEST_F(FilesDialogTest, ARecordingOfLaserScansAloneDrawsTheChosenTopic)
{
    const std::string bag = scratch / "other_driver.mcap";
    const LaserScan front = OneReturnScan(90, 1.5f);
    const LaserScan rear = OneReturnScan(270, 2.5f);
    WriteScanBag(bag, {"/front/scan", "/rear/scan"}, {front, rear});
    ShowDialog(DialogLanguage::English);
    QSignalSpy shown(dialog.get(), &CPlotwellDlg::frameShown);
    int asked = 0;
    AnswerTopicChoice("/rear/scan", asked);
    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {QString::fromStdString(bag)});
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).contains("/rear/scan")) << Text(ControlId::FILE_NOTE).toStdString();
    EXPECT_FALSE(Button(ControlId::OPEN_CLOSE)->isEnabled());
    EXPECT_FALSE(Button(ControlId::RECORD_DATA)->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return shown.count() >= 3; })) << shown.count();
    {
        auto expected = std::make_unique<PointList>();
        ASSERT_TRUE(LaserScanToPointList(rear, Load(g_nProtocol), *expected));
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        ASSERT_EQ(g_PointList.count, expected->count);
        for (int i = 0; i < g_PointList.count; ++i) {
            EXPECT_EQ(g_PointList.angle[i], expected->angle[i]) << i;
            EXPECT_EQ(g_PointList.distance[i], expected->distance[i]) << i;
        }
    }
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_TRUE(Text(ControlId::LINK_LINE).contains("scans/s")) << Text(ControlId::LINK_LINE).toStdString();

    // A text dump dropped next plays as in a window that never played scans.
    const QString file = WriteDataFile("markers.txt", THREE_MARKERS);
    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {file});
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(LoadedBytes(), THREE_MARKERS);
    EXPECT_TRUE(Button(ControlId::OPEN_CLOSE)->isEnabled());
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).endsWith("Press OPEN to start.")) << Text(ControlId::FILE_NOTE).toStdString();

    const std::string empty = scratch / "no_scans.mcap";
    WriteScanBag(empty, {}, {});
    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {QString::fromStdString(empty)});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("no channel of sensor_msgs/msg/LaserScan")) << messages[0].toStdString();
    EXPECT_EQ(LoadedBytes(), THREE_MARKERS);
}
