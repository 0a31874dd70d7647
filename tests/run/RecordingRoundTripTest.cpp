// Record what a run reads from a simulated scanner through the recorder output and the MCAP
// output, drop each file, play it back: the same revolutions as the live run.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "files/PlaybackState.h"
#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"
#include "recording/McapOutput.h"
#include "recording/McapPlayback.h"
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
        mcapRecorder = stage.Attach(mcap, {"MCAP recording", 4, [] {}});
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
        while (static_cast<int>(frames.size()) < limit && ParseNextFrame(port) == ParseResult::Frame)
            Keep(frames, feed);
        return frames;
    }

    // Up to `limit` frames, until the input ends, whatever a protocol's parser returns between them.
    std::vector<Samples> ParseAll(CSerialPort& port, int limit)
    {
        std::vector<Samples> frames;
        RevolutionFeed feed(stage, port);
        while (static_cast<int>(frames.size()) < limit) {
            const ParseResult result = ParseNextFrame(port);
            if (result == ParseResult::InputEnded)
                break;
            if (result == ParseResult::Frame)
                Keep(frames, feed);
        }
        return frames;
    }

    // The frame just parsed, as parsed, then through the stage to the outputs.
    void Keep(std::vector<Samples>& frames, RevolutionFeed& feed)
    {
        const int32_t count = g_ScanFrame.count;
        frames.push_back({{g_ScanFrame.angle, g_ScanFrame.angle + count},
                          {g_ScanFrame.distance, g_ScanFrame.distance + count}});
        feed.Complete(CurrentProcessingSettings());
        Serve();
    }

    void Serve()
    {
        stage.Serve(recorder);
        stage.Serve(mcapRecorder);
    }

    void PlayBack(CSerialPort& port, const std::vector<Samples>& live);

    ScratchDirectory scratch;
    RecorderOutput recording;
    McapOutput mcap;
    OutputStage stage;
    OutputStage::OutputId recorder = 0;
    OutputStage::OutputId mcapRecorder = 0;
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
    std::string reason;
    const std::string mcapPath = scratch / "scan.mcap";
    ASSERT_TRUE(mcap.Start(mcapPath, {}, reason)) << reason;
    MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), 50);
    CSerialPort port;
    port.AttachSource(&source);
    const std::vector<Samples> live = ParseFrames(port, 10);
    Serve();  // the bytes after the last revolution, handed out as the run ended
    port.AttachSource(nullptr);
    ASSERT_EQ(live.size(), 4u);
    const FileWriteResult file = WriteRawDataFile();
    ASSERT_EQ(file.status, FileWriteResult::WRITTEN) << file.reason;
    EXPECT_EQ(ReadWholeFile(file.path), HexText(stream));
    ASSERT_TRUE(mcap.Stop(reason)) << reason;

    for (const bool fromMcap : {false, true}) {
        SCOPED_TRACE(fromMcap ? "MCAP recording" : "text dump");
        if (fromMcap) {
            const McapPlaybackResult loaded = LoadMcapPlayback(mcapPath);
            ASSERT_EQ(loaded.status, PLAYBACK_LOADED) << loaded.reason;
            EXPECT_EQ(loaded.run.model, &g_ModelTR20_A);
            EXPECT_EQ(loaded.run.protocol, 1);
            EXPECT_FALSE(loaded.shortened);
        } else {
            ASSERT_EQ(LoadPlaybackFile(file.path), PLAYBACK_LOADED);
        }
        {
            std::lock_guard<std::mutex> lock(g_PlaybackMutex);
            EXPECT_EQ(std::vector<uint8_t>(g_PlaybackData, g_PlaybackData + g_nPlaybackSize), stream);
        }
        PlayBack(port, live);
    }
}

void RecordingRoundTripTest::PlayBack(CSerialPort& port, const std::vector<Samples>& live)
{
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
    Serve();
    EXPECT_EQ(Load(g_nRecordCount), 0);

    ASSERT_TRUE(StepPlaybackFrame());
    played = ParseFrames(port, 3);  // the rest of frame 0 and the buffer's leftovers come first
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(AllButLast(played[2]), AllButLast(live[2]));
    EXPECT_EQ(LastSample(played[2]), LastSample(live[1]));
    port.AttachSource(nullptr);
}

// The samples of a revolution away from the turn: those near 0 degrees may come from the packet
// that closes the revolution before or after it (protocols 1..3 close a revolution with the next
// one's first sample or packet), which playback takes from the frame it reads next.
Samples AwayFromTheTurn(const Samples& s)
{
    Samples away;
    for (size_t i = 0; i < s.angle.size(); ++i) {
        if (s.angle[i] >= 10.0f && s.angle[i] <= 350.0f) {
            away.angle.push_back(s.angle[i]);
            away.distance.push_back(s.distance[i]);
        }
    }
    return away;
}

// Every protocol's recording plays back as its revolutions, marked and paced as that protocol's
// revolutions end: in auto playback each frame is a whole revolution of the file, in the file's
// order, also where the file wraps to its first frame.
TEST_F(RecordingRoundTripTest, EveryProtocolsRecordingPlaysBackItsRevolutionsWhole)
{
    constexpr int REVOLUTIONS = 4;
    for (const DeviceModel* model : {&g_ModelTR10, &g_ModelTR20_A, &g_ModelTR20_C, &g_ModelTR20_D}) {
        SCOPED_TRACE(model->szName);
        StartRun(ModelRunSettings(*model));
        const int32_t protocol = Load(g_nProtocol);
        SimulatedScanner scanner(ModelScannerSettings(*model, protocol, 7));
        std::vector<uint8_t> stream;
        for (int k = 0; k < REVOLUTIONS; ++k) {
            ASSERT_TRUE(scanner.NextRevolution());
            stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
        }
        scanner.EndStream();
        stream.insert(stream.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());

        StartRawRecording();
        MemoryByteSource source(stream.data(), static_cast<int64_t>(stream.size()), 50);
        CSerialPort port;
        port.AttachSource(&source);
        const std::vector<Samples> live = ParseAll(port, REVOLUTIONS + 1);
        stage.Serve(recorder);
        port.AttachSource(nullptr);
        ASSERT_EQ(live.size(), size_t{REVOLUTIONS});
        // The receive indicator counted the samples with a return (it said 0 but for protocol 1).
        EXPECT_GT(Load(g_nValidSamples), live.back().distance.size() / 2);
        const FileWriteResult file = WriteRawDataFile();
        ASSERT_EQ(file.status, FileWriteResult::WRITTEN) << file.reason;

        ASSERT_EQ(LoadPlaybackFile(file.path), PLAYBACK_LOADED);
        Store(g_bHoldFrame, 0);
        PlaybackSource playback;
        port.AttachSource(&playback);
        ProtocolFor(protocol).reset();
        g_nFrameIndex = 0;
        // Twice through the file's frames and past the wrap; the first frame shown may be the
        // file's lead-in.
        const std::vector<Samples> played = ParseAll(port, 2 * REVOLUTIONS + 1);
        port.AttachSource(nullptr);
        std::vector<int> shown;
        for (size_t k = 1; k < played.size(); ++k) {
            int match = -1;
            for (int j = 0; j < REVOLUTIONS; ++j) {
                if (AwayFromTheTurn(played[k]) == AwayFromTheTurn(live[j]))
                    match = j;
            }
            EXPECT_GE(match, 0) << "played frame " << k << " is no recorded revolution";
            shown.push_back(match);
        }
        // Each revolution of the file in turn, the first again after the last.
        const int firstInFile = protocol == 0 ? 0 : 1;  // before the first marker or end: a lead-in
        for (size_t k = 1; k < shown.size(); ++k) {
            const int previous = shown[k - 1];
            EXPECT_EQ(shown[k], previous + 1 < REVOLUTIONS ? previous + 1 : firstInFile) << k;
        }
        EXPECT_NE(std::find(shown.begin() + 1, shown.end(), shown.front()), shown.end()) << "no wrap seen";
    }
}

}  // namespace
