#include <gtest/gtest.h>

#include "FilesFixture.h"
#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackIndex.h"
#include "files/PlaybackLoad.h"
#include "files/PlaybackState.h"
#include "protocols/DeviceModel.h"
#include "run/SimulatedScanner.h"

namespace {

class PlaybackFramesTest : public FilesTest {
protected:
    void LoadBytes(const std::vector<uint8_t>& bytes)
    {
        ASSERT_EQ(LoadPlaybackFile(WriteText("dropped.txt", HexText(bytes))), PLAYBACK_LOADED);
    }

    // What the protocol-1 parser gets when `length` bytes of its buffer are free.
    static std::vector<uint8_t> ReadMarkerFrame(int32_t length)
    {
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        bytes.resize(static_cast<size_t>(PlaybackReadFrame(bytes.data(), length)));
        return bytes;
    }

    static std::vector<uint8_t> ReadPacketFrame()
    {
        std::vector<uint8_t> bytes(static_cast<size_t>(PACKETS_PER_FRAME * PacketLength(Load(g_nPointNum))));
        bytes.resize(static_cast<size_t>(PlaybackReadFrame(bytes.data(), static_cast<int32_t>(bytes.size()))));
        return bytes;
    }
};

const std::vector<uint8_t> MARKER = {0xAA, 0x55, 0x01, 0x01};

// Frame k: the marker and then `lengths[k]` bytes k0, k1, ...; a lead-in before the first
// marker and a closing marker with a tail after the last frame.
std::vector<uint8_t> MarkerFrames(const std::vector<int>& lengths)
{
    std::vector<uint8_t> bytes = {0x01, 0x02, 0x03};
    for (size_t k = 0; k <= lengths.size(); ++k) {
        bytes.insert(bytes.end(), MARKER.begin(), MARKER.end());
        const int length = k < lengths.size() ? lengths[k] : 2;
        for (int i = 0; i < length; ++i)
            bytes.push_back(static_cast<uint8_t>(0x10 * (k + 1) + i));
    }
    return bytes;
}

std::vector<uint8_t> FrameBytes(int k, int length)
{
    std::vector<uint8_t> bytes = MARKER;
    for (int i = 0; i < length; ++i)
        bytes.push_back(static_cast<uint8_t>(0x10 * (k + 1) + i));
    return bytes;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t length)
{
    return {bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + length)};
}

// A sector packet of protocol code 0 for N = 30: 69 bytes, 0x55 0xAA, number, count, ..., 0xFA.
std::vector<uint8_t> SectorPacket(uint8_t number, uint8_t fill)
{
    std::vector<uint8_t> packet(static_cast<size_t>(PacketLength(30)), fill);
    packet[0] = 0x55;
    packet[1] = 0xAA;
    packet[2] = number;
    packet[3] = 30;
    packet.back() = 0xFA;
    return packet;
}

// Seven bytes of lead-in (a broken packet among them), then `frames` runs of packets 0..14.
std::vector<uint8_t> SectorFrames(int frames)
{
    std::vector<uint8_t> bytes = {0x55, 0xAA, 0x20, 0x00, 0x00, 0x55, 0xAA};
    for (int k = 0; k < frames; ++k)
        for (uint8_t n = 0; n < PACKETS_PER_FRAME; ++n) {
            const std::vector<uint8_t> packet = SectorPacket(n, static_cast<uint8_t>(k));
            bytes.insert(bytes.end(), packet.begin(), packet.end());
        }
    return bytes;
}

TEST_F(PlaybackFramesTest, IndexCountsFramesBetweenMarkersOrRunsOfSectorPackets)
{
    const struct {
        std::vector<uint8_t> bytes;
        int32_t protocol;
        int32_t frames;
        int32_t firstOffset;
    } cases[] = {
        {MarkerFrames({6, 3}), 1, 2, 0},
        {MarkerFrames({}), 1, 0, 0},            // one marker: no frame, rebuilt at each use
        {MarkerFrames({6, 3}), 3, -1, 0},       // protocol 3 has its own revolution ends
        {{0xAA, 0x55, 0x01, 0x00, 0x01}, 1, -1, 0},
        {{0x00, 0xAA, 0x55, 0x01}, 2, -1, 0},  // a marker cut by the end of the data
        {SectorFrames(3), 0, 3, 7},
        {Slice(SectorFrames(3), 0, 7 + 3 * 1035 - 1), 0, 2, 7},
    };
    for (const auto& c : cases) {
        LoadBytes(c.bytes);
        Store(g_nProtocol, c.protocol);
        EXPECT_EQ(IndexPlaybackFrames(), c.frames) << c.protocol << " " << c.bytes.size();
        EXPECT_EQ(g_nPlaybackFirstOffset, c.firstOffset);
    }
}

TEST_F(PlaybackFramesTest, HeldMarkerFrameRepeatsAndStepsOnlyAfterACompletedFrame)
{
    LoadBytes(MarkerFrames({6, 4}));
    Store(g_nProtocol, 1);
    const std::vector<uint8_t> f0 = FrameBytes(0, 6), f1 = FrameBytes(1, 4);

    EXPECT_EQ(ReadMarkerFrame(25), Concat({f0, f0, Slice(f0, 0, 5)}));
    // The snapshot holds the frame being shown; it used to take 15 sector packets' worth of
    // bytes from the start of the file instead.
    std::vector<uint8_t> snapshot;
    ASSERT_TRUE(CopyPlaybackFrame(&snapshot));
    EXPECT_EQ(snapshot, f0);
    EXPECT_EQ(ReadMarkerFrame(15), Concat({Slice(f0, 5, 5), f0}));
    EXPECT_TRUE(ReadMarkerFrame(1).size() == 1 && ReadMarkerFrame(0).empty());

    // Two clicks without a completed frame step once.
    EXPECT_FALSE(StepPlaybackFrame());
    Store(g_bFrameDone, 1);
    EXPECT_TRUE(StepPlaybackFrame());
    EXPECT_FALSE(StepPlaybackFrame());
    EXPECT_EQ(GetPlaybackPosition().frame, 1);
    ASSERT_TRUE(CopyPlaybackFrame(&snapshot));
    EXPECT_EQ(snapshot, f1);
    // The reading runs on through the rest of frame 0, then keeps to frame 1.
    EXPECT_EQ(ReadMarkerFrame(27), Concat({Slice(f0, 1, 9), f1, f1, Slice(f1, 0, 2)}));

    // At the wrap the reading finishes frame 1 before it goes back to frame 0: a revolution cut
    // there was drawn broken once a loop.
    Store(g_bFrameDone, 1);
    EXPECT_TRUE(StepPlaybackFrame());
    EXPECT_EQ(GetPlaybackPosition().frame, 0);
    EXPECT_EQ(ReadMarkerFrame(26), Concat({Slice(f1, 2, 6), f0, f0}));
}

TEST_F(PlaybackFramesTest, AdvancingFramesFollowTheParserAndWrapToTheFirst)
{
    LoadBytes(MarkerFrames({2, 2, 2}));
    Store(g_nProtocol, 1);
    Store(g_bHoldFrame, 0);
    std::vector<int32_t> frames;
    for (int read = 0; read < 4; ++read) {
        Store(g_bFrameDone, 1);
        ReadMarkerFrame(6);
        frames.push_back(GetPlaybackPosition().frame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 0, 1}));
    ReadMarkerFrame(6);  // no frame completed since: no step
    EXPECT_EQ(GetPlaybackPosition().frame, 1);
}

TEST_F(PlaybackFramesTest, SectorFramesAre1035BytesFromTheFirstPacketNumberedZero)
{
    const std::vector<uint8_t> bytes = SectorFrames(3);
    LoadBytes(bytes);
    EXPECT_EQ(ReadPacketFrame(), Slice(bytes, 7, 1035));
    EXPECT_EQ(g_nPlaybackFirstOffset, 7);
    std::vector<uint8_t> small(1034);
    EXPECT_EQ(PlaybackReadFrame(small.data(), 1034), 0);

    std::vector<int32_t> frames;
    for (int step = 0; step < 3; ++step) {
        EXPECT_TRUE(StepPlaybackFrame());  // no completed frame needed for this rule
        frames.push_back(GetPlaybackPosition().frame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 0}));
    Store(g_bHoldFrame, 0);
    EXPECT_EQ(ReadPacketFrame(), Slice(bytes, 7, 1035));
    EXPECT_EQ(ReadPacketFrame(), Slice(bytes, 7 + 1035, 1035));
}

// Counted frames whose packets are missing used to be read past the end of the loaded data.
TEST_F(PlaybackFramesTest, FrameReadersNeverReachBeyondTheLoadedData)
{
    std::vector<uint8_t> bytes = SectorFrames(0);
    for (uint8_t n : {0, 14, 14, 14, 14}) {
        const std::vector<uint8_t> packet = SectorPacket(n, 0x33);
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    }
    LoadBytes(bytes);
    ASSERT_EQ(IndexPlaybackFrames(), 4);
    const size_t frameLength = bytes.size() - 7;  // the only packets there are
    EXPECT_EQ(ReadPacketFrame(), Slice(bytes, 7, frameLength));
    StepPlaybackFrame();
    EXPECT_TRUE(ReadPacketFrame().empty());
    std::vector<uint8_t> snapshot;
    EXPECT_TRUE(CopyPlaybackFrame(&snapshot));
    EXPECT_TRUE(snapshot.empty());

    // The index of the other rule has no markers: the marker reader delivers nothing.
    Store(g_nProtocol, 1);
    EXPECT_TRUE(ReadMarkerFrame(50).empty());
}

// More markers than the table holds used to write past it.
TEST_F(PlaybackFramesTest, MoreThanAThousandMarkersIndexTheFirstThousand)
{
    std::vector<uint8_t> bytes;
    for (int k = 0; k < 1500; ++k)
        bytes.insert(bytes.end(), {0xAA, 0x55, 0x01, 0x01, static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8)});
    LoadBytes(bytes);
    Store(g_nProtocol, 1);
    ASSERT_EQ(IndexPlaybackFrames(), PLAYBACK_MAX_MARKERS - 1);
    for (int step = 0; step < PLAYBACK_MAX_MARKERS - 2; ++step) {
        Store(g_bFrameDone, 1);
        StepPlaybackFrame();
    }
    EXPECT_EQ(GetPlaybackPosition().frame, PLAYBACK_MAX_MARKERS - 2);
    for (int read = 0; read < 29; ++read)  // 6090 bytes: frames 0..997, then 16 rounds of 998
        ReadMarkerFrame(210);
    EXPECT_EQ(ReadMarkerFrame(6), Slice(bytes, 6 * 998, 6));
    Store(g_bFrameDone, 1);
    StepPlaybackFrame();
    EXPECT_EQ(GetPlaybackPosition().frame, 0);
}

// Protocols 2 and 3 have no markers: a frame runs from one revolution end that the packet
// recogniser finds to the next, whatever comes before the first.
TEST_F(PlaybackFramesTest, RevolutionFramesRunBetweenTheRevolutionEndsOfTheProtocol)
{
    for (int32_t protocol : {2, 3}) {
        SCOPED_TRACE(protocol);
        SimulatedScanner scanner(ModelScannerSettings(g_ModelTR20_C, protocol));
        std::vector<uint8_t> bytes = {0x55, 0xAA, 0x03, 0xFA, 0xA0};  // lead-in like packet starts
        std::vector<std::vector<uint8_t>> revolutions;
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(scanner.NextRevolution());
            revolutions.emplace_back(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
            bytes.insert(bytes.end(), revolutions.back().begin(), revolutions.back().end());
        }
        scanner.EndStream();
        bytes.insert(bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
        LoadBytes(bytes);
        Store(g_nProtocol, protocol);
        EXPECT_TRUE(PlaybackHasFrames(protocol, 30));
        EXPECT_FALSE(PlaybackHasFrames(1, 30));
        ASSERT_EQ(IndexPlaybackFrames(), 2);  // the first revolution has no end before it
        std::vector<uint8_t> snapshot;
        ASSERT_TRUE(CopyPlaybackFrame(&snapshot));
        EXPECT_EQ(snapshot, revolutions[1]);
        // A step waits for a completed revolution, as between markers.
        EXPECT_FALSE(StepPlaybackFrame());
        Store(g_bFrameDone, 1);
        ASSERT_TRUE(StepPlaybackFrame());
        ASSERT_TRUE(CopyPlaybackFrame(&snapshot));
        EXPECT_EQ(snapshot, revolutions[2]);
        // The reading finishes the frame it began, then keeps to the held frame as a ring.
        const std::vector<uint8_t> ring = Concat({revolutions[1], revolutions[2], revolutions[2]});
        EXPECT_EQ(ReadMarkerFrame(static_cast<int32_t>(ring.size())), ring);
    }
}

}  // namespace
