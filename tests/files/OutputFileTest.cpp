// Writing a recording's or a snapshot's file: nothing under the file's name until it is whole,
// nothing left behind by a failure, never through a symbolic link; and what a read-only file
// system is called.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FilesFixture.h"
#include "files/OutputDirectory.h"
#include "files/OutputFile.h"

namespace {

using OutputFileTest = FilesTest;

std::vector<std::string> Names(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A full disk part-way through: a 64 KB RawData file of valid text used to stay behind and
// play back as if whole, and each retry left another one.
TEST_F(OutputFileTest, AFailedWriteLeavesNoFileAndAWholeOneAppearsOnlyWhenDone)
{
    auto fullDisk = [](std::FILE* file) {
        std::fputs("AA 55 01 01 ", file);
        errno = ENOSPC;
        return false;
    };
    for (const bool unique : {true, false}) {
        SCOPED_TRACE(unique);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const FileWriteResult failed = WriteRecordFile(unique ? "RawData_x" : "OneFrameData", unique, fullDisk);
            EXPECT_EQ(failed.status, FileWriteResult::FAILED);
            EXPECT_EQ(failed.reason, std::strerror(ENOSPC));
            EXPECT_TRUE(Names(m_directory).empty());
        }
    }
    // A set whose second file fails takes the first one with it.
    const FileWriteResult failedSet = WriteRecordFiles(
        "Revolution_x", {{".png", [](std::FILE* file) { return std::fputs("png", file) >= 0; }}, {".csv", fullDisk}});
    EXPECT_EQ(failedSet.status, FileWriteResult::FAILED);
    EXPECT_EQ(failedSet.path, (m_directory / "Revolution_x.csv").string());
    EXPECT_TRUE(Names(m_directory).empty());
    const FileWriteResult written =
        WriteRecordFile("RawData_x", true, [](std::FILE* file) { return std::fputs("AA ", file) >= 0; });
    ASSERT_EQ(written.status, FileWriteResult::WRITTEN) << written.reason;
    EXPECT_EQ(Names(m_directory), std::vector<std::string>{"RawData_x.txt"});
    EXPECT_EQ(ReadWholeFile(written.path), "AA ");
}

TEST_F(OutputFileTest, ASymbolicLinkAtTheNameIsNeverFollowed)
{
    const std::string target = WriteText("elsewhere", "kept");
    std::filesystem::create_symlink(target, m_directory / "OneFrameData.txt");
    std::filesystem::create_symlink(target, m_directory / "RawData_x.txt");
    auto body = [](std::FILE* file) { return std::fputs("AA ", file) >= 0; };

    const FileWriteResult snapshot = WriteRecordFile("OneFrameData", false, body);
    EXPECT_EQ(snapshot.status, FileWriteResult::FAILED);
    EXPECT_NE(snapshot.reason.find("symbolic link"), std::string::npos) << snapshot.reason;
    // A unique name passes the link by.
    const FileWriteResult recording = WriteRecordFile("RawData_x", true, body);
    ASSERT_EQ(recording.status, FileWriteResult::WRITTEN) << recording.reason;
    EXPECT_EQ(recording.path, (m_directory / "RawData_x_1.txt").string());
    // The files of a set keep one name: a link at the second one's name moves both on.
    std::filesystem::create_symlink(target, m_directory / "Revolution_x.csv");
    const FileWriteResult set = WriteRecordFiles("Revolution_x", {{".png", body}, {".csv", body}});
    ASSERT_EQ(set.status, FileWriteResult::WRITTEN) << set.reason;
    EXPECT_EQ(set.path, (m_directory / "Revolution_x_1.png").string());
    EXPECT_EQ(ReadWholeFile((m_directory / "Revolution_x_1.csv").string()), "AA ");
    EXPECT_FALSE(std::filesystem::exists(m_directory / "Revolution_x.png"));
    EXPECT_EQ(ReadWholeFile(target), "kept");
}

// An existing directory on a read-only file system was reported as "Permission denied". The
// file system is mounted read-only in a user and mount namespace of a child process.
TEST_F(OutputFileTest, AReadOnlyFileSystemIsCalledSo)
{
    const std::string mountPoint = (m_directory / "read-only").string();
    std::filesystem::create_directory(mountPoint);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string reason = "SKIP";
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && mount("none", mountPoint.c_str(), "tmpfs", MS_RDONLY, nullptr) == 0)
            ChooseRecordDirectory(mountPoint, "", "", &reason);
        const ssize_t ignored = write(pipeEnds[1], reason.data(), reason.size());
        static_cast<void>(ignored);
        _exit(0);
    }
    close(pipeEnds[1]);
    char text[512] = {};
    const ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    const std::string reason(text, got > 0 ? static_cast<size_t>(got) : 0);
    if (reason == "SKIP")
        GTEST_SKIP() << "no user namespace for a read-only mount here";
    EXPECT_NE(reason.find(std::strerror(EROFS)), std::string::npos) << reason;
}

}  // namespace
