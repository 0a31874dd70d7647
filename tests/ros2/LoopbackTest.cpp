// A publisher's scans as ROS 2 nodes receive them: a plain reliable DDS reader in another process,
// with its own build of the type, takes the bytes off the wire, and they are exactly the bytes
// our own CDR encoder makes of the scan (the encoder that recordings and the Foxglove server
// use); a best-effort subscriber matches the same reliable publisher.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "protocols/DeviceModel.h"
#include "messages/LaserScanCdr.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/RosNames.h"
#include "messages/ScanConversion.h"
#include "ros2/ScanSubscriber.h"
#include "run/SimulatedScanner.h"
#include "tests/support/DdsTestDomain.h"

namespace {

constexpr auto PATIENCE = std::chrono::seconds(10);

// The peer program (tests/ros2/peer): a reliable reader in a process of its own, one line of
// hexadecimal bytes per sample it took.
class PeerReader {
public:
    PeerReader(uint32_t domain, const char* ddsTopic)
        : m_output(popen((std::string(PEER_READER) + " " + std::to_string(domain) + " " + ddsTopic + " 1").c_str(), "r"))
    {
        EXPECT_NE(m_output, nullptr);
    }
    ~PeerReader()
    {
        if (m_output != nullptr)
            pclose(m_output);
    }
    PeerReader(const PeerReader&) = delete;
    PeerReader& operator=(const PeerReader&) = delete;

    // The next sample's bytes; false when the peer ended without one (it gives up after 10 s).
    bool Take(std::vector<uint8_t>& bytes)
    {
        std::string line;
        for (int c; m_output != nullptr && (c = std::fgetc(m_output)) != EOF && c != '\n';)
            line += static_cast<char>(c);
        bytes.clear();
        for (size_t i = 0; i + 1 < line.size(); i += 2)
            bytes.push_back(static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
        return !bytes.empty();
    }

private:
    FILE* m_output;
};

// The best-effort side: our own subscriber, keeping copies of what it received.
class Received {
public:
    ScanSubscriber::ScanCallback Callback()
    {
        return [this](const LaserScan& scan) {
            std::lock_guard lock(m_mutex);
            m_scans.push_back(scan.ranges);
            m_arrived.notify_all();
        };
    }
    bool WaitFor(size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, PATIENCE, [&] { return m_scans.size() >= count; });
    }
    std::vector<float> Ranges(size_t i)
    {
        std::lock_guard lock(m_mutex);
        return m_scans.at(i);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::vector<float>> m_scans;
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

std::unique_ptr<PointList> SimulatedList()
{
    SimulatedScanner scanner(SimulatedScannerSettings{});
    EXPECT_TRUE(scanner.NextRevolution());
    auto list = std::make_unique<PointList>();
    list->count = scanner.SampleCount();
    for (int32_t i = 0; i < list->count; ++i) {
        list->angle[i] = scanner.Samples()[i].angle;
        list->distance[i] = scanner.Samples()[i].distance;
    }
    return list;
}

int64_t WallNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

TEST(Loopback, ReliableAndBestEffortReadersReceiveWhatIsPublished)
{
    const uint32_t domain = UseTestDomain();
    const PublishSettings settings{domain, "/plotwell_test/scan", "laser", ModelScanShape(g_ModelTR20_A)};
    RevolutionPublisher publisher;
    std::string reason;
    ASSERT_TRUE(publisher.Open(settings, reason)) << reason;
    EXPECT_EQ(publisher.DdsName(), "rt/plotwell_test/scan");
    PeerReader reliable(domain, "rt/plotwell_test/scan");
    Received bestEffort;
    ScanSubscriber subscriber;
    ASSERT_TRUE(subscriber.Open(domain, "plotwell_test/scan", bestEffort.Callback(), reason)) << reason;
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    while (publisher.MatchedSubscribers() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(publisher.MatchedSubscribers(), 2);

    const auto list = SimulatedList();
    const int64_t firstCompleted = WallNanoseconds();
    EXPECT_FALSE(publisher.Revolution(*list, 1));  // nothing measured the first one's time
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(publisher.Revolution(*list, 1));
    const int64_t secondCompleted = WallNanoseconds();
    EXPECT_EQ(publisher.Sent(), 1);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(reliable.Take(bytes));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0x00);  // classic CDR, little-endian: what ROS 2 nodes read
    EXPECT_EQ(bytes[1], 0x01);
    LaserScan scan;
    ASSERT_TRUE(DecodeLaserScanCdr(bytes.data(), bytes.size(), scan, reason)) << reason;
    std::vector<uint8_t> ours;
    EncodeLaserScanCdr(scan, ours);
    EXPECT_EQ(ours, bytes);

    LaserScan expected;
    RevolutionToLaserScan(*list, 1, {0, 0.0}, settings.shape, expected);
    EXPECT_EQ(scan.frameId, "laser");
    const int64_t stamp = scan.stampSec * int64_t{1000000000} + scan.stampNanosec;
    // The second revolution began where the first one ended (a millisecond allows for reading
    // the two clocks one after the other).
    EXPECT_GE(stamp, firstCompleted - 1000000);
    EXPECT_LE(stamp, secondCompleted - 19000000);
    EXPECT_FLOAT_EQ(scan.angleMin, expected.angleMin);
    EXPECT_FLOAT_EQ(scan.angleMax, expected.angleMax);
    EXPECT_FLOAT_EQ(scan.angleIncrement, expected.angleIncrement);
    EXPECT_GE(scan.scanTime, 0.020f);
    EXPECT_FLOAT_EQ(scan.timeIncrement, scan.scanTime / scan.ranges.size());  // per range
    EXPECT_FLOAT_EQ(scan.rangeMin, expected.rangeMin);
    EXPECT_FLOAT_EQ(scan.rangeMax, expected.rangeMax);
    EXPECT_TRUE(SameBits(scan.ranges, expected.ranges));
    EXPECT_TRUE(scan.intensities.empty());

    ASSERT_TRUE(bestEffort.WaitFor(1));
    EXPECT_TRUE(SameBits(bestEffort.Ranges(0), expected.ranges));
    subscriber.Close();
}

}  // namespace
