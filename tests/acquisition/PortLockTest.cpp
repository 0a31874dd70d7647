// Lock files in a lock directory that anyone may write to, as Open and the port list judge them:
// nothing there may hang either, only a holder proven dead makes a lock stale, and a lock that
// cannot be judged is held and kept.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

#include "acquisition/PortLock.h"
#include "acquisition/SerialPort.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

std::string BinaryPid(pid_t pid)
{
    const int value = static_cast<int>(pid);
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

std::string AsciiPid(pid_t pid)
{
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
}

class PortLockTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.IsValid());
        ASSERT_TRUE(holder.Started());
        scratch.MakeFolder("lock");
        port.systemPaths.lockDirs = {scratch / "lock"};
        roots.sysClassTty = scratch / "no-sysfs";
        roots.lockDirs = port.systemPaths.lockDirs;
        roots.extraPaths = {pty.DevicePath()};
    }

    std::string LockPath() const { return scratch / ("lock/" + LockFileName(pty.DevicePath())); }

    // The result of `work`, failing loudly instead of hanging when a FIFO in the lock directory
    // blocks it: a writer that comes and goes releases a blocked reader.
    template <typename Work>
    auto Within(const char* what, Work work)
    {
        auto running = std::async(std::launch::async, work);
        if (running.wait_for(5s) != std::future_status::ready) {
            ADD_FAILURE() << what << " hung on the lock directory";
            const int writer = open(LockPath().c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                close(writer);
        }
        return running.get();
    }

    PseudoTerminal pty;
    ScratchDirectory scratch;
    ChildProcess holder{{"/bin/sleep", "60"}};  // a live process of another program
    CSerialPort port;
    PortScanRoots roots;
};

TEST_F(PortLockTest, EachKindOfLockEntryIsJudgedWithoutHangingAndOnlyAProvenDeadHolderIsStale)
{
    const pid_t dead = PidOfEndedProcess();
    const std::string live = "(pid " + std::to_string(holder.Pid()) + ")";
    enum class Outcome { Held, Stale, NoLockWritten };
    const struct {
        const char* name;
        std::function<void(const std::string& lock)> make;
        Outcome outcome;
        const char* reason;  // in Open's reason, the port list's holder, or the missing-lock note
    } cases[] = {
        {"FIFO", [](const std::string& lock) { ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0); }, Outcome::Held,
         "is not a regular file"},
        {"link to the device itself", [&](const std::string& lock) { fs::create_symlink(pty.DevicePath(), lock); },
         Outcome::Held, "is not a regular file"},
        {"ASCII pid of a live process", [&](const std::string& lock) { std::ofstream(lock) << AsciiPid(holder.Pid()); },
         Outcome::Held, live.c_str()},
        {"binary pid of a live process", [&](const std::string& lock) { std::ofstream(lock) << BinaryPid(holder.Pid()); },
         Outcome::Held, live.c_str()},
        {"text without a pid", [](const std::string& lock) { std::ofstream(lock) << "in use\n"; }, Outcome::Held,
         "names no process"},
        {"ASCII pid of an ended process", [&](const std::string& lock) { std::ofstream(lock) << AsciiPid(dead); },
         Outcome::Stale, ""},
        {"binary pid of an ended process", [&](const std::string& lock) { std::ofstream(lock) << BinaryPid(dead); },
         Outcome::Stale, ""},
        {"directory", [](const std::string& lock) { fs::create_directory(lock); }, Outcome::NoLockWritten,
         "is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string lock = LockPath();
        c.make(lock);
        std::vector<PortEntry> all, free, busy;
        Within("the port list", [&] { EnumeratePorts(all, free, busy, roots); });
        std::string reason;
        const bool opened = Within("Open", [&] { return port.Open(pty.DevicePath(), 115200, &reason); });

        if (c.outcome == Outcome::Held) {
            EXPECT_FALSE(opened);
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
            ASSERT_EQ(busy.size(), 1u);
            EXPECT_NE(busy[0].holder.find(c.reason), std::string::npos) << busy[0].holder;
            EXPECT_TRUE(fs::exists(fs::symlink_status(lock))) << "a lock that is held was removed";
        } else {
            EXPECT_TRUE(opened) << reason;
            EXPECT_EQ(free.size(), 1u);
            EXPECT_NE(port.MissingLockReason().find(c.reason), std::string::npos) << port.MissingLockReason();
            EXPECT_EQ(port.MissingLockReason().empty(), c.outcome == Outcome::Stale);
            if (c.outcome == Outcome::Stale) {
                std::ifstream written(lock);
                int pid = 0;
                EXPECT_TRUE(written >> pid);
                EXPECT_EQ(pid, getpid()) << "the stale lock was not replaced by ours";
            }
        }
        EXPECT_TRUE(port.Close());
        fs::remove_all(lock);
    }
}

TEST_F(PortLockTest, ALockDirectoryThatTakesNoLockLeavesThePortOpenAndSaysWhy)
{
    port.systemPaths.lockDirs = {scratch / "missing-lock-dir"};
    std::string reason;
    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200, &reason)) << reason;
    EXPECT_NE(port.MissingLockReason().find("no lock file could be written"), std::string::npos);
    EXPECT_NE(port.MissingLockReason().find(scratch / "missing-lock-dir"), std::string::npos);

    // Exclusive all the same.
    CSerialPort second;
    second.systemPaths = port.systemPaths;
    EXPECT_FALSE(second.Open(pty.DevicePath(), 115200, &reason));
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(port.MissingLockReason().empty());
}

}  // namespace
