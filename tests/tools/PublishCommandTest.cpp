// plotwell-tool publish: a scanner on a pseudo-terminal and a recording, published as ROS 2
// LaserScans and received by a subscriber; and what a wrong command line or a broken recording is
// told.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "acquisition/PortLock.h"
#include "files/HexDump.h"
#include "ros2/ScanSubscriber.h"
#include "run/SimulatedScanner.h"
#include "tests/support/DdsTestDomain.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ScratchDirectory.h"
#include "tests/tools/RunTool.h"
#include "tools/ToolArguments.h"

namespace {

// Counts the scans of a topic and keeps the bin count of the last.
struct Counter {
    std::atomic<int> scans{0};
    std::atomic<uint32_t> bins{0};
    std::atomic<int32_t> stamp{0};
    ScanSubscriber subscriber;

    // The subscriber keeps only the newest scan, so scans that follow each other closely may
    // reach it as one; this waits for any.
    bool WaitForAny() const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (scans == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return scans > 0;
    }

    explicit Counter(const char* topic)
    {
        std::string reason;
        EXPECT_TRUE(subscriber.Open(UseTestDomain(), topic,
                                    [this](const LaserScan& scan) {
                                        bins = static_cast<uint32_t>(scan.ranges.size());
                                        stamp = scan.stampSec;
                                        ++scans;
                                    },
                                    reason))
            << reason;
    }
};

// Also where no lock file can be written for the port (a folder in the lock's place), which is
// said as monitor and the window say it.
TEST(PublishCommand, PortRevolutionsReachASubscriberAsLaserScans)
{
    Counter counter("/plotwell_test/tool_scan");
    PseudoTerminal pty;
    const std::string lockInTheWay = "/var/lock/" + LockFileName(pty.DevicePath());
    ASSERT_TRUE(std::filesystem::create_directory(lockInTheWay)) << lockInTheWay;
    auto sending = std::async(std::launch::async, [&] {
        if (!pty.WaitForReader(5000))
            return false;
        SimulatedScanner scanner{SimulatedScannerSettings{}};
        for (int i = 0; i < 6; ++i)
            if (!pty.SendRevolution(scanner))
                return false;
        return true;
    });
    const ToolResult result = RunTool(RunPublishCommand, {pty.DevicePath(), "--topic", "/plotwell_test/tool_scan",
                                                          "--bins", "720", "--frames", "3"});
    ASSERT_TRUE(sending.get());
    EXPECT_EQ(result.status, EXIT_OK) << result.err;
    EXPECT_NE(result.err.find("on /plotwell_test/tool_scan (DDS rt/plotwell_test/tool_scan, domain " +
                              std::to_string(UseTestDomain()) + "): 720 bins, frame laser"),
              std::string::npos)
        << result.err;
    std::filesystem::remove(lockInTheWay);
    EXPECT_NE(result.err.find("plotwell-tool publish: " + pty.DevicePath() + ": no lock file could be written (" +
                              lockInTheWay + " is a directory)"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("3 scans published"), std::string::npos) << result.err;
    ASSERT_TRUE(counter.WaitForAny());
    EXPECT_EQ(counter.bins, 720u);
    EXPECT_GT(counter.stamp, 1600000000);  // wall-clock seconds, not a monotonic count
    counter.subscriber.Close();
}

TEST(PublishCommand, RecordingPlaysAtTheLinesPaceToItsEnd)
{
    Counter counter("/plotwell_test/recorded_scan");
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(scanner.NextRevolution());
        bytes.insert(bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    ScratchDirectory scratch;
    std::string text(bytes.size() * 3, ' ');
    for (size_t i = 0; i < bytes.size(); ++i)
        EncodeHexByte(bytes[i], &text[3 * i]);
    scratch.WriteFile("recording.txt", text);

    const auto started = std::chrono::steady_clock::now();
    const ToolResult result = RunTool(RunPublishCommand, {scratch / "recording.txt", "--topic", "/plotwell_test/recorded_scan"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    EXPECT_EQ(result.status, EXIT_OK) << result.err;
    // 115200 baud carries 11520 bytes a second: the file cannot have gone faster.
    EXPECT_GE(seconds, static_cast<double>(bytes.size()) / 11520.0 * 0.9);
    // Four revolutions, the last closed at the end of the file: the first is timed, not sent.
    EXPECT_NE(result.err.find("3 scans published"), std::string::npos) << result.err;
    EXPECT_TRUE(counter.WaitForAny());
    EXPECT_EQ(counter.bins, 500u);
    counter.subscriber.Close();
}

// A source that is neither a port nor a data file is named as such, and one that brings no
// revolution of the model ends as decode ends on it.
TEST(PublishCommand, SourceThatBringsNoRevolutionIsSaidAndFails)
{
    ScratchDirectory scratch;
    scratch.WriteFile("TR20_C.txt", RunTool(RunSimulateCommand, {"--model", "TR20_C", "--frames", "2"}).out);
    const struct {
        std::vector<std::string> args;
        std::string said;
    } cases[] = {
        {{"/dev/null"}, "publish: /dev/null: not a serial port or a data file\n"},
        {{scratch.Path()}, "publish: " + scratch.Path() + ": not a serial port or a data file\n"},
        {{scratch / "absent.txt"}, "publish: " + (scratch / "absent.txt") + ": No such file or directory\n"},
        {{scratch / "TR20_C.txt", "--model", "TR10"}, "publish: no revolution in "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--domain", std::to_string(UseTestDomain())});
        const ToolResult result = RunTool(RunPublishCommand, args);
        EXPECT_EQ(result.status, EXIT_FAILED);
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    }
}

TEST(PublishCommand, ExplainsEveryWrongCommandLineAndBrokenRecording)
{
    ScratchDirectory scratch;
    scratch.WriteFile("broken.txt", "AA 55 0x 00 ");
    const struct {
        std::vector<std::string> args;
        const char* rosDomainId;  // null: unset
        const char* message;
    } cases[] = {
        {{}, nullptr, "needs a SOURCE"},
        {{"/dev/ttyUSB0", "/dev/ttyUSB1"}, nullptr, "is a second source"},
        {{"/dev/ttyUSB0", "--topic", "/scan here"}, nullptr, "--topic '/scan here' may only hold"},
        {{"/dev/ttyUSB0", "--topic", "~/scan"}, nullptr, "private name"},
        {{"/dev/ttyUSB0", "--topic", "/" + std::string(66000, 'a')}, nullptr, "longer than the 247 characters"},
        {{"/dev/ttyUSB0", "--domain", "233"}, nullptr, "--domain takes a whole number from 0 to 232, not '233'"},
        {{"/dev/ttyUSB0"}, "x", "ROS_DOMAIN_ID 'x' is not a domain id"},
        {{"/dev/ttyUSB0", "--bins", "0"}, nullptr, "--bins takes a whole number from 1 to 16000"},
        {{"/dev/ttyUSB0", "--frame-id", ""}, nullptr, "--frame-id needs a value"},
        {{"/dev/ttyUSB0", "--node-name", "2d_lidar"}, nullptr, "may not start with a digit"},
        {{"/dev/ttyUSB0", "--node-name", "front/lidar"}, nullptr, "may only hold letters, digits and '_'"},
        {{"/dev/ttyUSB0", "--compensation", "some"}, nullptr, "--compensation takes none, formula or ros"},
        {{"/dev/ttyUSB0", "--model", "TR99"}, nullptr, "'TR99' is not a model"},
        {{"/dev/ttyUSB0", "--format", "csv"}, nullptr, "--format takes hex or binary"},
        {{"/dev/ttyUSB0", "--rate", "7"}, nullptr, "--rate is not an option of publish"},
        {{scratch / "broken.txt", "--domain", std::to_string(UseTestDomain())},
         nullptr,
         "broken.txt is not a raw data file: character 8 is 'x', where a hexadecimal digit belongs"},
    };
    const char* saved = std::getenv("ROS_DOMAIN_ID");
    const std::string restore = saved != nullptr ? saved : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.rosDomainId != nullptr)
            setenv("ROS_DOMAIN_ID", c.rosDomainId, 1);
        else
            unsetenv("ROS_DOMAIN_ID");
        const ToolResult result = RunTool(RunPublishCommand, c.args);
        EXPECT_EQ(result.status, EXIT_USAGE);
        EXPECT_NE(result.err.find(std::string("plotwell-tool publish: ")), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    if (saved != nullptr)
        setenv("ROS_DOMAIN_ID", restore.c_str(), 1);
    else
        unsetenv("ROS_DOMAIN_ID");
}

}  // namespace
