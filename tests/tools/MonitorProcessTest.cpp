// plotwell-tool monitor as a user runs it, in a pipeline and in a terminal: every way the run
// can end goes through the close path (no lock file left behind), a stop never waits for a reader
// that stopped reading, and the lines such a reader did not get are counted in the summary.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "acquisition/PortLock.h"
#include "run/SimulatedScanner.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Pipe.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/tools/RunTool.h"

namespace {

using namespace std::chrono_literals;

// Where the tool keeps its lock files (the first of the system's lock directories).
const std::string LOCK_DIR = "/var/lock";

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

enum class Output { Read, Blocked, ReaderLeaves, DeviceFull };

TEST(MonitorProcess, EveryEndGoesThroughTheClosePathAndNoStopWaitsForTheOutput)
{
    const struct {
        const char* name;
        Output output;
        int signal;  // 0: the output ends the run
        int status;
        const char* err;
    } cases[] = {
        {"kill -TERM", Output::Read, SIGTERM, 0, ""},
        {"terminal closed (SIGHUP)", Output::Read, SIGHUP, 0, ""},
        {"Ctrl+C while the output is blocked", Output::Blocked, SIGINT, 0,
         " cut short; 0 lines printed, "},
        {"monitor | head -1", Output::ReaderLeaves, 0, 0, ""},
        {"output to a full device", Output::DeviceFull, 0, 1,
         "plotwell-tool monitor: cannot write output: No space left on device\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PseudoTerminal pty;
        ASSERT_TRUE(pty.IsValid());
        const std::string lockFile = LOCK_DIR + "/" + LockFileName(pty.DevicePath());
        Pipe out;
        Pipe err;
        const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
        ASSERT_GE(full, 0);
        if (c.output == Output::Blocked)
            out.Fill();
        ChildProcess monitor({ToolProgram(), "monitor", pty.DevicePath()},
                             ChildStreams{-1, c.output == Output::DeviceFull ? full : out.write, err.write});
        close(full);
        out.CloseWrite();
        err.CloseWrite();
        ASSERT_TRUE(monitor.Started());

        // Revolutions until the run ends or the test has seen what it waits for: bytes sent
        // before the monitor has configured the line are flushed by its open.
        SimulatedScanner revolutions{SimulatedScannerSettings{}};
        auto sendFor = [&](std::chrono::milliseconds span, const std::function<bool()>& done) {
            const auto deadline = std::chrono::steady_clock::now() + span;
            while (!done() && std::chrono::steady_clock::now() < deadline && monitor.Wait(0) < 0)
                if (!pty.SendRevolution(revolutions))
                    std::this_thread::sleep_for(10ms);
        };
        const bool locked = WaitUntil([&] { return std::filesystem::exists(lockFile); });
        std::string firstLine;
        if (c.output == Output::Read || c.output == Output::ReaderLeaves) {
            sendFor(5s, [&] { return !(firstLine += out.Take(20, '\n')).empty() && firstLine.back() == '\n'; });
            EXPECT_NE(firstLine.find(" samples, "), std::string::npos) << "no line before the end: " << firstLine;
        }
        if (c.output == Output::ReaderLeaves)
            out.CloseRead();
        // Revolutions keep arriving behind the full pipe, more than the output's queue holds
        // even when the monitor is scheduled so seldom that the line buffers dozens of them.
        int sent = 0;
        if (c.output == Output::Blocked)
            sendFor(20s, [&sent] { return ++sent > 200; });
        if (c.signal != 0)
            monitor.Signal(c.signal);
        else
            sendFor(5s, [] { return false; });
        const int status = monitor.Wait(5000);

        EXPECT_TRUE(locked) << "the monitor never took the port";
        EXPECT_EQ(status, c.status) << (status < 0 ? "still running" : "");
        EXPECT_FALSE(std::filesystem::exists(lockFile)) << "lock file left behind";
        const std::string messages = err.Take(1000);
        EXPECT_EQ(messages.find("Open Failed"), std::string::npos) << messages;
        EXPECT_NE(messages.find(c.err), std::string::npos) << messages;
        if (c.output == Output::Blocked) {
            EXPECT_NE(messages.find(" dropped (the output took them slower than the scanner sent them)"),
                      std::string::npos) << messages;
        }
        std::filesystem::remove(lockFile);
    }
}

}  // namespace
