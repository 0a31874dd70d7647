// The MCAP recording on the output stage: every value's bytes in order with the run's metadata
// in a complete file; a recording left running (as a killed program leaves it) is readable up to
// about a second before; a removed folder is reported and ends the writing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "mcap/McapReader.h"
#include "protocols/DeviceModel.h"
#include "recording/McapOutput.h"
#include "recording/McapRawSource.h"
#include "tests/support/ScratchDirectory.h"

namespace {

using namespace std::chrono_literals;

constexpr int64_t START_NS = 1'765'000'000'000'000'000;

RunInfo TestRun()
{
    RunInfo run;
    run.run = 1;
    run.model = &g_ModelTR20_A;
    run.protocol = 1;
    return run;
}

// Value i: `i % 7 + 1` bytes of i, completed i tenths of a second after the start; every fifth
// one carries bytes only.
void Fill(RevolutionValue& value, int i)
{
    value.run = TestRun();
    value.sequence = static_cast<uint64_t>(i + 1);
    value.complete = i % 5 != 4;
    value.times.completedWallNs = START_NS + i * 100'000'000LL;
    value.byteCount = i % 7 + 1;
    for (int k = 0; k < value.byteCount; ++k)
        value.bytes[k] = static_cast<uint8_t>(i);
}

std::vector<uint8_t> ExpectedBytes(int values)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < values; ++i)
        bytes.insert(bytes.end(), static_cast<size_t>(i % 7 + 1), static_cast<uint8_t>(i));
    return bytes;
}

std::vector<uint8_t> RawBytes(const std::string& path, std::string& reason)
{
    McapRawSource source;
    std::vector<uint8_t> bytes;
    if (!source.Open(path, reason))
        return bytes;
    uint8_t block[256];
    for (int32_t count; (count = source.Read(block, sizeof block)) > 0;)
        bytes.insert(bytes.end(), block, block + count);
    reason = source.Problem();
    return bytes;
}

class Recording : public ::testing::Test {
protected:
    void TakeValues(int from, int to)
    {
        for (int i = from; i < to; ++i) {
            Fill(*m_value, i);
            m_output.Take(*m_value);
        }
    }

    ScratchDirectory m_dir;
    McapOutput m_output;
    std::unique_ptr<RevolutionValue> m_value = std::make_unique<RevolutionValue>();
};

TEST_F(Recording, HoldsEveryValuesBytesInOrderWithTheRunAndEndsComplete)
{
    const std::string path = m_dir / "scan.mcap";
    std::string reason;
    m_output.RunStarted(TestRun());
    ASSERT_TRUE(m_output.Start(path, {}, reason)) << reason;
    TakeValues(0, 40);  // 4 s: several chunks by the writer's 1 s rule
    m_output.RunEnded();
    ASSERT_TRUE(m_output.Stop(reason)) << reason;
    EXPECT_EQ(m_output.Revolutions(), 32u);

    EXPECT_EQ(RawBytes(path, reason), ExpectedBytes(40));
    EXPECT_EQ(reason, "");
    McapRawSource source;
    ASSERT_TRUE(source.Open(path, reason));
    EXPECT_EQ(source.Run().model, &g_ModelTR20_A);
    EXPECT_EQ(source.Run().protocol, 1);
    McapReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_TRUE(reader.Indexed()) << "no summary: the file was not completed";
}

// A program killed now leaves the file as it is on disk: a copy of it, taken while the
// recording runs, must hold everything but about the last second once the data pauses.
TEST_F(Recording, LeftRunningItIsReadableUpToAboutASecondBefore)
{
    const std::string path = m_dir / "scan.mcap";
    const std::string killed = m_dir / "killed.mcap";
    std::string reason;
    m_output.RunStarted(TestRun());
    ASSERT_TRUE(m_output.Start(path, {}, reason)) << reason;
    TakeValues(0, 5);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    std::vector<uint8_t> read;
    while (read != ExpectedBytes(5) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        std::filesystem::copy_file(path, killed, std::filesystem::copy_options::overwrite_existing);
        read = RawBytes(killed, reason);
    }
    EXPECT_EQ(read, ExpectedBytes(5)) << "the pause's chunk stayed in memory: " << reason;
    ASSERT_TRUE(m_output.Stop(reason)) << reason;
}

TEST_F(Recording, ARemovedFolderIsSaidAndNothingMoreIsTaken)
{
    m_dir.MakeFolder("usb");
    const std::string path = m_dir / "usb/scan.mcap";
    std::string reason;
    m_output.RunStarted(TestRun());
    ASSERT_TRUE(m_output.Start(path, {}, reason)) << reason;
    std::filesystem::remove_all(m_dir / "usb");
    TakeValues(0, 20);  // the 1 s rule writes a chunk, which finds the file gone
    EXPECT_TRUE(m_output.Failed());
    EXPECT_NE(m_output.Failure().find(path), std::string::npos) << m_output.Failure();
    const uint64_t taken = m_output.Revolutions();
    TakeValues(20, 30);
    EXPECT_EQ(m_output.Revolutions(), taken);
    EXPECT_FALSE(m_output.Stop(reason));
    EXPECT_EQ(reason, m_output.Failure());
    EXPECT_FALSE(m_output.Recording());
}

}  // namespace
