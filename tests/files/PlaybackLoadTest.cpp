#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include "FilesFixture.h"
#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "files/PlaybackIndex.h"
#include "files/PlaybackLoad.h"
#include "files/PlaybackState.h"
#include "tests/support/PseudoTerminal.h"

namespace {

using PlaybackLoadTest = FilesTest;

TEST_F(PlaybackLoadTest, AcceptsCompleteCellsInEitherCaseAndRefusesAnythingElse)
{
    struct Case {
        std::string text;
        int result;
        std::vector<uint8_t> bytes;  // loaded, read once round
    };
    const Case cases[] = {
        {"AA 55 01 01 ", PLAYBACK_LOADED, {0xAA, 0x55, 0x01, 0x01}},
        {"AA 55 01 01", PLAYBACK_LOADED, {0xAA, 0x55, 0x01}},
        {"aa 5f 0c 01 ", PLAYBACK_LOADED, {0xAA, 0x5F, 0x0C, 0x01}},
        {"AA 55\n01 ", PLAYBACK_NOT_DATA, {}},
        {"AA 55 01 01\r\n", PLAYBACK_NOT_DATA, {}},
        {"AA 55 0x ", PLAYBACK_NOT_DATA, {}},
        {"", PLAYBACK_LOADED, {}},
    };
    for (const Case& c : cases) {
        ResetPlaybackState();
        Store(g_bPlayback, 0);
        std::string reason;
        EXPECT_EQ(LoadPlaybackFile(WriteText("case.txt", c.text), &reason), c.result) << c.text;
        EXPECT_EQ(Load(g_bPlayback), c.result == PLAYBACK_LOADED ? 1 : 0) << c.text;
        EXPECT_EQ(LoadedBytes(), c.bytes) << c.text;
        if (c.result != PLAYBACK_LOADED) {
            EXPECT_FALSE(reason.empty()) << c.text;
        }
    }
}

TEST_F(PlaybackLoadTest, FiveMegaCharactersIsTheLargestFile)
{
    std::string text;
    text.reserve(PLAYBACK_MAX_CHARACTERS + 1);
    while (text.size() + 3 <= static_cast<size_t>(PLAYBACK_MAX_CHARACTERS))
        text += "5A ";
    text += "5A";
    ASSERT_EQ(text.size(), static_cast<size_t>(PLAYBACK_MAX_CHARACTERS));
    ASSERT_EQ(LoadPlaybackFile(WriteText("largest.txt", text)), PLAYBACK_LOADED);
    EXPECT_EQ(g_nPlaybackSize, 1747626);

    text += " ";
    std::string reason;
    EXPECT_EQ(LoadPlaybackFile(WriteText("too-large.txt", text), &reason), PLAYBACK_TOO_LARGE);
    EXPECT_NE(reason.find("too-large.txt"), std::string::npos) << reason;
}

// Refused files used to clear the size and convert their good beginning into the live buffer.
TEST_F(PlaybackLoadTest, RefusedFileLeavesLoadedDataIndexAndFrameAsTheyWere)
{
    const std::vector<uint8_t> played = {0x10, 0xAA, 0x55, 0x01, 0x01, 0x21, 0x22, 0xAA, 0x55, 0x01, 0x01,
                                         0x31, 0xAA, 0x55, 0x01, 0x01, 0x41};
    ASSERT_EQ(LoadPlaybackFile(WriteText("played.txt", HexText(played))), PLAYBACK_LOADED);
    Store(g_nProtocol, 1);
    ASSERT_EQ(IndexPlaybackFrames(), 2);
    Store(g_bFrameDone, 1);
    ASSERT_TRUE(StepPlaybackFrame());
    Store(g_bHoldFrame, 0);  // to see that a refused file does not put holding back on

    std::string bad = HexText(std::vector<uint8_t>(40, 0xEE)) + "EE\n";
    std::string huge = HexText(std::vector<uint8_t>(PLAYBACK_MAX_CHARACTERS / 3 + 1, 0xEE));
    const struct {
        std::string path;
        int result;
        std::string reasonPart;
    } refusals[] = {
        {WriteText("bad.txt", bad), PLAYBACK_NOT_DATA, "character 122"},
        {WriteText("huge.txt", huge), PLAYBACK_TOO_LARGE, "huge.txt"},
        {(m_directory / "missing.txt").string(), PLAYBACK_UNREADABLE, std::strerror(ENOENT)},
        {m_directory.string(), PLAYBACK_UNREADABLE, "a directory"},
    };
    for (const auto& refusal : refusals) {
        std::string reason;
        EXPECT_EQ(LoadPlaybackFile(refusal.path, &reason), refusal.result) << refusal.path;
        EXPECT_NE(reason.find(refusal.reasonPart), std::string::npos) << reason;
    }

    EXPECT_EQ(g_nPlaybackSize, static_cast<int32_t>(played.size()));
    EXPECT_EQ(Load(g_bHoldFrame), 0);
    const PlaybackPosition position = GetPlaybackPosition();
    EXPECT_EQ(position.frame, 1);
    EXPECT_EQ(position.frames, 2);
    EXPECT_EQ(LoadedBytes(), played);
    // The marker reader runs on through frame 1 (bytes 7..11) and keeps to it.
    std::vector<uint8_t> frame(12);
    ASSERT_EQ(PlaybackReadFrame(frame.data(), 12), 12);
    std::vector<uint8_t> expected(played.begin() + 1, played.begin() + 12);
    expected.push_back(played[7]);
    EXPECT_EQ(frame, expected);
}

// --play or a drop of a FIFO without a writer, or of a terminal, blocked the UI thread in open()
// or read(), deaf even to SIGTERM.
TEST_F(PlaybackLoadTest, WhatIsNoRegularFileIsRefusedWithoutWaiting)
{
    const std::string fifo = (m_directory / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.IsValid());
    const struct {
        std::string path;
        const char* reasonPart;
    } cases[] = {
        {fifo, "a FIFO"},
        {terminal.DevicePath(), "a device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string reason;
        auto load = std::async(std::launch::async, [&] { return LoadPlaybackFile(c.path, &reason); });
        if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Free the loader so that the test can end: a writer for the FIFO, a hang-up for the terminal.
            const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                close(writer);
            terminal.HangUp();
            load.wait();
            FAIL() << "the load waited";
        }
        EXPECT_EQ(load.get(), PLAYBACK_UNREADABLE);
        EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << reason;
        EXPECT_EQ(Load(g_bPlayback), 0);
    }
}

}  // namespace
