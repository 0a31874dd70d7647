// plotwell-tool as a process, for what only a process shows: standard streams that the caller
// closed or pointed at a full device, a reader that went away, and stop signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "RunTool.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Pipe.h"

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

}  // namespace
