// Record what a run reads from a simulated scanner through the recorder output, drop the file,
// play it back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackLoad.h"
#include "files/PlaybackSource.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"
#include "files/OutputDirectory.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/RecorderOutput.h"
#include "run/RevolutionFeed.h"
#include "run/SimulatedScanner.h"
#include "tests/support/ScratchDirectory.h"

namespace {

struct Samples {
    std::vector<float> angle;
    std::vector<int16_t> distance;
    bool operator==(const Samples&) const = default;
};

Samples LastSample(const Samples& s)
{
    return {{s.angle.back()}, {s.distance.back()}};
}

Samples AllButLast(const Samples& s)
{
    return {{s.angle.begin(), s.angle.end() - 1}, {s.distance.begin(), s.distance.end() - 1}};
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string HexText(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char digits[4];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    return text;
}

// A run with the recorder as its output, served right after each revolution.
class RecordingRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartRun(ModelRunSettings(g_ModelTR20_A));
        SetRecordDirectory(scratch.Path());
        recorder = stage.Attach(recording, {"recording", 4, [] {}});
        ASSERT_TRUE(stage.Start());
    }
    void TearDown() override
    {
        stage.Stop();
        StartRun(ModelRunSettings(g_ModelTR20_A));
        SetRecordDirectory({});
    }

    // Up to `limit` frames, until the input ends; the parsed samples of each.
    std::vector<Samples> ParseFrames(CSerialPort& port, int limit)
    {
        std::vector<Samples> frames;
        RevolutionFeed feed(stage, port);
        while (static_cast<int>(frames.size()) < limit && ParseNextFrame(port) == ParseResult::Frame) {
            const int32_t count = g_ScanFrame.count;
            frames.push_back({{g_ScanFrame.angle, g_ScanFrame.angle + count},
                              {g_ScanFrame.distance, g_ScanFrame.distance + count}});
            feed.Complete(CurrentProcessingSettings());
            stage.Serve(recorder);
        }
        return frames;
    }

    ScratchDirectory scratch;
    RecorderOutput recording;
    OutputStage stage;
    OutputStage::OutputId recorder = 0;
};

TEST_F(RecordingRoundTripTest, RecordedRevolutionsPlayBackFromTheDroppedFile)
{
    SimulatedScannerSettings settings;
    settings.seed = 7;
    SimulatedScanner scanner(settings);
    std::vector<uint8_t> stream;
    for (int k = 0; k < 4; ++k) {
        ASSERT_TRUE(scanner.NextRevolution());
        stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    stream.insert(stream.end(), 210, 0x00);  // lets the full-buffer scan reach the last zero packet

    StartRawRecording();
    MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), 50);
    CSerialPort port;
    port.AttachSource(&source);
    const std::vector<Samples> live = ParseFrames(port, 10);
    stage.Serve(recorder);  // the bytes after the last revolution, handed out as the run ended
    port.AttachSource(nullptr);
    ASSERT_EQ(live.size(), 4u);
    const FileWriteResult file = WriteRawDataFile();
    ASSERT_EQ(file.status, FileWriteResult::WRITTEN) << file.reason;
    EXPECT_EQ(ReadWholeFile(file.path), HexText(stream));

    ASSERT_EQ(LoadPlaybackFile(file.path), PLAYBACK_LOADED);
    PlaybackSource playback;
    port.AttachSource(&playback);
    ProtocolFor(1).reset();
    g_nFrameIndex = 0;
    StartRawRecording();  // played-back bytes are not recorded again
    // A marker frame runs from one zero packet to the next: the next revolution's data packets,
    // closed again and again by this zero packet. The first pass meets the zero packet alone.
    std::vector<Samples> played = ParseFrames(port, 3);
    ASSERT_EQ(played.size(), 3u);
    for (int k = 1; k < 3; ++k) {
        EXPECT_EQ(AllButLast(played[k]), AllButLast(live[1])) << k;
        EXPECT_EQ(LastSample(played[k]), LastSample(live[0])) << k;
    }
    stage.Serve(recorder);
    EXPECT_EQ(Load(g_nRecordCount), 0);

    ASSERT_TRUE(StepPlaybackFrame());
    played = ParseFrames(port, 3);  // the rest of frame 0 and the buffer's leftovers come first
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(AllButLast(played[2]), AllButLast(live[2]));
    EXPECT_EQ(LastSample(played[2]), LastSample(live[1]));
}

}  // namespace
