// record and convert with MCAP recordings, and decode reading them: every protocol's data file
// goes into a recording and comes back byte for byte, decodes to the same points as the file it
// came from (as the model and protocol the recording names), and a cut recording is finished.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "RunTool.h"
#include "mcap/McapReader.h"
#include "tests/support/ScratchDirectory.h"
#include "tools/ToolArguments.h"

namespace {

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

TEST(McapCommands, EveryProtocolsDataFileGoesIntoARecordingAndBackAndDecodesAlike)
{
    ScratchDirectory dir;
    for (const char* protocol : {"0", "1", "2", "3"}) {
        SCOPED_TRACE(std::string("protocol ") + protocol);
        const std::string dump = dir / "dump.txt";
        const std::string recording = dir / "scan.mcap";
        const std::string back = dir / "back.txt";
        ASSERT_EQ(RunTool(RunSimulateCommand, {"--protocol", protocol, "--frames", "12", "--output", dump}).status, 0);

        const ToolResult recorded = RunTool(RunConvertCommand, {dump, recording, "--protocol", protocol});
        ASSERT_EQ(recorded.status, 0) << recorded.err;
        EXPECT_NE(recorded.err.find(" revolutions, "), std::string::npos) << recorded.err;
        const ToolResult converted = RunTool(RunConvertCommand, {recording, back});
        ASSERT_EQ(converted.status, 0) << converted.err;
        EXPECT_EQ(ReadWholeFile(back), ReadWholeFile(dump));

        // Without --protocol: the recording says which.
        const ToolResult fromDump = RunTool(RunDecodeCommand, {"--protocol", protocol, dump});
        const ToolResult fromRecording = RunTool(RunDecodeCommand, {recording});
        ASSERT_EQ(fromRecording.status, 0) << fromRecording.err;
        EXPECT_GT(FrameCount(ParseDecodeOutput(fromRecording.out)), 8);
        EXPECT_EQ(fromRecording.out, fromDump.out);
    }
}

TEST(McapCommands, ACutRecordingIsReadUpToTheCutAndFinished)
{
    ScratchDirectory dir;
    const std::string dump = dir / "dump.txt";
    const std::string recording = dir / "scan.mcap";
    const std::string cut = dir / "cut.mcap";
    const std::string finished = dir / "finished.mcap";
    ASSERT_EQ(RunTool(RunSimulateCommand, {"--frames", "40", "--output", dump}).status, 0);
    // Small chunks, so that the cut leaves several whole ones.
    ASSERT_EQ(RunTool(RunConvertCommand, {dump, recording, "--compression", "none"}).status, 0);
    const std::string whole = ReadWholeFile(recording);
    std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() * 3 / 4);

    const ToolResult decoded = RunTool(RunDecodeCommand, {cut});
    EXPECT_EQ(decoded.status, 0) << decoded.err;
    EXPECT_NE(decoded.err.find("was cut off"), std::string::npos) << decoded.err;
    const int read = FrameCount(ParseDecodeOutput(decoded.out));
    EXPECT_GT(read, 10);
    EXPECT_LT(read, 40);
    const ToolResult done = RunTool(RunConvertCommand, {cut, finished});
    ASSERT_EQ(done.status, 0) << done.err;
    McapReader reader;
    ASSERT_TRUE(reader.Open(finished));
    EXPECT_TRUE(reader.Indexed());
    EXPECT_EQ(RunTool(RunDecodeCommand, {finished}).out, decoded.out);
}

TEST(McapCommands, RefusesWhatCannotBeDone)
{
    ScratchDirectory dir;
    const std::string dump = dir / "dump.txt";
    dir.WriteFile("dump.txt", "AA 55 ");
    const struct {
        const char* name;
        ToolCommandFunction command;
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {"no recording on either side", RunConvertCommand, {dump, dir / "out.txt"}, EXIT_USAGE, "neither "},
        {"over its own input", RunConvertCommand, {dir / "a.mcap", dir / "a.mcap"}, EXIT_USAGE, "would write over"},
        {"a third argument", RunRecordCommand, {dump, dir / "a.mcap", "x"}, EXIT_USAGE, "is a third argument"},
        {"no output", RunRecordCommand, {dump}, EXIT_USAGE, "needs an OUTPUT"},
        {"a text file as a recording", RunDecodeCommand, {dir / "dump.mcap"}, EXIT_FAILED, "dump.mcap: "},
        {"an output folder that is not there", RunConvertCommand, {dump, dir / "none/a.mcap"}, EXIT_FAILED,
         "none/a.mcap"},
    };
    dir.WriteFile("dump.mcap", "AA 55 ");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolResult result = RunTool(c.command, c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
}

}  // namespace
