// plotwell-tool simulate: the scanner's bytes in both file formats, and its refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "RunTool.h"
#include "files/HexDump.h"
#include "run/SimulatedScanner.h"

TEST(SimulateCommand, WritesTheScannersBytesAsDumpOrBinary)
{
    SimulatedScannerSettings settings;
    settings.seed = 4;
    SimulatedScanner scanner(settings);
    std::string expected;
    for (int r = 0; r < 3; ++r) {
        scanner.NextRevolution();
        expected.append(reinterpret_cast<const char*>(scanner.Bytes()), static_cast<size_t>(scanner.ByteCount()));
    }

    const ToolResult hex = RunTool(RunSimulateCommand, {"--frames", "3", "--seed", "4"});
    ASSERT_EQ(hex.status, 0) << hex.err;
    ASSERT_EQ(hex.out.size(), expected.size() * 3);
    std::string decoded(expected.size(), '\0');
    int64_t bad = -1;
    ASSERT_EQ(DecodeHexDump(hex.out.data(), static_cast<int64_t>(hex.out.size()),
                            reinterpret_cast<uint8_t*>(decoded.data()), &bad),
              static_cast<int64_t>(expected.size()));
    EXPECT_EQ(decoded, expected);

    const ToolResult binary = RunTool(RunSimulateCommand, {"--frames", "3", "--seed", "4", "--format", "binary"});
    EXPECT_EQ(binary.out, expected);

    const std::string path = testing::TempDir() + "plotwell_simulate_test.txt";
    const ToolResult toFile = RunTool(RunSimulateCommand, {"--frames", "3", "--seed", "4", "--output", path});
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(toFile.out, "");
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()), hex.out);
    std::remove(path.c_str());
}

TEST(SimulateCommand, BadArgumentsAreRefusedWithAReason)
{
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{"--frames", "0"}, "from 1 to"},
        {{"--frames"}, "--frames needs a value"},
        {{"--protocol", "4"}, "from 0 to 3"},
        {{"--seed", "-1"}, "not '-1'"},
        {{"--format", "csv"}, "hex or binary"},
        {{"--model", "TR99"}, "'TR99' is not a model"},
        {{"extra"}, "extra is not an option"},
    };
    for (const Case& c : cases) {
        const ToolResult result = RunTool(RunSimulateCommand, c.args);
        EXPECT_EQ(result.status, 2) << c.reason;
        EXPECT_EQ(result.out, "") << c.reason;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
    EXPECT_EQ(RunTool(RunSimulateCommand, {"--output", "/nonexistent/plotwell/out.txt"}).status, 1);
}
