// The viewer as a user runs it: Ctrl+C, kill and a closed terminal end it the way the close box
// does, so that the port it had open is let go with its lock file.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/BuiltProgram.h"
#include "tests/support/ChildProcess.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The lock file that names `pid` (the demo's terminal has a name of its own each run).
std::string LockFileOf(pid_t pid)
{
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator("/var/lock", ec)) {
        if (!entry.path().filename().native().starts_with("LCK..") || !entry.is_regular_file(ec))
            continue;
        int owner = 0;
        if (std::ifstream(entry.path()) >> owner && owner == pid)
            return entry.path();
    }
    return {};
}

// Under nohup the terminal's end is ignored, as it was when the viewer started.
TEST(QuitSignals, EachEndsTheViewerThroughItsClosePath)
{
    const struct {
        int signal;
        bool nohup;
    } cases[] = {{SIGINT, false}, {SIGTERM, false}, {SIGHUP, false}, {SIGTERM, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(strsignal(c.signal)) + (c.nohup ? " under nohup" : ""));
        std::vector<std::string> argv = {BuiltProgram("PLOTWELL_VIEWER", PLOTWELL_VIEWER), "--demo"};
        if (c.nohup)
            argv.insert(argv.begin(), "/usr/bin/nohup");
        ChildProcess viewer(argv, {}, {"QT_QPA_PLATFORM=offscreen"});
        ASSERT_TRUE(viewer.Started());
        std::string lock;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while ((lock = LockFileOf(viewer.Pid())).empty() && viewer.Wait(0) < 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        ASSERT_FALSE(lock.empty()) << "the demo's port was never opened";
        EXPECT_EQ(viewer.Ignores(SIGHUP), c.nohup);
        EXPECT_TRUE(viewer.Catches(c.signal));

        viewer.Signal(c.signal);
        EXPECT_EQ(viewer.Wait(10000), 0);
        // Looked for by its holder again: once the viewer is gone, its terminal's number and so
        // the lock's name may already be another program's.
        const std::string left = LockFileOf(viewer.Pid());
        EXPECT_EQ(left, "") << "lock file left behind";
        if (!left.empty())
            fs::remove(left);
    }
}

}  // namespace
