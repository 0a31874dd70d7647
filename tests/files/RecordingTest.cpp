#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "FilesFixture.h"
#include "acquisition/SharedState.h"
#include "files/OutputDirectory.h"
#include "files/PlaybackLoad.h"
#include "files/Playback.h"
#include "files/RecordButton.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"

namespace {

using RecordingTest = FilesTest;

// A frame whose sample i lies at 10 * i + 0.5 degrees and 100 * i millimetres.
ScanFrame& FrameOf(int32_t count)
{
    static ScanFrame frame;
    frame.count = count;
    for (int32_t i = 0; i < count; ++i) {
        frame.angle[i] = 10.0f * static_cast<float>(i) + 0.5f;
        frame.distance[i] = static_cast<int16_t>(100 * i);
    }
    return frame;
}

TEST_F(RecordingTest, RawRecordingWritesEveryByteAsTwoDigitsAndASpace)
{
    const RecordButtonOutcome started = PressRecordButton(RecordState::Idle);
    EXPECT_EQ(started.state, RecordState::Recording);
    const uint8_t bytes[] = {0xAA, 0x55, 0x0A};
    RecordRawBytes(bytes, 2);
    RecordRawBytes(bytes + 2, 1);
    RecordFrame(FrameOf(3));  // raw mode takes no frames

    const RecordButtonOutcome stopped = PressRecordButton(RecordState::Recording);
    EXPECT_EQ(stopped.state, RecordState::Idle);
    ASSERT_EQ(stopped.file.status, FileWriteResult::WRITTEN) << stopped.file.reason;
    const std::string name = std::filesystem::path(stopped.file.path).filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(RawData_\d{8}_\d{6}\.txt)"))) << name;
    EXPECT_EQ(std::filesystem::path(stopped.file.path).parent_path(), m_directory);
    EXPECT_EQ(ReadWholeFile(stopped.file.path), "AA 55 0A ");
    EXPECT_EQ(Load(g_bRecording), 0);
    EXPECT_EQ(Load(g_nRecordCount), 0);
}

TEST_F(RecordingTest, ValueRecordingWritesOneLinePerSampleNumberedWithinItsFrame)
{
    Store(g_bFloatFormat, 1);
    PressRecordButton(RecordState::Idle);
    RecordFrame(FrameOf(3));
    const uint8_t ignored[] = {1, 2};
    RecordRawBytes(ignored, 2);  // value mode takes no bytes
    RecordFrame(FrameOf(2));
    const RecordButtonOutcome stopped = PressRecordButton(RecordState::Recording);

    ASSERT_EQ(stopped.file.status, FileWriteResult::WRITTEN) << stopped.file.reason;
    EXPECT_NE(stopped.file.path.find("/AngDepData_"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(stopped.file.path),
              "0,0.500,0\r\n1,10.500,100\r\n2,20.500,200\r\n0,0.500,0\r\n1,10.500,100\r\n");
}

TEST_F(RecordingTest, StopWithoutDataWritesNoFileInEitherMode)
{
    for (int floatFormat : {0, 1}) {
        Store(g_bFloatFormat, floatFormat);
        PressRecordButton(RecordState::Idle);
        const RecordButtonOutcome stopped = PressRecordButton(RecordState::Recording);
        EXPECT_EQ(stopped.file.status, FileWriteResult::NOTHING_TO_WRITE) << floatFormat;
    }
    EXPECT_TRUE(std::filesystem::is_empty(m_directory));
}

// Stops within one second used to give one name, and the second file replaced the first.
TEST_F(RecordingTest, RecordingsStoppedWithinOneSecondKeepSeparateFiles)
{
    std::vector<std::string> paths;
    for (uint8_t value = 0; value < 3; ++value) {
        StartRawRecording();
        RecordRawBytes(&value, 1);
        const FileWriteResult result = WriteRawDataFile();
        ASSERT_EQ(result.status, FileWriteResult::WRITTEN) << result.reason;
        paths.push_back(result.path);
    }
    EXPECT_EQ(FilesStartingWith(m_directory, "RawData_").size(), 3u);
    for (uint8_t value = 0; value < 3; ++value)
        EXPECT_EQ(ReadWholeFile(paths[value]), HexText({value})) << paths[value];
    // Same second (the usual case here): the suffix goes before ".txt".
    if (paths[0].substr(0, paths[0].size() - 4) + "_1.txt" == paths[1]) {
        EXPECT_EQ(paths[0].substr(0, paths[0].size() - 4) + "_2.txt", paths[2]);
    }
}

// A full store used to turn data away without a word, and let later small chunks in after a gap.
TEST_F(RecordingTest, FullRawStoreIsReportedAndItsFileIsAGapFreeBeginningThatPlaysBack)
{
    StartRawRecording();
    uint8_t chunk[200];
    int32_t offered = 0;
    while (!RecordingFull()) {
        for (int32_t i = 0; i < 200; ++i)
            chunk[i] = static_cast<uint8_t>((offered + i) % 251);
        RecordRawBytes(chunk, 200);
        offered += 200;
        ASSERT_LT(offered, 2 * RECORD_BYTES_CAPACITY);
    }
    const int32_t held = Load(g_nRecordCount);
    EXPECT_GT(held, RECORD_BYTES_LIMIT - 200);
    RecordRawBytes(chunk, 1);
    EXPECT_EQ(Load(g_nRecordCount), held);
    EXPECT_EQ(Load(g_bRecording), 1);

    const FileWriteResult result = WriteRawDataFile();
    ASSERT_EQ(result.status, FileWriteResult::WRITTEN) << result.reason;
    ASSERT_EQ(LoadPlaybackFile(result.path), PLAYBACK_LOADED);
    const std::vector<uint8_t> played = LoadedBytes();
    ASSERT_EQ(played.size(), static_cast<size_t>(held));
    for (int32_t i = 0; i < held; ++i)
        ASSERT_EQ(played[i], i % 251) << i;
}

TEST_F(RecordingTest, FullValueStoreIsReportedAndTakesNoLaterFrame)
{
    Store(g_bFloatFormat, 1);
    StartValueRecording();
    const int32_t whole = RECORD_VALUES_LIMIT / SCAN_CAPACITY;
    for (int32_t i = 0; i < whole; ++i)
        RecordFrame(FrameOf(SCAN_CAPACITY));
    EXPECT_FALSE(RecordingFull());
    RecordFrame(FrameOf(SCAN_CAPACITY));
    EXPECT_TRUE(RecordingFull());
    RecordFrame(FrameOf(1));
    EXPECT_EQ(Load(g_nRecordCount), whole * SCAN_CAPACITY);
    EXPECT_EQ(g_RecordValues[whole * SCAN_CAPACITY - 1].nIndex, SCAN_CAPACITY - 1);

    StartValueRecording();
    EXPECT_FALSE(RecordingFull());
    EXPECT_EQ(Load(g_nRecordCount), 0);
    StopRecording();
    ClearRecording();
}

TEST_F(RecordingTest, UnwritableDirectoryIsReportedAndTheDataKeptForAnotherTry)
{
    SetRecordDirectory((m_directory / "file-in-the-way").string());
    WriteText("file-in-the-way", "x");
    PressRecordButton(RecordState::Idle);
    const uint8_t bytes[] = {0xAA, 0x55, 0x0A};
    RecordRawBytes(bytes, 3);
    const RecordButtonOutcome failed = PressRecordButton(RecordState::Recording);
    EXPECT_EQ(failed.file.status, FileWriteResult::FAILED);
    EXPECT_NE(failed.file.reason.find("file-in-the-way"), std::string::npos) << failed.file.reason;
    EXPECT_NE(failed.file.reason.find(std::strerror(ENOTDIR)), std::string::npos) << failed.file.reason;
    EXPECT_EQ(failed.state, RecordState::Unwritten);
    EXPECT_EQ(Load(g_bRecording), 0);

    // Also during playback, the held data comes before any snapshot.
    Store(g_bPlayback, 1);
    SetRecordDirectory(m_directory.string());
    const RecordButtonOutcome retried = PressRecordButton(failed.state);
    ASSERT_EQ(retried.file.status, FileWriteResult::WRITTEN);
    EXPECT_EQ(retried.state, RecordState::Idle);
    EXPECT_EQ(ReadWholeFile(retried.file.path), "AA 55 0A ");
    EXPECT_EQ(Load(g_nRecordCount), 0);
}

TEST_F(RecordingTest, ButtonDuringPlaybackWritesTheSnapshotAndKeepsItsState)
{
    const std::vector<uint8_t> bytes = {0x01, 0xAA, 0x55, 0x01, 0x01, 0x02, 0x03, 0xAA, 0x55, 0x01, 0x01};
    ASSERT_EQ(LoadPlaybackFile(WriteText("dropped.txt", HexText(bytes))), PLAYBACK_LOADED);
    Store(g_nProtocol, 1);

    for (int press = 0; press < 2; ++press) {
        const RecordButtonOutcome outcome = PressRecordButton(RecordState::Idle);
        EXPECT_EQ(outcome.state, RecordState::Idle);
        ASSERT_EQ(outcome.file.status, FileWriteResult::WRITTEN) << outcome.file.reason;
        EXPECT_EQ(outcome.file.path, (m_directory / "OneFrameData.txt").string());
        EXPECT_EQ(ReadWholeFile(outcome.file.path), HexText({bytes.begin() + 1, bytes.begin() + 7}));
    }
    EXPECT_EQ(Load(g_bRecording), 0);
    EXPECT_EQ(FilesStartingWith(m_directory, "OneFrameData").size(), 1u);

    // A file without frames shows nothing, and there is nothing to write.
    ASSERT_EQ(LoadPlaybackFile(WriteText("dropped.txt", HexText({0xAA, 0x55, 0x01, 0x01, 0x02}))), PLAYBACK_LOADED);
    EXPECT_EQ(PressRecordButton(RecordState::Idle).file.status, FileWriteResult::NOTHING_TO_WRITE);
}

// A recording running when a file was dropped could never be stopped, and its data was lost.
TEST_F(RecordingTest, RecordingRunningAtADropIsStillStoppedAndWritten)
{
    Store(g_nProtocol, 1);
    PressRecordButton(RecordState::Idle);
    const uint8_t bytes[] = {0x12, 0x34};
    RecordRawBytes(bytes, 2);
    ASSERT_EQ(LoadPlaybackFile(WriteText("dropped.txt", HexText({0xAA, 0x55, 0x01, 0x01, 0x00, 0xAA, 0x55, 0x01, 0x01}))),
              PLAYBACK_LOADED);

    const RecordButtonOutcome stopped = PressRecordButton(RecordState::Recording);
    EXPECT_EQ(stopped.state, RecordState::Idle);
    ASSERT_EQ(stopped.file.status, FileWriteResult::WRITTEN) << stopped.file.reason;
    EXPECT_EQ(ReadWholeFile(stopped.file.path), "12 34 ");

    const RecordButtonOutcome snapshot = PressRecordButton(stopped.state);
    EXPECT_EQ(snapshot.state, RecordState::Idle);
    EXPECT_EQ(snapshot.file.path, (m_directory / "OneFrameData.txt").string());
}

}  // namespace
