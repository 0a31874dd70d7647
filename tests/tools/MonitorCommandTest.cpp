// plotwell-tool monitor and simulate --pty: a scanner on a pseudo-terminal, watched end to end.
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <sstream>
#include <streambuf>
#include <thread>

#include "tests/support/PseudoTerminal.h"
#include "tests/tools/RunTool.h"
#include "tools/ToolArguments.h"

namespace {

using namespace std::chrono_literals;

// Sends revolutions once the monitor has the port open, then maybe hangs up.
struct Scanner {
    PseudoTerminal pty;
    std::vector<int32_t> sampleCounts;

    bool Run(int revolutions, bool hangUp)
    {
        if (!pty.WaitForReader(5000))
            return false;
        SimulatedScanner scanner{SimulatedScannerSettings{}};
        for (int i = 0; i < revolutions; ++i) {
            if (!pty.SendRevolution(scanner))
                return false;
            sampleCounts.push_back(scanner.SampleCount());
        }
        if (hangUp)
            pty.HangUp();
        return true;
    }
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(MonitorCommand, PrintsOneLinePerRevolutionAndReportsALostPortOrAFailedOpen)
{
    {
        Scanner scanner;
        auto sending = std::async(std::launch::async, [&] { return scanner.Run(4, false); });
        const ToolResult result = RunTool(RunMonitorCommand, {scanner.pty.DevicePath(), "--frames", "3",
                                                              "--filter", "off", "--compensation", "none"});
        ASSERT_TRUE(sending.get());
        EXPECT_EQ(result.status, EXIT_OK) << result.err;
        const auto lines = Lines(result.out);
        ASSERT_EQ(lines.size(), 3u) << result.out;
        // The first revolution may lose its start to the flush of the opening port.
        for (size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(lines[i]);
            const std::string samples = i == 0 ? "" : std::to_string(scanner.sampleCounts[i]);
            EXPECT_NE(lines[i].find(samples + " samples, "), std::string::npos);
            EXPECT_EQ(lines[i].find("rev/s") != std::string::npos, i > 0) << "a rate needs two revolutions";
            if (i > 0) {
                EXPECT_NE(lines[i].find(" packets, 0 bad, 0 bytes skipped, 0 cut short"), std::string::npos);
            }
        }
        EXPECT_NE(result.err.find("plotwell-tool monitor: 3 revolutions ("), std::string::npos) << result.err;
    }
    {
        PseudoTerminal pty;
        auto sending = std::async(std::launch::async, [&] {
            const std::vector<uint8_t> zeros(3000, 0);
            const bool sent = pty.WaitForReader(5000) && pty.Send(zeros);
            std::this_thread::sleep_for(200ms);
            pty.HangUp();
            return sent;
        });
        const ToolResult result = RunTool(RunMonitorCommand, {pty.DevicePath()});
        ASSERT_TRUE(sending.get());
        EXPECT_EQ(result.status, EXIT_FAILED);
        EXPECT_NE(result.err.find("no revolution in "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("is the model right? 'plotwell-tool probe " + pty.DevicePath() + "' tells"),
                  std::string::npos)
            << result.err;
    }
    {
        Scanner scanner;
        auto sending = std::async(std::launch::async, [&] { return scanner.Run(2, true); });
        const ToolResult result = RunTool(RunMonitorCommand, {scanner.pty.DevicePath(), "--frames", "10"});
        ASSERT_TRUE(sending.get());
        EXPECT_EQ(result.status, EXIT_FAILED);
        EXPECT_NE(result.err.find("went away"), std::string::npos) << result.err;
    }
    for (const auto& [path, reason] : {std::pair{"/dev/plotwell-no-such-port", "No such device"},
                                       std::pair{"/dev/null", "/dev/null is not a serial device."},
                                       std::pair{"/dev/tty", "/dev/tty is not a serial device."}}) {
        const ToolResult result = RunTool(RunMonitorCommand, {path});
        EXPECT_EQ(result.status, EXIT_FAILED);
        EXPECT_NE(result.err.find(std::string("Open Failed\n") + reason), std::string::npos) << result.err;
    }
}

// Lets the test read the first line while the command is still writing.
class FirstLine : public std::streambuf {
public:
    std::string Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, 5s, [&] { return m_complete; });
        return m_line;
    }

protected:
    int overflow(int c) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (c == '\n')
            m_complete = true;
        else if (!m_complete && c != traits_type::eof())
            m_line += static_cast<char>(c);
        m_changed.notify_all();
        return c;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_line;
    bool m_complete = false;
};

TEST(SimulatePty, StreamsRevolutionsThatTheMonitorReceives)
{
    FirstLine firstLine;
    std::ostream simulatorOut(&firstLine);
    std::ostringstream simulatorErr;
    std::istringstream noInput;
    auto simulator = std::async(std::launch::async, [&] {
        return RunSimulateCommand({"--pty", "--realtime", "off", "--frames", "5"}, noInput, simulatorOut,
                                  simulatorErr);
    });
    const std::string path = firstLine.Wait();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    const ToolResult monitor = RunTool(RunMonitorCommand, {path, "--frames", "3"});
    EXPECT_EQ(monitor.status, EXIT_OK) << monitor.err;
    EXPECT_EQ(Lines(monitor.out).size(), 3u) << monitor.out;
    ASSERT_EQ(simulator.wait_for(10s), std::future_status::ready) << "the simulator did not end";
    EXPECT_EQ(simulator.get(), EXIT_OK) << simulatorErr.str();
}

}  // namespace
