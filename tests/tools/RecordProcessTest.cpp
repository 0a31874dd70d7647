// plotwell-tool record as a user runs it on a scanner's port: a stop signal ends it with the file
// complete; kill -9 leaves a file that reads up to within two seconds of the kill.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

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

// Every case at once, each recorder on a scanner of its own turning ten times a second for two
// seconds. Three stop signals complete the file; kill -9 while revolutions flow leaves what the
// writer's one-second chunks held; kill -9 after a pause of 1.5 s leaves every revolution, which
// only the output's ticker, writing out a chunk that took nothing for a while, can have written.
TEST(RecordProcess, AStopSignalCompletesTheFileAndKillLosesAtMostTwoSeconds)
{
    struct Case {
        const char* name;
        int signal;
        int status;
        bool pauseFirst;
    };
    const Case cases[] = {
        {"Ctrl+C", SIGINT, 0, false},
        {"kill -TERM", SIGTERM, 0, false},
        {"terminal closed (SIGHUP)", SIGHUP, 0, false},
        {"kill -9", SIGKILL, 128 + SIGKILL, false},
        {"kill -9 after a pause", SIGKILL, 128 + SIGKILL, true},
    };
    constexpr size_t COUNT = std::size(cases);
    ScratchDirectory dir;
    std::vector<std::unique_ptr<PseudoTerminal>> ptys;
    std::vector<std::unique_ptr<ChildProcess>> recorders;
    for (size_t k = 0; k < COUNT; ++k) {
        ptys.push_back(std::make_unique<PseudoTerminal>());
        ASSERT_TRUE(ptys.back()->IsValid());
        recorders.push_back(std::make_unique<ChildProcess>(std::vector<std::string>{
            ToolProgram(), "record", ptys.back()->DevicePath(), dir / (std::to_string(k) + ".mcap")}));
        ASSERT_TRUE(recorders.back()->Started());
    }
    SimulatedScanner revolutions{SimulatedScannerSettings{}};
    const auto until = std::chrono::steady_clock::now() + 2s;
    int64_t lastSent = 0;  // wall time before the last revolution went out
    while (std::chrono::steady_clock::now() < until) {
        lastSent = WallNs();
        ASSERT_TRUE(revolutions.NextRevolution());
        for (const auto& pty : ptys)
            pty->Send(revolutions.Bytes(), revolutions.ByteCount());
        std::this_thread::sleep_for(100ms);
    }
    int64_t signalled[COUNT] = {};
    for (size_t k = 0; k < COUNT; ++k) {
        if (cases[k].pauseFirst)
            std::this_thread::sleep_for(1500ms);
        signalled[k] = WallNs();
        recorders[k]->Signal(cases[k].signal);
    }
    for (size_t k = 0; k < COUNT; ++k) {
        SCOPED_TRACE(cases[k].name);
        EXPECT_EQ(recorders[k]->Wait(5000), cases[k].status);
        const ReadBack read = ReadRecording(dir / (std::to_string(k) + ".mcap"));
        EXPECT_GT(read.messages, 5u);
        EXPECT_EQ(read.indexed, cases[k].signal != SIGKILL) << "a stopped recording has its summary";
        EXPECT_GT(static_cast<int64_t>(read.lastLogTime), signalled[k] - 2'000'000'000)
            << "more than the last two seconds lost";
        // The last revolution completed when the last bytes came, 1.5 s before the kill.
        if (cases[k].pauseFirst) {
            EXPECT_GE(static_cast<int64_t>(read.lastLogTime), lastSent) << "the paused chunk was never written";
        }
    }
}

}  // namespace
