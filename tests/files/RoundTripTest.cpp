// Record what the protocol-1 parser reads from a simulated scanner, drop the file, play it back.
#include <gtest/gtest.h>

#include "FilesFixture.h"
#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackLoad.h"
#include "files/PlaybackSource.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"
#include "protocols/Protocol1.h"
#include "run/SimulatedScanner.h"

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

// Up to `limit` frames, until the parser gives up.
std::vector<Samples> ParseFrames(CSerialPort& port, int limit)
{
    std::vector<Samples> frames;
    while (static_cast<int>(frames.size()) < limit && ParseProtocol1(port, g_ScanFrame)) {
        const int32_t count = g_ScanFrame.count;
        frames.push_back({{g_ScanFrame.angle, g_ScanFrame.angle + count},
                          {g_ScanFrame.distance, g_ScanFrame.distance + count}});
    }
    return frames;
}

class RoundTripTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        ResetProtocol1();
        Store(g_nProtocol, 1);
    }
};

TEST_F(RoundTripTest, RecordedRevolutionsPlayBackFromTheDroppedFile)
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
    port.AttachSource(nullptr);
    ASSERT_EQ(live.size(), 4u);
    const FileWriteResult file = WriteRawDataFile();
    ASSERT_EQ(file.status, FileWriteResult::WRITTEN) << file.reason;
    EXPECT_EQ(ReadWholeFile(file.path), HexText(stream));

    ASSERT_EQ(LoadPlaybackFile(file.path), PLAYBACK_LOADED);
    PlaybackSource playback;
    port.AttachSource(&playback);
    ResetProtocol1();
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
    EXPECT_EQ(Load(g_nRecordCount), 0);

    ASSERT_TRUE(StepPlaybackFrame());
    played = ParseFrames(port, 3);  // the rest of frame 0 and the buffer's leftovers come first
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(AllButLast(played[2]), AllButLast(live[2]));
    EXPECT_EQ(LastSample(played[2]), LastSample(live[1]));
}

}  // namespace
