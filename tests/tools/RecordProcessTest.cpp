// plotwell-tool record as a user runs it on a scanner's port: a stop signal ends it with the file
// complete; kill -9 leaves a file that reads up to within two seconds of the kill.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "mcap/McapReader.h"
#include "recording/McapRawSource.h"
#include "run/SimulatedScanner.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"
#include "tests/tools/RunTool.h"

namespace {

using namespace std::chrono_literals;

int64_t WallNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The last message's log time, and whether the file was read through its summary.
struct ReadBack {
    uint64_t messages = 0;
    uint64_t lastLogTime = 0;
    bool indexed = false;
};

ReadBack ReadRecording(const std::string& path)
{
    ReadBack read;
    McapReader reader;
    if (!reader.Open(path))
        return read;
    read.indexed = reader.Indexed();
    McapMessageStream messages = reader.Messages();
    for (McapMessage message; messages.Next(message); ++read.messages)
        read.lastLogTime = message.logTime;
    return read;
}

TEST(RecordProcess, AStopSignalCompletesTheFileAndKillLosesAtMostTwoSeconds)
{
    const struct {
        const char* name;
        int signal;
        int status;
    } cases[] = {
        {"Ctrl+C", SIGINT, 0},
        {"kill -TERM", SIGTERM, 0},
        {"terminal closed (SIGHUP)", SIGHUP, 0},
        {"kill -9", SIGKILL, 128 + SIGKILL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDirectory dir;
        const std::string path = dir / "scan.mcap";
        PseudoTerminal pty;
        ASSERT_TRUE(pty.IsValid());
        ChildProcess record({ToolProgram(), "record", pty.DevicePath(), path});
        ASSERT_TRUE(record.Started());
        // About ten revolutions a second for three seconds, as a scanner turns.
        SimulatedScanner revolutions{SimulatedScannerSettings{}};
        const auto until = std::chrono::steady_clock::now() + 3s;
        while (std::chrono::steady_clock::now() < until && record.Wait(0) < 0) {
            pty.SendRevolution(revolutions);
            std::this_thread::sleep_for(100ms);
        }
        const int64_t signalled = WallNs();
        record.Signal(c.signal);
        EXPECT_EQ(record.Wait(5000), c.status);

        const ReadBack read = ReadRecording(path);
        EXPECT_GT(read.messages, 5u);
        EXPECT_EQ(read.indexed, c.signal != SIGKILL) << "a stopped recording has its summary";
        EXPECT_GT(static_cast<int64_t>(read.lastLogTime), signalled - 2'000'000'000)
            << "more than the last two seconds lost";
    }
}

}  // namespace
