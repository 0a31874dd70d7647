// One reader for every command's arguments: a value is taken or refused the same way by every
// command that has the option, and an empty value or operand is never taken silently.
#include <gtest/gtest.h>

#include "RunTool.h"
#include "tools/ToolArguments.h"

namespace {

const char* const NO_PORT = "/dev/plotwell-no-such-port";

TEST(Arguments, EveryCommandTakesAndRefusesValuesAlike)
{
    struct Case {
        ToolCommandFunction run;
        std::vector<std::string> args;
        const char* refusal;  // null: the arguments are taken
    };
    const Case cases[] = {
        {RunDecodeCommand, {"--filter", "inf", "-"}, "--filter takes a number above 0 or off, not 'inf'"},
        {RunMonitorCommand, {NO_PORT, "--filter", "inf"}, "--filter takes a number above 0 or off, not 'inf'"},
        {RunDecodeCommand, {"--filter", "1e39", "-"}, "not '1e39'"},
        {RunMonitorCommand, {NO_PORT, "--filter", "1e39"}, "not '1e39'"},
        {RunDecodeCommand, {"--filter", "0x1p3", "-"}, "not '0x1p3'"},
        {RunMonitorCommand, {NO_PORT, "--filter", "0x1p3"}, "not '0x1p3'"},
        {RunProbeCommand, {NO_PORT, "--seconds", "nan"}, "--seconds takes a number above 0, not 'nan'"},
        {RunDecodeCommand, {"--filter", "off", "-"}, nullptr},
        {RunMonitorCommand, {NO_PORT, "--filter", "1e-3", "--compensation", "ros"}, nullptr},
        {RunDecodeCommand, {"--model", "", "-"}, "--model needs a value, not an empty argument"},
        {RunMonitorCommand, {NO_PORT, "--compensation", ""}, "--compensation needs a value, not an empty argument"},
        {RunSimulateCommand, {"--output", ""}, "--output needs a value, not an empty argument"},
        {RunProbeCommand, {NO_PORT, "--seconds", ""}, "--seconds needs a value, not an empty argument"},
        {RunDecodeCommand, {""}, "needs a FILE, or - for standard input, not an empty argument"},
        {RunMonitorCommand, {""}, "needs a PORT, e.g. /dev/ttyUSB0, not an empty argument"},
        {RunProbeCommand, {"", NO_PORT}, "needs a PORT, e.g. /dev/ttyUSB0, not an empty argument"},
        {RunMonitorCommand, {NO_PORT, "/dev/other"}, "is a second port; monitor takes one"},
    };
    for (const Case& c : cases) {
        std::string args;
        for (const std::string& arg : c.args)
            args += " '" + arg + "'";
        SCOPED_TRACE(args);
        const ToolResult result = RunTool(c.run, c.args);
        if (c.refusal == nullptr) {
            EXPECT_NE(result.status, EXIT_USAGE) << result.err;
            continue;
        }
        EXPECT_EQ(result.status, EXIT_USAGE);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(c.refusal), std::string::npos) << result.err;
    }
}

}  // namespace
