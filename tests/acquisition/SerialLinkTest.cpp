// The serial link against pseudo-terminals: opening, line settings, reads, writes, exclusivity.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include "acquisition/PortLock.h"
#include "acquisition/SerialPort.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Pipe.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"

namespace {

// An ordinary user is refused a tty that still carries TIOCEXCL, and a pseudo-terminal keeps it
// for as long as its other side is open. Read through a descriptor of our own (which root gets
// either way).
testing::AssertionResult ExclusiveFlagCleared(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return testing::AssertionFailure() << "cannot open " << path << ": " << std::strerror(errno);
    int exclusive = -1;
    const int result = ioctl(fd, TIOCGEXCL, &exclusive);
    close(fd);
    if (result != 0 || exclusive != 0)
        return testing::AssertionFailure() << "TIOCEXCL is still set on " << path;
    return testing::AssertionSuccess();
}

class SerialLinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.IsValid());
        port.systemPaths.lockDirs = {scratch.Path()};
    }

    // A second port object that honours the same lock directory.
    void UseSameLocks(CSerialPort& other) const { other.systemPaths = port.systemPaths; }

    std::string LockFile() const { return scratch / LockFileName(pty.DevicePath()); }

    bool WaitForWaitingBytes(int32_t count)
    {
        for (int i = 0; i < 500; ++i) {
            if (port.WaitingBytes() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    PseudoTerminal pty;
    ScratchDirectory scratch;
    CSerialPort port;
};

TEST_F(SerialLinkTest, OpenAppliesRawEightNOneWithoutFlowControlAtTheBaudRate)
{
    const struct {
        int baud;
        speed_t speed;
        const char* text;
    } cases[] = {{115200, B115200, "115200,n,8,1"}, {230400, B230400, "230400,n,8,1"}, {9600, B9600, "9600,n,8,1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(LineSettingsText(c.baud), c.text);
        std::string reason;
        ASSERT_TRUE(port.Open(pty.DevicePath(), c.baud, &reason)) << reason;
        const int fd = port.hPort.load();
        EXPECT_GE(fd, 3);
        EXPECT_TRUE(port.IsOpen());

        termios tio {};
        ASSERT_EQ(tcgetattr(fd, &tio), 0);
        EXPECT_EQ(cfgetispeed(&tio), c.speed);
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        int exclusive = 0;
        ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);

        const std::string lockFile = scratch / "LCK..pts_" + std::filesystem::path(pty.DevicePath()).filename().native();
        std::ifstream lock(lockFile);
        int lockPid = 0;
        EXPECT_TRUE(lock >> lockPid) << lockFile;
        EXPECT_EQ(lockPid, getpid());

        EXPECT_TRUE(port.Close());
        EXPECT_EQ(port.hPort.load(), CSerialPort::NO_PORT);
        EXPECT_FALSE(std::filesystem::exists(lockFile));
    }
}

TEST_F(SerialLinkTest, CloseReportsWhetherThePortIsClosed)
{
    EXPECT_FALSE(port.Close()) << "nothing was ever opened";
    EXPECT_EQ(port.hPort.load(), CSerialPort::NO_PORT);

    std::string reason;
    EXPECT_FALSE(port.Open(scratch / "no-such-tty", 115200, &reason));
    EXPECT_EQ(port.hPort.load(), CSerialPort::INVALID_PORT);
    EXPECT_NE(reason.find("No such device"), std::string::npos) << reason;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.Close()) << "close after a failed open";
    EXPECT_EQ(port.hPort.load(), CSerialPort::INVALID_PORT);

    // A descriptor that is already gone (EBADF) holds nothing: closed, lock file released.
    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200, &reason)) << reason;
    close(port.hPort.load());
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(port.hPort.load(), CSerialPort::NO_PORT);
    EXPECT_FALSE(std::filesystem::exists(LockFile()));
}

TEST_F(SerialLinkTest, EveryWayOfLettingGoLeavesTheDeviceToTheNextOpen)
{
    const struct {
        const char* name;
        std::function<void()> openAndLetGo;
    } cases[] = {
        {"Close",
         [&] {
             ASSERT_TRUE(port.Open(pty.DevicePath(), 115200));
             EXPECT_TRUE(port.Close());
         }},
        {"destruction",
         [&] {
             CSerialPort local;
             UseSameLocks(local);
             ASSERT_TRUE(local.Open(pty.DevicePath(), 115200));
         }},
        {"an open refused by another's flock",
         [&] {
             const int other = open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
             ASSERT_GE(other, 0);
             ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
             EXPECT_FALSE(port.Open(pty.DevicePath(), 115200));
             close(other);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.openAndLetGo();
        EXPECT_TRUE(ExclusiveFlagCleared(pty.DevicePath()));
        EXPECT_FALSE(std::filesystem::exists(LockFile()));
    }
    CSerialPort next;
    UseSameLocks(next);
    std::string reason;
    EXPECT_TRUE(next.Open(pty.DevicePath(), 115200, &reason)) << reason;
}

TEST_F(SerialLinkTest, ADeviceAlreadyOpenElsewhereIsRefusedNamingItsHolder)
{
    const struct {
        const char* name;
        bool separateProcess;  // else a descriptor of this process that holds flock on it
    } cases[] = {{"a program reading it", true}, {"a program that locked it with flock", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int held = open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(held, 0);
        std::unique_ptr<ChildProcess> holder;
        std::string expected = "in use by another program";
        if (c.separateProcess) {
            holder = std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sleep", "60"},
                                                    ChildStreams{held});
            close(held);
            ASSERT_TRUE(holder->Started());
            expected += ": sleep (pid " + std::to_string(holder->Pid()) + ")";
        } else {
            ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
        }

        std::string reason;
        EXPECT_FALSE(port.Open(pty.DevicePath(), 115200, &reason));
        EXPECT_NE(reason.find(expected), std::string::npos) << reason;
        EXPECT_EQ(port.hPort.load(), CSerialPort::INVALID_PORT);
        EXPECT_FALSE(std::filesystem::exists(LockFile()));

        if (c.separateProcess) {
            holder->Signal(SIGKILL);
            holder->Wait(5000);
        } else {
            close(held);
        }
        EXPECT_TRUE(port.Open(pty.DevicePath(), 115200, &reason)) << "after the holder let go: " << reason;
        EXPECT_TRUE(port.Close());
    }
}

// A path that is no port is refused for what it is before any lock is taken: a lock of the same
// name (another run asking for the same missing path) neither blocks the answer nor is touched.
TEST_F(SerialLinkTest, APathThatIsNoPortIsRefusedForWhatItIsBeforeAnyLock)
{
    scratch.WriteFile("raw.txt", "AA 55 ");
    ChildProcess otherRun{{"/bin/sleep", "60"}};
    ASSERT_TRUE(otherRun.Started());
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {scratch / "no-such-tty", "No such device: " + scratch / "no-such-tty" + "."},
        {"/dev/null", "/dev/null is not a serial device."},
        {"/dev/tty", "/dev/tty is not a serial device."},
        {scratch / "raw.txt", scratch / "raw.txt" + " is not a serial device."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string lock = scratch / LockFileName(c.path);
        const std::string otherLock = std::to_string(otherRun.Pid()) + "\n";
        std::ofstream(lock) << otherLock;
        std::string reason;
        EXPECT_FALSE(port.Open(c.path, 115200, &reason));
        EXPECT_EQ(reason, c.reason);
        std::ifstream kept(lock);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), otherLock);
    }
}

// Many programs opening one device at the same moment, each a process of its own, with no lock
// file to keep them apart (a lock folder that cannot be written; as root TIOCEXCL keeps nobody
// out either): exactly one wins, and the exclusive flag stays set while it holds the device.
TEST_F(SerialLinkTest, OfManyOpeningAtOnceExactlyOneWinsAndKeepsTheExclusiveFlag)
{
    constexpr int OPENERS = 20;
    constexpr int ROUNDS = 3;
    port.systemPaths.lockDirs = {scratch / "no-lock-folder"};
    for (int round = 0; round < ROUNDS; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Pipe start, results, release;
        std::vector<pid_t> openers;
        for (int i = 0; i < OPENERS; ++i) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                start.CloseWrite();
                release.CloseWrite();
                char byte = 0;
                static_cast<void>(read(start.read, &byte, 1));  // all start when the test lets go
                const bool won = port.Open(pty.DevicePath(), 115200);
                byte = won ? '1' : '0';
                static_cast<void>(write(results.write, &byte, 1));
                static_cast<void>(read(release.read, &byte, 1));
                if (won)
                    static_cast<void>(port.Close());
                _exit(0);
            }
            openers.push_back(pid);
        }
        start.CloseWrite();
        results.CloseWrite();
        std::string outcomes;
        char byte = 0;
        pollfd ready{results.read, POLLIN, 0};
        while (static_cast<int>(outcomes.size()) < OPENERS && poll(&ready, 1, 30000) > 0 &&
               read(results.read, &byte, 1) == 1)
            outcomes += byte;
        ASSERT_EQ(outcomes.size(), static_cast<size_t>(OPENERS));
        EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), '1'), 1) << outcomes;
        EXPECT_FALSE(ExclusiveFlagCleared(pty.DevicePath())) << "a loser cleared the winner's flag";
        release.CloseWrite();
        for (const pid_t pid : openers) {
            int status = 0;
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(ExclusiveFlagCleared(pty.DevicePath()));
    }
}

TEST_F(SerialLinkTest, ReadWithNothingWaitingReturnsZeroAtOnceThenReadsWhatArrives)
{
    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200));
    uint8_t buffer[16] = {};
    auto emptyRead = std::async(std::launch::async, [&] { return port.Read(buffer, sizeof buffer); });
    ASSERT_EQ(emptyRead.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "Read blocked";
    EXPECT_EQ(emptyRead.get(), 0);
    EXPECT_EQ(port.WaitingBytes(), 0);

    const std::vector<uint8_t> sent = {0xAA, 0x55, 0x00, 0x0A, 0x0D, 0x11, 0x13};  // CR, LF, XON, XOFF pass raw
    ASSERT_TRUE(pty.Send(sent));
    ASSERT_TRUE(WaitForWaitingBytes(static_cast<int32_t>(sent.size())));
    ASSERT_EQ(port.Read(buffer, sizeof buffer), static_cast<int32_t>(sent.size()));
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + sent.size()), sent);
}

TEST_F(SerialLinkTest, WriteDiscardsUnreadInputAndSendsTheCommand)
{
    const uint8_t start = 0xEE;
    EXPECT_FALSE(port.Write(&start, 1)) << "no port open";

    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200));
    ASSERT_TRUE(pty.Send({1, 2, 3, 4, 5}));
    ASSERT_TRUE(WaitForWaitingBytes(5));
    EXPECT_TRUE(port.Write(&start, 1));
    EXPECT_EQ(port.WaitingBytes(), 0);
    EXPECT_EQ(pty.Receive(5000), std::vector<uint8_t>{start});
}

TEST_F(SerialLinkTest, HeldPortIsRefusedToASecondOpenAndListedBusyWithoutBeingOpened)
{
    ASSERT_TRUE(port.Open(pty.DevicePath(), 115200));
    CSerialPort second;
    UseSameLocks(second);
    std::string reason;
    EXPECT_FALSE(second.Open(pty.DevicePath(), 115200, &reason));
    EXPECT_EQ(second.hPort.load(), CSerialPort::INVALID_PORT);
    EXPECT_NE(reason.find("in use"), std::string::npos) << reason;
    EXPECT_NE(reason.find("pid " + std::to_string(getpid())), std::string::npos) << reason;
    EXPECT_TRUE(port.IsOpen()) << "the refused open must not disturb the holder";

    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, pty.DevicePath().c_str(), IN_OPEN), 0);

    PortScanRoots roots;
    roots.sysClassTty = scratch / "no-sysfs";
    roots.lockDirs = port.systemPaths.lockDirs;
    roots.extraPaths = {pty.DevicePath(), scratch / "typed-but-absent"};
    std::vector<PortEntry> all, free, busy;
    EnumeratePorts(all, free, busy, roots);
    auto paths = [](const std::vector<PortEntry>& list) {
        std::vector<std::string> out;
        for (const PortEntry& entry : list)
            out.push_back(entry.path);
        return out;
    };
    EXPECT_EQ(paths(all), std::vector<std::string>{pty.DevicePath()});
    EXPECT_EQ(paths(busy), std::vector<std::string>{pty.DevicePath()});
    EXPECT_TRUE(free.empty());

    char events[4096];
    EXPECT_LT(read(watch, events, sizeof events), 0) << "enumerating opened the device";
    close(watch);

    ASSERT_TRUE(port.Close());
    EnumeratePorts(all, free, busy, roots);
    EXPECT_EQ(paths(free), std::vector<std::string>{pty.DevicePath()});
    EXPECT_TRUE(second.Open(pty.DevicePath(), 115200, &reason)) << reason;
}

TEST_F(SerialLinkTest, FailedConfigurationLeavesNothingHeld)
{
    std::string reason;
    EXPECT_FALSE(port.Open(pty.DevicePath(), 12345, &reason));
    EXPECT_EQ(reason, BAUD_RATE_FAILED_TEXT);
    EXPECT_EQ(port.hPort.load(), CSerialPort::INVALID_PORT);
    EXPECT_TRUE(port.Close());

    CSerialPort other;
    UseSameLocks(other);
    EXPECT_TRUE(other.Open(pty.DevicePath(), 230400, &reason)) << reason;
    EXPECT_TRUE(other.Close());

    // A driver that keeps its own speed without an error must not pass for a successful open.
    if (!pty.PinSpeed())
        GTEST_SKIP() << "pinning a terminal's speed needs CAP_SYS_ADMIN";
    EXPECT_FALSE(port.Open(pty.DevicePath(), 115200, &reason)) << "pinned at 230400";
    EXPECT_EQ(reason, BAUD_RATE_FAILED_TEXT);
    EXPECT_EQ(port.hPort.load(), CSerialPort::INVALID_PORT);
    EXPECT_FALSE(std::filesystem::exists(LockFile()));
    EXPECT_TRUE(ExclusiveFlagCleared(pty.DevicePath()));
}

TEST_F(SerialLinkTest, DescriptorZeroIsNeverTakenForAPort)
{
    const int savedInput = dup(STDIN_FILENO);
    ASSERT_GE(savedInput, 0);
    close(STDIN_FILENO);  // the next descriptor the system hands out would be 0
    const bool opened = port.Open(pty.DevicePath(), 115200);
    const int fd = port.hPort.load();
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
    ASSERT_TRUE(opened);
    EXPECT_GE(fd, 3);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.Close());
}

}  // namespace
