// plotwell-tool as a process, for what only a process shows: standard streams that the caller
// closed or pointed at a full device, a reader that went away, and stop signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "RunTool.h"
#include "run/SimulatedScanner.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DdsTestDomain.h"
#include "tests/support/Pipe.h"
#include "tests/support/PseudoTerminal.h"

namespace {

constexpr int CLOSED = ChildStreams::CLOSED;
constexpr int TIMEOUT_MS = 10000;

struct Finished {
    int status;  // exit status, or 128 + the signal that ended it
    std::string err;
};

// Runs plotwell-tool to its end with standard input and output on the given descriptors.
Finished RunProcess(const std::vector<std::string>& args, int in, int out)
{
    std::vector<std::string> argv{ToolProgram()};
    argv.insert(argv.end(), args.begin(), args.end());
    Pipe err;
    ChildProcess tool(argv, ChildStreams{in, out, err.write});
    err.CloseWrite();
    const std::string said = err.Take(TIMEOUT_MS);  // to the tool's end, which closes the pipe
    return {tool.Wait(TIMEOUT_MS), said};
}

struct Descriptor {
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

TEST(ToolProcess, ClosedOrFullStreamsAndAGoneReaderAreAnsweredNotDied)
{
    const std::string raw = testing::TempDir() + "plotwell_tool_process.txt";
    std::ofstream(raw) << RunTool(RunSimulateCommand, {"--frames", "20"}).out;
    Descriptor data(::open(raw.c_str(), O_RDONLY));
    Descriptor full(::open("/dev/full", O_WRONLY));
    Pipe readerGone;
    readerGone.CloseRead();
    ASSERT_GE(data.fd, 0);
    ASSERT_GE(full.fd, 0);

    struct Case {
        std::vector<std::string> args;
        int in;
        int out;
        std::string said;  // all of standard error
    };
    const Case cases[] = {
        {{"decode", "-"}, CLOSED, full.fd, "plotwell-tool decode: standard input: Bad file descriptor\n"},
        {{"decode", "-"}, data.fd, full.fd, "plotwell-tool decode: cannot write output: No space left on device\n"},
        {{"simulate"}, CLOSED, full.fd, "plotwell-tool simulate: cannot write output: No space left on device\n"},
        {{"simulate"}, CLOSED, CLOSED, "plotwell-tool simulate: cannot write output: Bad file descriptor\n"},
        // The output is incomplete, but the reader who left knows it: nothing to say.
        {{"decode", "-"}, data.fd, readerGone.write, ""},
        {{"simulate", "--frames", "1000"}, CLOSED, readerGone.write, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.in == CLOSED ? " <&-" : "") + (c.out == CLOSED ? " >&-" : ""));
        ::lseek(data.fd, 0, SEEK_SET);
        const Finished finished = RunProcess(c.args, c.in, c.out);
        EXPECT_EQ(finished.status, 1);
        EXPECT_EQ(finished.err, c.said);
    }
    std::remove(raw.c_str());
}

// The simulated scanner on a pseudo-terminal runs until stopped, with a reader or without one;
// each stop signal ends it through its own way out, which hangs the line up.
TEST(ToolProcess, SimulatedScannerOnAPseudoTerminalEndsOnEveryStopSignal)
{
    const struct {
        const char* name;
        int signal;
        bool reader;
    } cases[] = {
        {"Ctrl+C, nobody reading", SIGINT, false},
        {"kill -TERM, nobody reading", SIGTERM, false},
        {"terminal closed (SIGHUP), nobody reading", SIGHUP, false},
        {"Ctrl+C while a reader takes the bytes", SIGINT, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pipe out;
        Pipe err;
        ChildProcess simulate({ToolProgram(), "simulate", "--pty"}, ChildStreams{-1, out.write, err.write});
        out.CloseWrite();
        err.CloseWrite();
        std::string path = out.Take(TIMEOUT_MS, '\n');
        ASSERT_FALSE(path.empty()) << "no device path";
        path.pop_back();
        Descriptor reader(c.reader ? ::open(path.c_str(), O_RDONLY | O_NOCTTY) : -1);
        char byte = 0;
        ASSERT_TRUE(!c.reader || (reader.fd >= 0 && ::read(reader.fd, &byte, 1) == 1)) << path;

        ASSERT_TRUE(simulate.Signal(c.signal));
        EXPECT_EQ(simulate.Wait(TIMEOUT_MS), 0);
        EXPECT_EQ(err.Take(TIMEOUT_MS), "");
    }
}

// Every command that runs until it is stopped keeps a signal that was ignored when it started
// (nohup, a background job in a script); and a stop ends each as its own end would, its status
// saying what it did: 0 after revolutions or a clear finding, 1 when nothing came of the run.
TEST(ToolProcess, CommandsKeepAnIgnoredSignalAndEndOnAStopByWhatTheyDid)
{
    enum class Line { Scanner, Silent, None };
    const std::vector<std::string> nohup = {"/usr/bin/nohup"};
    const std::string domain = std::to_string(UseTestDomain());
    const struct {
        const char* name;
        std::vector<std::string> startedBy;
        int ignored;                    // 0: none
        std::vector<std::string> args;  // "PTY" stands for the line's device path
        Line line;
        int stop;
        int status;
        const char* said;  // on standard error
    } cases[] = {
        {"nohup simulate --pty", nohup, SIGHUP, {"simulate", "--pty"}, Line::None, SIGTERM, 0, ""},
        {"monitor in a script's background job", {"/usr/bin/env", "--ignore-signal=INT"}, SIGINT,
         {"monitor", "PTY"}, Line::Scanner, SIGHUP, 0, " rev/s), the last of "},
        {"monitor of a silent line", {}, 0, {"monitor", "PTY"}, Line::Silent, SIGINT, 1, "nothing received from"},
        {"nohup publish of a silent line", nohup, SIGHUP, {"publish", "PTY", "--domain", domain}, Line::Silent, SIGTERM,
         1, "nothing received from"},
        {"nohup probe of a scanner", nohup, SIGHUP, {"probe", "PTY", "--seconds", "60"}, Line::Scanner, SIGINT, 0,
         "stopped; what was heard until then follows"},
        {"probe of a silent line", {}, 0, {"probe", "PTY", "--seconds", "60"}, Line::Silent, SIGTERM, 1,
         "no model fits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PseudoTerminal pty;
        ASSERT_TRUE(pty.IsValid());
        std::vector<std::string> argv = c.startedBy;
        argv.push_back(ToolProgram());
        for (const std::string& arg : c.args)
            argv.push_back(arg == "PTY" ? pty.DevicePath() : arg);
        Pipe out;
        Pipe err;
        ChildProcess tool(argv, ChildStreams{-1, out.write, err.write});
        out.CloseWrite();
        err.CloseWrite();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TIMEOUT_MS);
        while (!tool.Catches(c.stop) && tool.Wait(0) < 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(tool.Catches(c.stop)) << "the stop signal is never caught";
        if (c.ignored != 0) {
            EXPECT_TRUE(tool.Ignores(c.ignored));
            EXPECT_FALSE(tool.Catches(c.ignored));
        }
        if (c.line == Line::Scanner) {
            // Far more than the line holds, so most of it has been read before the stop.
            ASSERT_TRUE(pty.WaitForReader(TIMEOUT_MS));
            SimulatedScanner scanner{SimulatedScannerSettings{}};
            for (int i = 0; i < 100; ++i)
                ASSERT_TRUE(pty.SendRevolution(scanner));
        }
        ASSERT_TRUE(tool.Signal(c.stop));
        EXPECT_EQ(tool.Wait(TIMEOUT_MS), c.status);
        const std::string said = err.Take(TIMEOUT_MS);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
}

}  // namespace
