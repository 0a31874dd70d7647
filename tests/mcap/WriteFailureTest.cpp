// A recording whose writes fail: the reason is the system's own words, the writer stops and
// refuses what follows, and every chunk written before the failure stays readable.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "McapTestSupport.h"
#include "tests/support/ScratchDirectory.h"

namespace {

constexpr uint64_t SECOND = 1'000'000'000;

StoredMessage Message(uint32_t index)
{
    return TestMessage(1, index, 3 * SECOND + index * SECOND / 10, 4000);
}

bool Write(McapWriter& writer, const StoredMessage& m)
{
    return writer.WriteMessage({m.channelId, m.sequence, m.logTime, m.publishTime, m.data});
}

// A user and mount namespace in which this process may create files: its own user and group
// mapped to themselves.
bool OwnMountNamespace()
{
    const std::string uid = std::to_string(getuid());
    const std::string gid = std::to_string(getgid());
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    const auto put = [](const char* file, const std::string& text) {
        FILE* out = std::fopen(file, "w");
        const bool written = out != nullptr && std::fputs(text.c_str(), out) >= 0;
        return out != nullptr && std::fclose(out) == 0 && written;
    };
    return put("/proc/self/setgroups", "deny") && put("/proc/self/uid_map", uid + " " + uid + " 1") &&
           put("/proc/self/gid_map", gid + " " + gid + " 1");
}

// Records 4 KB messages, ten to a chunk, until the writer fails; then reads the file back.
// Gives "accepted readback prefix-matches reason".
std::string RecordUntilFull(const std::string& path)
{
    McapWriter writer;
    McapWriterOptions options;
    options.compression = McapCompression::None;
    if (!writer.Open(path, options) || writer.AddSchema("s", "ros2msg", {}) != 1 || writer.AddChannel(1, "/t", "cdr") != 1)
        return "0 0 0 " + writer.Error();
    uint32_t accepted = 0;
    while (accepted < 100000 && Write(writer, Message(accepted)))
        ++accepted;
    const bool refusesMore = !Write(writer, Message(accepted + 1)) && !writer.Close();
    McapReader reader;
    if (!reader.Open(path))
        return "0 0 0 " + reader.Error();
    std::string error;
    const std::vector<StoredMessage> read = ReadMessages(reader, &error);
    bool prefix = refusesMore && error.empty() && reader.Problem().empty();
    for (size_t i = 0; i < read.size(); ++i)
        prefix = prefix && read[i] == Message(static_cast<uint32_t>(i));
    std::ostringstream out;
    out << accepted << ' ' << read.size() << ' ' << prefix << ' ' << writer.Error();
    return out.str();
}

TEST(McapWriteFailure, AFullDiskStopsTheWriterAndKeepsEveryWholeChunk)
{
    ScratchDirectory scratch;
    McapWriter device;
    EXPECT_FALSE(device.Open("/dev/full"));
    EXPECT_EQ(device.Error(), std::string("Cannot write /dev/full: ") + std::strerror(ENOSPC));
    EXPECT_EQ(device.AddSchema("s", "ros2msg", {}), 0);

    // A file system of 96 KiB, mounted in a user and mount namespace of a child process.
    const std::string mountPoint = scratch / "small";
    std::filesystem::create_directory(mountPoint);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string report = "SKIP";
        if (OwnMountNamespace() && mount("none", mountPoint.c_str(), "tmpfs", 0, "size=96k") == 0)
            report = RecordUntilFull(mountPoint + "/scan.mcap");
        const ssize_t ignored = write(pipeEnds[1], report.data(), report.size());
        static_cast<void>(ignored);
        _exit(0);
    }
    close(pipeEnds[1]);
    char text[1024] = {};
    const ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    const std::string report(text, got > 0 ? static_cast<size_t>(got) : 0);
    if (report == "SKIP")
        GTEST_SKIP() << "no user namespace for a small file system here";
    std::istringstream fields(report);
    size_t accepted = 0, readBack = 0;
    int prefix = 0;
    fields >> accepted >> readBack >> prefix;
    std::string reason;
    std::getline(fields >> std::ws, reason);
    EXPECT_EQ(reason, "Cannot write " + mountPoint + "/scan.mcap: " + std::strerror(ENOSPC));
    EXPECT_TRUE(prefix) << report;
    // Every chunk before the one that failed; that one too if only its indexes were cut.
    EXPECT_GE(accepted, 10u) << report;
    EXPECT_GE(readBack, (accepted - 1) / 10 * 10) << report;
    EXPECT_LE(readBack, accepted) << report;
}

TEST(McapWriteFailure, AMissingOrRemovedFolderIsSaid)
{
    ScratchDirectory scratch;
    McapWriter missing;
    EXPECT_FALSE(missing.Open(scratch / "absent/scan.mcap"));
    EXPECT_EQ(missing.Error(), "Cannot create " + (scratch / "absent/scan.mcap") + ": " + std::strerror(ENOENT));

    std::filesystem::create_directory(scratch / "run");
    const std::string path = scratch / "run/scan.mcap";
    McapWriter writer;
    ASSERT_TRUE(writer.Open(path));
    ASSERT_EQ(writer.AddChannel(0, "/raw", "x-bytes"), 1);
    for (uint32_t i = 0; i < 5; ++i)
        ASSERT_TRUE(Write(writer, Message(i)));
    std::filesystem::remove_all(scratch / "run");
    bool failed = false;
    for (uint32_t i = 5; i < 30 && !failed; ++i)
        failed = !Write(writer, Message(i));
    EXPECT_TRUE(failed);
    EXPECT_EQ(writer.Error(), path + " was removed (or its folder) while it was being written");
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(writer.Close());
}

}  // namespace
