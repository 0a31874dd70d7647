// plotwell-tool as a process, for what only a process shows: standard streams that the caller
// closed or pointed at a full device, and a reader that went away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "RunTool.h"

extern char** environ;

namespace {

constexpr int CLOSED = -1;

struct Finished {
    int status;  // exit status, or 128 + the signal that ended it
    std::string err;
};

// Runs plotwell-tool with standard input and output on the given descriptors (or closed).
Finished RunProcess(std::vector<std::string> args, int in, int out)
{
    args.insert(args.begin(), PLOTWELL_TOOL);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int err[2];
    if (::pipe(err) != 0)
        return {-1, "no pipe"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in == CLOSED)
        posix_spawn_file_actions_addclose(&actions, STDIN_FILENO);
    else
        posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    if (out == CLOSED)
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    else
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // The tool must meet SIGPIPE with its default action, whatever this process set up.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    std::string said;
    char chunk[256];
    for (ssize_t n; (n = ::read(err[0], chunk, sizeof chunk)) > 0;)
        said.append(chunk, static_cast<size_t>(n));
    ::close(err[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid)
        return {-1, "not run"};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), said};
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
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    Descriptor readerGone(pipeEnds[1]);
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
        {{"decode", "-"}, data.fd, readerGone.fd, ""},
        {{"simulate", "--frames", "1000"}, CLOSED, readerGone.fd, ""},
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
