// plotwell-tool as a process, for what only a process shows: standard streams that the caller
// closed or pointed at a full device, and a reader that went away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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
    std::vector<std::string> argv{PLOTWELL_TOOL};
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

}  // namespace
