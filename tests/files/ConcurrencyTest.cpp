// The UI thread loads, steps and stops while the receive thread reads and records.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "FilesFixture.h"
#include "acquisition/SharedState.h"
#include "files/HexDump.h"
#include "files/Playback.h"
#include "files/PlaybackLoad.h"
#include "files/RecordFiles.h"
#include "files/Recording.h"

namespace {

using ConcurrencyTest = FilesTest;

constexpr auto TIME_LIMIT = std::chrono::seconds(60);

bool IsMixed(const uint8_t* bytes, int32_t count)
{
    bool sawFirst = false, sawSecond = false;
    for (int32_t i = 0; i < count; ++i) {
        sawFirst |= bytes[i] == 0x11;
        sawSecond |= bytes[i] == 0x22;
    }
    return sawFirst && sawSecond;
}

// A file dropped during playback used to be converted into the buffer the parsers were reading.
TEST_F(ConcurrencyTest, ReadersNeverSeeAHalfLoadedFile)
{
    // Every chunk read must come from one file: all 0x11 (with markers) or all 0x22.
    std::vector<uint8_t> first(300000, 0x11), second(300000, 0x22);
    for (size_t p = 0; p + 4 <= first.size(); p += 1000) {
        first[p] = 0xAA;
        first[p + 1] = 0x55;
        first[p + 2] = first[p + 3] = 0x01;
    }
    const std::string paths[] = {WriteText("first.txt", HexText(first)), WriteText("second.txt", HexText(second))};
    ASSERT_EQ(LoadPlaybackFile(paths[0]), PLAYBACK_LOADED);
    Store(g_nProtocol, 1);
    Store(g_bHoldFrame, 0);

    std::atomic<bool> loading{true};
    auto reader = std::async(std::launch::async, [&] {
        int mixed = 0;
        uint8_t frame[210];
        while (Load(loading)) {
            Store(g_bFrameDone, 1);
            mixed += IsMixed(frame, PlaybackReadFrame(frame, 210));
        }
        return mixed;
    });
    for (int load = 0; load < 40; ++load) {
        ASSERT_EQ(LoadPlaybackFile(paths[load % 2]), PLAYBACK_LOADED);
        StepPlaybackFrame();
    }
    Store(loading, false);
    ASSERT_EQ(reader.wait_for(TIME_LIMIT), std::future_status::ready) << "reader hung";
    EXPECT_EQ(reader.get(), 0);
}

// A stop used to write from the store while an append that had passed the flag test went on.
TEST_F(ConcurrencyTest, FileWrittenAtTheStopHoldsExactlyWhatWasCollected)
{
    StartRawRecording();
    std::atomic<bool> receiving{true};
    std::atomic<int64_t> appended{0};
    auto receiver = std::async(std::launch::async, [&] {
        uint8_t chunk[100];
        int64_t next = 0;
        while (Load(receiving)) {
            for (uint8_t& byte : chunk)
                byte = static_cast<uint8_t>(next++ % 251);
            RecordRawBytes(chunk, 100);
            Store(appended, next);
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + TIME_LIMIT;
    while (Load(appended) < 100000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    const FileWriteResult result = WriteRawDataFile();
    const int32_t afterStop = Load(g_nRecordCount);
    Store(receiving, false);
    ASSERT_EQ(receiver.wait_for(TIME_LIMIT), std::future_status::ready) << "receiver hung";

    ASSERT_EQ(result.status, FileWriteResult::WRITTEN) << result.reason;
    EXPECT_EQ(afterStop, 0);
    const std::string text = ReadWholeFile(result.path);
    std::vector<uint8_t> bytes(text.size() / 3);
    ASSERT_EQ(DecodeHexDump(text.data(), static_cast<int64_t>(text.size()), bytes.data(), nullptr),
              static_cast<int64_t>(bytes.size()));
    EXPECT_GE(bytes.size(), 100000u);
    EXPECT_EQ(bytes.size() % 100, 0u);
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], i % 251) << i;
}

}  // namespace
