// Lock files in a lock directory that anyone may write to, as Open and the port list judge them:
// nothing there may hang either; a lock is stale when its process is proven dead, or when it has
// named none (or could not be read) for a minute; until then it is held and kept.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
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

TEST_F(PortLockTest, EachFormOfLockIsJudgedWithoutHangingAndSaysWhatWasDecided)
{
    const pid_t dead = PidOfEndedProcess();
    const std::string live = "(pid " + std::to_string(holder.Pid()) + ")";
    const std::string ended = "whose pid " + std::to_string(dead) + " has ended";
    auto write = [](const std::string& text) {
        return [text](const std::string& lock) { std::ofstream(lock) << text; };
    };
    // A lock last written two minutes ago.
    auto aged = [](std::function<void(const std::string&)> make) {
        return [make](const std::string& lock) {
            make(lock);
            const timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) - 120, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, lock.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
        };
    };
    enum class Outcome { Held, Stale, NoLockWritten };
    const struct {
        const char* name;
        std::function<void(const std::string& lock)> make;
        Outcome outcome;
        std::string reason;  // in Open's reason, the port list's holder, or the lock note
    } cases[] = {
        {"FIFO", [](const std::string& lock) { ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0); }, Outcome::Held,
         "is not a regular file"},
        {"link to the device itself", [&](const std::string& lock) { fs::create_symlink(pty.DevicePath(), lock); },
         Outcome::Held, "is not a regular file"},
        {"ASCII pid of a live process", write(AsciiPid(holder.Pid())), Outcome::Held, live},
        {"binary pid of a live process", write(BinaryPid(holder.Pid())), Outcome::Held, live},
        {"live pid followed by its name and user", write("  " + std::to_string(holder.Pid()) + " sleep nobody\n"),
         Outcome::Held, live},
        {"text without a pid, just written", write("in use\n"), Outcome::Held, "(held until it is 60 s old)"},
        {"empty, just created", write(""), Outcome::Held, "names no process"},
        {"-1, just written", write("-1\n"), Outcome::Held, "names no process"},
        {"ASCII pid of an ended process", write(AsciiPid(dead)), Outcome::Stale, ended},
        {"binary pid of an ended process", write(BinaryPid(dead)), Outcome::Stale, ended},
        {"ended pid followed by words", write(std::to_string(dead) + " minicom root\n"), Outcome::Stale, ended},
        {"empty for two minutes", aged(write("")), Outcome::Stale, "names no process and is 2 min old"},
        {"garbage for two minutes", aged(write("\x7f\x01garbage")), Outcome::Stale, "is 2 min old"},
        {"unreadable for two minutes",
         aged([](const std::string& lock) {
             std::ofstream(lock).flush();
             ASSERT_EQ(chmod(lock.c_str(), 0), 0);
         }),
         Outcome::Stale, "is 2 min old"},
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
            EXPECT_NE(port.LockNote().find(c.reason), std::string::npos) << port.LockNote();
            if (c.outcome == Outcome::Stale) {
                EXPECT_EQ(port.LockNote().rfind("replaced the lock file " + lock, 0), 0u) << port.LockNote();
                std::ifstream written(lock);
                int pid = 0;
                EXPECT_TRUE(written >> pid);
                EXPECT_EQ(pid, getpid()) << "the stale lock was not replaced by ours";
            } else {
                EXPECT_NE(port.LockNote().find("no lock file could be written"), std::string::npos);
            }
        }
        EXPECT_TRUE(port.Close());
        fs::remove_all(lock);
    }
}

// /var/lock is usually a link to /run/lock: the folder is looked at and named once, and a stale
// lock that may not be removed (in the sticky folder, another user's) is named with its owner.
TEST_F(PortLockTest, AFolderOfTwoNamesIsNamedOnceAndAStaleLockThatStaysIsNamedWithItsOwner)
{
    scratch.MakeLink("var-lock", scratch / "lock");
    port.systemPaths.lockDirs = {scratch / "var-lock", scratch / "lock"};
    const std::string lock = scratch / ("var-lock/" + LockFileName(pty.DevicePath()));
    std::ofstream(lock) << AsciiPid(PidOfEndedProcess());
    const std::string owner = getpwuid(geteuid())->pw_name;
    // Root removes any file, so only an ordinary user meets a lock that stays; a folder it may
    // not write stands in for the sticky folder's rule.
    const bool removable = geteuid() == 0;
    if (!removable) {
        ASSERT_EQ(chmod((scratch / "lock").c_str(), 0555), 0);
    }

    std::string reason;
    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200, &reason)) << reason;
    const std::string note = port.LockNote();
    chmod((scratch / "lock").c_str(), 0755);
    EXPECT_NE(note.find("the lock file " + lock + " of user " + owner + ", whose pid "), std::string::npos) << note;
    EXPECT_EQ(note.find(LockFileName(pty.DevicePath())), note.rfind(LockFileName(pty.DevicePath()))) << note;
    EXPECT_EQ(note.find(scratch / "lock"), std::string::npos) << "the folder named twice: " << note;
    if (removable) {
        EXPECT_EQ(note.rfind("replaced ", 0), 0u) << note;
    } else {
        EXPECT_NE(note.find("no lock file could be written ("), std::string::npos) << note;
    }
    EXPECT_TRUE(port.Close());
}

// Many taking the lock at once: a loser finds the winner's pid in it, never an empty file.
TEST_F(PortLockTest, ALoserOfTheRaceForTheLockFileReadsTheWinnersPid)
{
    constexpr int TAKERS = 8;
    constexpr int ROUNDS = 50;
    for (int round = 0; round < ROUNDS; ++round) {
        std::vector<std::future<PortLockResult>> takers;
        for (int i = 0; i < TAKERS; ++i)
            takers.push_back(std::async(std::launch::async, [&] {
                return TakePortLock(pty.DevicePath(), port.systemPaths.lockDirs, "/proc");
            }));
        int taken = 0;
        for (auto& taker : takers) {
            const PortLockResult result = taker.get();
            taken += result.taken ? 1 : 0;
            if (!result.taken) {
                EXPECT_EQ(result.holder.pid, getpid()) << result.holder.reason;
            }
        }
        EXPECT_EQ(taken, 1);
        ReleasePortLock(LockPath());
        ASSERT_FALSE(fs::exists(LockPath()));
    }
}

TEST_F(PortLockTest, ALockDirectoryThatTakesNoLockLeavesThePortOpenAndSaysWhy)
{
    port.systemPaths.lockDirs = {scratch / "missing-lock-dir"};
    std::string reason;
    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200, &reason)) << reason;
    EXPECT_NE(port.LockNote().find("no lock file could be written"), std::string::npos);
    EXPECT_NE(port.LockNote().find(scratch / "missing-lock-dir"), std::string::npos);

    // Exclusive all the same.
    CSerialPort second;
    second.systemPaths = port.systemPaths;
    EXPECT_FALSE(second.Open(pty.DevicePath(), 115200, &reason));
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(port.LockNote().empty());
}

}  // namespace
