// RECORD_DATA on the dialog: where the file went or why it was not written, the notice of a
// full recording, and a person's round trip from a scanner on a serial line to a dropped file
// (a text dump or an MCAP recording) stepped through frame by frame.
#include <mutex>
#include <QComboBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FilesDialogFixture.h"
#include "acquisition/ScanFrame.h"
#include "acquisition/SharedState.h"
#include "files/OutputDirectory.h"
#include "files/PlaybackState.h"
#include "files/Recording.h"
#include "protocols/DeviceModel.h"
#include "run/SimulatedScanner.h"
#include "ui/DemoScanner.h"
#include "tests/support/PseudoTerminal.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

size_t FileCount(const std::string& directory)
{
    if (!std::filesystem::is_directory(directory))
        return 0;
    const std::filesystem::directory_iterator files(directory);
    return static_cast<size_t>(std::distance(begin(files), end(files)));
}

// A revolution as the view got it, away from the turn: the samples near 0 degrees may come from
// the packet that closes it or the one before, which a replayed frame takes from the frame it
// reads next (a protocol-1 zero packet, a protocol-2 or 3 packet that straddles the turn).
struct ShownSamples {
    std::vector<float> angle;
    std::vector<int16_t> distance;
    bool operator==(const ShownSamples&) const = default;
};

ShownSamples ShownRevolution()
{
    std::lock_guard<std::mutex> lock(g_PointListMutex);
    ShownSamples shown;
    for (int32_t i = 0; i < g_PointList.count; ++i) {
        if (g_PointList.angle[i] >= 10.0f && g_PointList.angle[i] <= 350.0f) {
            shown.angle.push_back(g_PointList.angle[i]);
            shown.distance.push_back(g_PointList.distance[i]);
        }
    }
    return shown;
}

}  // namespace

class RecordRoundTrip : public FilesDialogTest {
protected:
    // The format box's entry: 0 the text files, 1 MCAP.
    void RecordAndStepThrough(const DeviceModel& model, int format);
};

TEST_F(FilesDialogTest, StopSaysWhereTheFileWentOrWhyNot)
{
    const uint8_t bytes[] = {0xAA, 0x55, 0x0A};
    const struct {
        const char* name;
        DialogLanguage language;
        int byteCount;
        bool directoryUsable;
        const char* note;  // how the line below the button begins after the stop
    } cases[] = {
        {"nothing received", DialogLanguage::English, 0, true, "Nothing received: no file written"},
        {"three bytes", DialogLanguage::Chinese, 3, true, "已写入："},
        {"directory blocked by a file", DialogLanguage::English, 3, false, "Not written: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        scratch.WriteFile("blocked", "");
        SetRecordDirectory(c.directoryUsable ? recordDir : scratch / "blocked/records");
        std::filesystem::remove_all(recordDir);
        ShowDialog(c.language);
        QWidget* floatFormat = dialog->Control(ControlId::FLOAT_FORMAT);

        QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
        EXPECT_EQ(Text(ControlId::RECORD_DATA), "RECORD_STOP");
        if (floatFormat != nullptr) {
            EXPECT_FALSE(floatFormat->isEnabled());
        }
        RecordRawBytes(bytes, c.byteCount);
        QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
        // Data that could not be written is kept behind RECORD_STOP for another try.
        EXPECT_EQ(Text(ControlId::RECORD_DATA), c.directoryUsable ? "RECORD_DATA" : "RECORD_STOP");
        if (floatFormat != nullptr) {
            EXPECT_EQ(floatFormat->isEnabled(), c.directoryUsable);
        }

        const QString note = Text(ControlId::FILE_NOTE);
        EXPECT_TRUE(note.startsWith(QString::fromUtf8(c.note))) << note.toStdString();
        if (!c.directoryUsable) {
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].startsWith("Cannot write ") && messages[0].contains("blocked") &&
                        messages[0].contains("press RECORD_STOP to try again"))
                << messages[0].toStdString();
            SetRecordDirectory(recordDir);
            QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
            EXPECT_EQ(Text(ControlId::RECORD_DATA), "RECORD_DATA");
            EXPECT_TRUE(Text(ControlId::FILE_NOTE).startsWith("Written: "));
            continue;
        }
        EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        if (c.byteCount == 0) {
            EXPECT_EQ(FileCount(recordDir), 0u);
            continue;
        }
        const std::string path = note.mid(QString::fromUtf8(c.note).size()).toStdString();
        EXPECT_EQ(std::filesystem::path(path).parent_path(), recordDir);
        EXPECT_TRUE(QString::fromStdString(path).contains(QRegularExpression("/RawData_\\d{8}_\\d{6}\\.txt$")));
        EXPECT_EQ(ReadAll(path), "AA 55 0A ");
    }
}

TEST_F(FilesDialogTest, AFullRecordingIsToldOnceAndItsFileHoldsAllThatWasCollected)
{
    ShowDialog(DialogLanguage::English);
    QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
    static uint8_t store[RECORD_BYTES_LIMIT];
    for (int32_t i = 0; i < RECORD_BYTES_LIMIT; ++i)
        store[i] = static_cast<uint8_t>(i * 7);
    RecordRawBytes(store, RECORD_BYTES_LIMIT - 1000);
    RecordRawBytes(store + RECORD_BYTES_LIMIT - 1000, 1000);
    const uint8_t more[1] = {0x11};
    RecordRawBytes(more, 1);  // turned away

    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); })) << "no notice";
    Settle(600);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Recording full\n")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QString::number(RECORD_BYTES_LIMIT))) << messages[0].toStdString();
    EXPECT_EQ(Text(ControlId::RECORD_DATA), "RECORD_STOP");
    EXPECT_TRUE(Text(ControlId::FILE_NOTE).startsWith("Recording full")) << Text(ControlId::FILE_NOTE).toStdString();

    QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
    const QString note = Text(ControlId::FILE_NOTE);
    ASSERT_TRUE(note.startsWith("Written: ")) << note.toStdString();
    const std::string text = ReadAll(note.mid(QStringLiteral("Written: ").size()).toStdString());
    ASSERT_EQ(text.size(), 3u * RECORD_BYTES_LIMIT);
    EXPECT_EQ(text.substr(text.size() - 6), QString::asprintf("%02X ", store[RECORD_BYTES_LIMIT - 1])
                                                .prepend(QString::asprintf("%02X ", store[RECORD_BYTES_LIMIT - 2]))
                                                .toStdString());

    // The next recording starts empty and may be told again.
    messages.clear();
    QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
    RecordRawBytes(store, RECORD_BYTES_LIMIT);
    RecordRawBytes(more, 1);
    EXPECT_TRUE(WaitFor([&] { return messages.size() == 1; }));
}

// For every protocol: recorded from the line, the file dropped, each frame stepped through is a
// recorded revolution, in their order.
TEST_F(RecordRoundTrip, RecordedRevolutionsComeBackFromTheDroppedTextFileStepByStep)
{
    for (const DeviceModel* model : {&g_ModelTR20_A, &g_ModelTR10, &g_ModelTR20_C, &g_ModelTR20_D}) {
        SCOPED_TRACE(model->szName);
        RecordAndStepThrough(*model, 0);
    }
}

// The raw channel plays through the same parsers; a protocol-2 model, whose frames run from one
// revolution end the packet recogniser finds to the next.
TEST_F(RecordRoundTrip, RecordedRevolutionsComeBackFromTheDroppedMcapRecordingStepByStep)
{
    RecordAndStepThrough(g_ModelTR20_C, 1);
}

void RecordRoundTrip::RecordAndStepThrough(const DeviceModel& model, int format)
{
    ResetSharedState();
    ResetPlaybackState();
    ResetRecording();
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.IsValid());
    const int32_t protocol = CodesForName(model.szName).protocol;
    SimulatedScanner scanner(ModelScannerSettings(model, protocol));
    ShowDialog(DialogLanguage::English, {terminal.DevicePath()});
    ChooseModel(*dialog, model);
    static_cast<QComboBox*>(dialog->Control(ControlId::RECORD_FORMAT))->setCurrentIndex(format);
    // Unfiltered and uncompensated, a revolution is drawn as it was received.
    QTest::mouseClick(Button(ControlId::FILTER), Qt::LeftButton);
    QTest::mouseClick(Button(ControlId::COMP_NONE), Qt::LeftButton);
    std::vector<ShownSamples> shown;
    QObject::connect(dialog.get(), &CPlotwellDlg::frameShown, [&shown] { shown.push_back(ShownRevolution()); });
    QTest::mouseClick(Button(ControlId::OPEN_CLOSE), Qt::LeftButton);
    ASSERT_EQ(Text(ControlId::OPEN_CLOSE), "ClOSE");

    QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
    constexpr int REVOLUTIONS = 5;
    for (int k = 0; k < REVOLUTIONS; ++k)
        ASSERT_TRUE(terminal.SendRevolution(scanner));
    // What closes the last revolution: the next one's first packet, or bytes that let the
    // protocol-1 parser's full-buffer scan reach its closing packet.
    scanner.EndStream();
    ASSERT_TRUE(terminal.Send(protocol == 1 ? std::vector<uint8_t>(210, 0x00)
                                            : std::vector<uint8_t>(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount())));
    ASSERT_TRUE(WaitFor([&] { return shown.size() >= REVOLUTIONS; })) << shown.size();
    const std::vector<ShownSamples> live = shown;
    QTest::mouseClick(Button(ControlId::RECORD_DATA), Qt::LeftButton);
    const QString note = Text(ControlId::FILE_NOTE);
    ASSERT_TRUE(note.startsWith("Written: ")) << note.toStdString();
    const QString file = note.mid(QStringLiteral("Written: ").size());
    ASSERT_TRUE(std::filesystem::exists(file.toStdString()));
    EXPECT_EQ(file.endsWith(".mcap"), format == 1) << file.toStdString();

    DropFiles(*dialog, CentreOf(ControlId::POINT_NUM), {file});
    ASSERT_EQ(Load(g_bPlayback), 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    // The held frame: one of the live revolutions, replayed; the link line gives no rate for it.
    shown.clear();
    ASSERT_TRUE(WaitFor([&] { return shown.size() >= 2; }));
    const auto first = std::find(live.begin(), live.end(), shown.back());
    ASSERT_NE(first, live.end()) << "the played frame is none of the recorded revolutions";
    const int frames = GetPlaybackPosition().frames;
    ASSERT_GE(frames, 2);
    ASSERT_LE(first - live.begin() + frames, static_cast<int>(live.size()));
    dialog->OnTimer(TIMER_PORT_SCAN);
    EXPECT_TRUE(Text(ControlId::LINK_LINE).startsWith("frame held  ")) << Text(ControlId::LINK_LINE).toStdString();

    // Each click on the factor display brings the next recorded revolution; the last leads back.
    for (int step = 1; step <= frames; ++step) {
        SCOPED_TRACE(step);
        QTest::mouseClick(dialog->Control(ControlId::FACTOR_SHOW), Qt::LeftButton);
        const ShownSamples& next = *(first + step % frames);
        ASSERT_TRUE(WaitFor([&] { return !shown.empty() && shown.back() == next; }));
        const QString position = QString::asprintf("%d/%d,Receive:", step % frames, frames);
        EXPECT_TRUE(WaitFor([&] { return Text(ControlId::RECEIVE).startsWith(position); }))
            << Text(ControlId::RECEIVE).toStdString();
    }
    dialog.reset();  // ends acquisition before the terminal goes
}
