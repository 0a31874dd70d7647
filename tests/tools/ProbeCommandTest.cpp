// plotwell-tool probe on the simulated scanner of a model of each protocol, on noise, and with
// bad arguments or a port that cannot be opened.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <random>
#include <thread>

#include "protocols/DeviceModel.h"
#include "run/PseudoTerminalScanner.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/tools/RunTool.h"
#include "tools/ToolArguments.h"

namespace {

using namespace std::chrono_literals;

// Enough for dozens of packets of the slowest protocol at each rate.
const char* const LISTEN_SECONDS = "0.8";

TEST(ProbeCommand, NamesTheModelOfASimulatedScannerOfEachProtocol)
{
    struct Case {
        const DeviceModel& model;
        const char* found;  // the verdict line
    };
    const Case cases[] = {
        // Models that send the same packets are all named, none as the one found.
        {g_ModelTR20_A,
         "found: protocol 1 at 115200 baud: TR20, TR20_A, TR30_A, TR30_E or TR20_B; the packets cannot tell them apart"},
        {g_ModelTR20_C, "found: protocol 2 at 115200 baud: TR20_C"},
        {g_ModelTR20_D, "found: protocol 3 at 115200 baud: TR20_D"},
        {g_ModelTR10, "found: protocol 0 (60 pts) at 230400 baud: TR10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model.szName);
        const int32_t protocol = CodesForName(c.model.szName).protocol;
        PseudoTerminalScanner scanner(ModelScannerSettings(c.model, protocol), c.model.nBaudRate);
        std::string reason;
        ASSERT_TRUE(scanner.Open(&reason)) << reason;
        ASSERT_TRUE(scanner.Start(&reason)) << reason;
        const ToolResult result = RunTool(RunProbeCommand, {scanner.Path(), "--seconds", LISTEN_SECONDS});
        scanner.Stop();
        EXPECT_EQ(result.status, EXIT_OK) << result.out << result.err;
        EXPECT_NE(result.out.find(std::string(c.found) + "\n"), std::string::npos) << result.out;
        EXPECT_EQ(result.out.rfind("rank   baud     protocol", 0), 0u) << "no evidence: " << result.out;
    }
}

TEST(ProbeCommand, NoiseNamesNoModel)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.IsValid());
    std::atomic<bool> stop{false};
    // About as many bytes a second as a scanner sends, whether or not the probe has the line open.
    auto noise = std::async(std::launch::async, [&] {
        std::mt19937 random(7);
        std::vector<uint8_t> chunk(256);
        while (!stop.load()) {
            for (uint8_t& byte : chunk)
                byte = static_cast<uint8_t>(random());
            if (pty.WaitForReader(20))
                pty.Send(chunk);
            std::this_thread::sleep_for(20ms);
        }
    });
    const ToolResult result = RunTool(RunProbeCommand, {pty.DevicePath(), "--seconds", LISTEN_SECONDS});
    stop.store(true);
    noise.get();
    EXPECT_EQ(result.status, EXIT_FAILED) << result.out << result.err;
    EXPECT_EQ(result.out.find("found:"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("heard: "), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("heard: 0 bytes"), std::string::npos) << "the noise was not heard: " << result.out;
    EXPECT_NE(result.err.find("no model fits what was heard"), std::string::npos) << result.err;
}

TEST(ProbeCommand, RefusesBadArgumentsAndReportsAPortThatCannotBeOpened)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{}, EXIT_USAGE, "plotwell-tool probe: needs a PORT"},
        {{"/dev/a", "/dev/b"}, EXIT_USAGE, "is a second port"},
        {{"/dev/a", "--seconds", "0"}, EXIT_USAGE, "takes a number above 0"},
        {{"/dev/a", "--seconds", "61"}, EXIT_USAGE, "takes at most 60 seconds"},
        {{"/dev/a", "--baud", "9600"}, EXIT_USAGE, "is not an option of probe"},
        {{"/dev/plotwell-no-such-port", "--seconds", "0.1"}, EXIT_FAILED, "Open Failed\nNo such device"},
        {{"/dev/null", "--seconds", "0.1"}, EXIT_FAILED, "Open Failed\n/dev/null is not a serial device."},
    };
    for (const Case& c : cases) {
        const ToolResult result = RunTool(RunProbeCommand, c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

}  // namespace
