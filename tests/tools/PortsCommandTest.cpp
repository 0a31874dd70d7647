// plotwell-tool ports: each port's state and why, without opening a device; and a lock
// directory entry that would hang a careless reader hangs neither ports nor monitor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <sstream>

#include "acquisition/PortAccess.h"
#include "acquisition/PortLock.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"
#include "tests/tools/RunTool.h"
#include "tools/ToolArguments.h"

namespace {

using namespace std::chrono_literals;

// The tool's own lock directory: the first of the system's.
const std::string LOCK_DIR = "/var/lock";

// The fields of the line that lists `path`, empty when there is none.
std::vector<std::string> LineOf(const std::string& listing, const std::string& path)
{
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(path + " ", 0) != 0)
            continue;
        std::vector<std::string> fields;
        size_t start = 0;
        while (start < line.size()) {
            const size_t gap = line.find("  ", start);
            fields.push_back(line.substr(start, gap - start));
            if (gap == std::string::npos)
                break;
            start = line.find_first_not_of(' ', gap);
        }
        return fields;
    }
    return {};
}

// What ports says of a free port: an ordinary user cannot read the open files of root's
// processes (init's among them), so a program of another user could hold it unseen.
std::string FreeState()
{
    return access("/proc/1/fd", R_OK) == 0 ? "free" : "free as far as this user can see";
}

// Runs a command, failing loudly instead of hanging when a FIFO in the lock directory blocks it.
ToolResult Within(ToolCommandFunction command, const std::vector<std::string>& args, const std::string& fifo)
{
    auto running = std::async(std::launch::async, [&] { return RunTool(command, args); });
    if (running.wait_for(5s) != std::future_status::ready) {
        ADD_FAILURE() << "hung on " << fifo;
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
    }
    return running.get();
}

TEST(PortsCommand, TellsEachPortsStateWithoutOpeningItOrHangingOnTheLockDirectory)
{
    enum class Setting { Free, HeldByAProgram, FifoLock, NoAccess };
    const struct {
        const char* name;
        Setting setting;
    } cases[] = {{"free", Setting::Free},
                 {"held by another program", Setting::HeldByAProgram},
                 {"a FIFO in the lock's place", Setting::FifoLock},
                 {"no access", Setting::NoAccess}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PseudoTerminal pty;
        ASSERT_TRUE(pty.IsValid());
        const std::string path = pty.DevicePath();
        const std::string lock = LOCK_DIR + "/" + LockFileName(path);
        std::unique_ptr<ChildProcess> holder;
        std::string state = FreeState();
        if (c.setting == Setting::HeldByAProgram) {
            const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            holder = std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sleep", "60"}, ChildStreams{fd});
            close(fd);
            state = "busy: sleep (pid " + std::to_string(holder->Pid()) + ")";
        } else if (c.setting == Setting::FifoLock) {
            ASSERT_EQ(mkfifo(lock.c_str(), 0666), 0) << lock;
            state = "busy: the lock file " + lock + " of user " + getpwuid(geteuid())->pw_name +
                    " is not a regular file";
        } else if (c.setting == Setting::NoAccess) {
            if (geteuid() == 0)
                continue;  // root may open anything; the unprivileged test run covers it
            ASSERT_EQ(chmod(path.c_str(), 0), 0);
            DeviceOwnership ownership;
            ASSERT_TRUE(ReadOwnership(path, ownership));
            state = "no access: " + OwnerAndMode(ownership);
        }

        const ToolResult ports = Within(RunPortsCommand, {"--port", path}, lock);
        EXPECT_EQ(ports.status, EXIT_OK) << ports.err;
        EXPECT_EQ(LineOf(ports.out, path), (std::vector<std::string>{path, "-", state, "-"})) << ports.out;
        if (c.setting == Setting::FifoLock) {
            const ToolResult monitor = Within(RunMonitorCommand, {path, "--frames", "1"}, lock);
            EXPECT_EQ(monitor.status, EXIT_FAILED);
            EXPECT_NE(monitor.err.find(state.substr(6)), std::string::npos) << monitor.err;
            EXPECT_EQ(std::filesystem::status(lock).type(), std::filesystem::file_type::fifo) << "removed";
            std::filesystem::remove(lock);
        }
    }
}

// A path asked for that is no serial port is listed all the same, with what it is instead.
TEST(PortsCommand, ListsEveryAskedPathWithWhatItIs)
{
    ScratchDirectory scratch;
    scratch.WriteFile("raw.txt", "AA 55 ");
    scratch.MakeLink("dangling", scratch / "nowhere");
    PseudoTerminal pty;
    ASSERT_TRUE(pty.IsValid());
    const struct {
        std::string path;
        std::string state;
    } cases[] = {
        {pty.DevicePath(), FreeState()},
        {"/dev/null", "not a serial device"},
        {"/dev/tty", "not a serial device"},
        {scratch / "raw.txt", "not a serial device"},
        {scratch.Path(), "not a serial device"},
        {scratch / "absent", "no such device"},
        {scratch / "dangling", "no such device"},
    };
    std::vector<std::string> args;
    for (const auto& c : cases)
        args.insert(args.end(), {"--port", c.path});
    const ToolResult ports = RunTool(RunPortsCommand, args);
    EXPECT_EQ(ports.status, EXIT_OK) << ports.err;
    for (const auto& c : cases)
        EXPECT_EQ(LineOf(ports.out, c.path), (std::vector<std::string>{c.path, "-", c.state, "-"})) << ports.out;
}

TEST(PortsCommand, DocumentsItselfAndRefusesOptionsItDoesNotHave)
{
    const ToolResult help = RunTool(RunPortsCommand, {"--help"});
    EXPECT_EQ(help.status, EXIT_OK);
    EXPECT_NE(help.out.find("usage: plotwell-tool ports"), std::string::npos);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--all"}, {"/dev/ttyS0"}, {"--port"}}) {
        const ToolResult wrong = RunTool(RunPortsCommand, args);
        EXPECT_EQ(wrong.status, EXIT_USAGE);
        EXPECT_NE(wrong.err.find("plotwell-tool ports: " + args[0]), std::string::npos) << wrong.err;
    }
}

}  // namespace
