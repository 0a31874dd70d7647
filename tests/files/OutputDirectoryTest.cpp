#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "FilesFixture.h"
#include "files/OutputDirectory.h"

namespace {

using OutputDirectoryTest = FilesTest;

TEST_F(OutputDirectoryTest, ChoosesTheNamedThenTheProgramThenTheHomeDirectory)
{
    const std::string base = m_directory.string();
    std::filesystem::create_directory(m_directory / "program");
    std::filesystem::create_directory(m_directory / "home");
    WriteText("not-a-directory", "x");
    struct Case {
        std::string chosen, program, home;
        std::string expected;  // empty: no directory, with a reason
    };
    const Case cases[] = {
        {base + "/chosen", base + "/program", base + "/home", base + "/chosen"},
        {base + "/a/b", base + "/program", base + "/home", base + "/a/b"},  // both created
        {"", base + "/program", base + "/home", base + "/program"},
        {"", "/usr/bin", base + "/home", base + "/home/Plotwell"},
        {"", "/usr/local/bin", base + "/home", base + "/home/Plotwell"},
        {"", base + "/missing", base + "/home", base + "/home/Plotwell"},
        {"", base + "/not-a-directory", base + "/home", base + "/home/Plotwell"},
        {"", "", base + "/home", base + "/home/Plotwell"},
        {"", base + "/missing", "", ""},
        {"", base + "/missing", base + "/not-a-directory", ""},
        {base + "/not-a-directory", base + "/program", base + "/home", ""},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(ChooseRecordDirectory(c.chosen, c.program, c.home, &reason), c.expected)
            << c.chosen << " | " << c.program << " | " << c.home;
        if (c.expected.empty()) {
            EXPECT_FALSE(reason.empty()) << c.program;
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(c.expected)) << c.expected;
        }
    }
}

TEST_F(OutputDirectoryTest, ReadOnlyProgramDirectoryFallsBackToHome)
{
    std::filesystem::create_directory(m_directory / "program");
    chmod((m_directory / "program").c_str(), 0555);
    if (access((m_directory / "program").c_str(), W_OK) == 0)
        GTEST_SKIP() << "this user may write into read-only directories";
    std::string reason;
    EXPECT_EQ(ChooseRecordDirectory("", (m_directory / "program").string(), m_directory.string(), &reason),
              (m_directory / "Plotwell").string());
}

}  // namespace
