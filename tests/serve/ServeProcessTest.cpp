// plotwell-tool serve as a process, fed by plotwell-tool simulate --pty: a client gets the scans
// and the link's health, every stop signal ends it cleanly, and hostile clients (bytes that are
// no WebSocket, garbage messages, a 10 MB frame, a thousand connections opened and dropped)
// crash nothing and leave no memory behind.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "ScanClient.h"
#include "tests/support/BuiltProgram.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Pipe.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

std::string Tool()
{
    return BuiltProgram("PLOTWELL_TOOL", PLOTWELL_TOOL);
}

// A simulated scanner on a pseudo-terminal and plotwell-tool serve reading it, listening on a
// free loopback port.
class Served {
public:
    Served()
    {
        m_scanner = std::make_unique<ChildProcess>(
            std::vector<std::string>{Tool(), "simulate", "--pty", "--frames", "100000"},
            ChildStreams{-1, m_scannerOut.write, -1});
        m_scannerOut.CloseWrite();
        std::string path = m_scannerOut.Take(TIMEOUT_MS, '\n');
        path = path.substr(0, path.find('\n'));
        m_serve = std::make_unique<ChildProcess>(
            std::vector<std::string>{Tool(), "serve", path, "--listen", "127.0.0.1:0"}, ChildStreams{-1, -1, m_err.write});
        m_err.CloseWrite();
        m_said = m_err.Take(TIMEOUT_MS, '\n');
        std::smatch port;
        if (std::regex_search(m_said, port, std::regex("on ws://127\\.0\\.0\\.1:([0-9]+): /scan")))
            m_port = static_cast<uint16_t>(std::stoi(port[1]));
    }

    uint16_t Port() const { return m_port; }
    ChildProcess& Process() { return *m_serve; }
    // Everything said on standard error until the end.
    std::string Said() { return m_said + m_err.Take(TIMEOUT_MS); }

    // Resident memory in KiB, as /proc shows it.
    long ResidentKiB() const
    {
        std::ifstream status("/proc/" + std::to_string(m_serve->Pid()) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        }
        return -1;
    }

    // A sanitizer's own bookkeeping (freed memory held back, the stacks of allocations) grows
    // the resident memory of a process built with it by itself.
    bool Sanitized() const
    {
        std::ifstream maps("/proc/" + std::to_string(m_serve->Pid()) + "/maps");
        const std::string mapped{std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()};
        return mapped.find("libasan") != std::string::npos || mapped.find("libtsan") != std::string::npos;
    }

    // What /proc says of the server's memory and threads, for a failure to show.
    std::string MemoryReport() const
    {
        std::ifstream status("/proc/" + std::to_string(m_serve->Pid()) + "/status");
        std::string report;
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("Rss", 0) == 0 || line.rfind("VmData", 0) == 0 || line.rfind("Threads", 0) == 0)
                report += line + "\n";
        }
        return report;
    }

private:
    Pipe m_scannerOut;
    Pipe m_err;
    std::unique_ptr<ChildProcess> m_scanner;
    std::unique_ptr<ChildProcess> m_serve;
    std::string m_said;
    uint16_t m_port = 0;
};

// A TCP connection to the server that may speak no WebSocket at all.
int RawConnection(uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Drops a raw connection once the server is done with it (it closes its end on the client's),
// so that the server holds one such connection at a time however slowly it is scheduled, and
// its memory afterwards does not depend on how many it happened to hold at once.
void Drop(int fd)
{
    ::shutdown(fd, SHUT_WR);
    const timeval patience{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    char reply[4096];
    while (::recv(fd, reply, sizeof reply, 0) > 0) {
    }
    ::close(fd);
}

std::string RandomBytes(std::mt19937& random, size_t size)
{
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// One round of everything a hostile or broken client does.
void Attack(uint16_t port, int connections, std::mt19937& random)
{
    for (int k = 0; k < 20; ++k) {  // bytes that are no HTTP request, and a request cut short
        const int fd = RawConnection(port);
        ASSERT_GE(fd, 0);
        const std::string bytes = k % 2 ? RandomBytes(random, 65536) : "GET / HTTP/1.1\r\nUpgrade: websocket\r\n";
        static_cast<void>(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL));
        Drop(fd);
    }
    for (int k = 0; k < 20; ++k) {  // garbage in well-formed frames
        WebSocketClient client;
        ASSERT_TRUE(client.Connect(port));
        client.SendText(RandomBytes(random, 100 + k * 37));
        client.SendText(R"({"op":"subscribe","subscriptions":[{"id":1,"channelId":999}]})");
        client.SendText(R"({"op":"advertise","channels":[]})");
        client.SendBinary(RandomBytes(random, 1000));
    }
    {
        WebSocketClient client;
        ASSERT_TRUE(client.Connect(port));
        client.SendBinary(std::string(10 << 20, 'x'));
        const auto closing = client.WaitClosed();
        ASSERT_TRUE(closing.has_value());
        // Message too big, refused from its header; the closing frame may be lost to the reset
        // of a connection whose client is still sending (1006).
        EXPECT_TRUE(closing->code == 1009 || closing->code == 1006) << closing->code;
    }
    for (int k = 0; k < connections; ++k) {  // opened and dropped, half of them mid-handshake
        if (k % 2) {
            WebSocketClient client;
            ASSERT_TRUE(client.Connect(port));
        } else {
            const int fd = RawConnection(port);
            ASSERT_GE(fd, 0);
            Drop(fd);
        }
    }
}

}  // namespace

TEST(ServeProcess, ClientGetsScansAndHealthAndEveryStopSignalEndsTheServerCleanly)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        Served served;
        ASSERT_NE(served.Port(), 0) << served.Said();
        ScanClient client;
        ASSERT_TRUE(client.Connect(served.Port()));
        ASSERT_TRUE(client.Subscribe("/scan"));
        ASSERT_TRUE(client.Subscribe("/plotwell/health"));
        const auto scan = client.NextScan();
        ASSERT_TRUE(scan.has_value());
        EXPECT_EQ(scan->ranges.size(), 500u);  // the listed models' default
        EXPECT_EQ(scan->frameId, "laser");
        const auto health = client.NextOf("/plotwell/health");
        ASSERT_TRUE(health.has_value());
        const nlohmann::json figures = nlohmann::json::parse(health->payload);
        EXPECT_GT(figures["revolutions"].get<int64_t>(), 0);
        EXPECT_EQ(figures["clients"]["connected"], 1);
        EXPECT_EQ(figures["outputs"][0]["name"], "Foxglove server");

        ASSERT_TRUE(served.Process().Signal(signal));
        EXPECT_EQ(served.Process().Wait(TIMEOUT_MS), 0);
        EXPECT_NE(served.Said().find("scans served"), std::string::npos);
    }
}

TEST(ServeProcess, HostileClientsCrashNothingAndTheMemoryComesBack)
{
    Served served;
    ASSERT_NE(served.Port(), 0) << served.Said();
    ScanClient steady;
    ASSERT_TRUE(steady.Connect(served.Port()));
    ASSERT_TRUE(steady.Subscribe("/scan"));
    ASSERT_TRUE(steady.NextScan().has_value());

    std::mt19937 random(23);
    Attack(served.Port(), 100, random);  // every buffer the server keeps grows to its size here
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long before = served.ResidentKiB();
    Attack(served.Port(), 1000, random);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long after = served.ResidentKiB();
    if (!served.Sanitized()) {  // there LeakSanitizer checks the server's memory at its exit
        EXPECT_LT(after, before + 1024) << before << " KiB before, " << after << " KiB after\n" << served.MemoryReport();
    }

    for (int k = 0; k < 3; ++k)  // the steady client lost nothing it needs to go on
        ASSERT_TRUE(steady.NextScan().has_value());
    ASSERT_TRUE(served.Process().Signal(SIGTERM));
    EXPECT_EQ(served.Process().Wait(TIMEOUT_MS), 0) << served.Said();
}
