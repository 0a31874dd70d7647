// A publisher's scans as ROS 2 nodes receive them: a plain reliable DDS reader in another process,
// with its own build of the type, takes the bytes off the wire and the test decodes them by hand,
// the way a ROS 2 node's middleware reads them; a best-effort subscriber matches the same
// reliable publisher.
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
#include "ros2/LaserScanMessage.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/RosNames.h"
#include "ros2/ScanConversion.h"
#include "ros2/ScanSubscriber.h"
#include "run/SimulatedScanner.h"
#include "tests/support/DdsTestDomain.h"

namespace {

constexpr auto PATIENCE = std::chrono::seconds(10);

// What a ROS 2 node decodes from one serialized sensor_msgs/msg/LaserScan.
struct DecodedScan {
    int32_t sec = 0;
    uint32_t nanosec = 0;
    std::string frameId;
    float fields[7] = {};  // angle_min .. range_max, in message order
    std::vector<float> ranges;
    uint32_t intensities = 0;
};

// Classic little-endian CDR: a 4-byte encapsulation header, then every value aligned to its
// size from the end of that header.
class CdrReader {
public:
    explicit CdrReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

    uint32_t U32()
    {
        m_at = (m_at + 3) & ~size_t{3};
        uint32_t value = 0;
        if (m_at + 4 > m_bytes.size() - HEADER) {
            m_failed = true;
            return 0;
        }
        std::memcpy(&value, m_bytes.data() + HEADER + m_at, 4);
        m_at += 4;
        return value;
    }
    float F32()
    {
        const uint32_t bits = U32();
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }
    std::string String()
    {
        const uint32_t length = U32();  // with the terminating zero
        if (length == 0 || m_at + length > m_bytes.size() - HEADER) {
            m_failed = true;
            return {};
        }
        const char* text = reinterpret_cast<const char*>(m_bytes.data() + HEADER + m_at);
        m_at += length;
        return std::string(text, length - 1);
    }
    bool Failed() const { return m_failed; }
    size_t Left() const { return m_bytes.size() - HEADER - m_at; }

    static constexpr size_t HEADER = 4;

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_at = 0;
    bool m_failed = false;
};

DecodedScan Decode(const std::vector<uint8_t>& bytes)
{
    CdrReader cdr(bytes);
    DecodedScan scan;
    scan.sec = static_cast<int32_t>(cdr.U32());
    scan.nanosec = cdr.U32();
    scan.frameId = cdr.String();
    for (float& field : scan.fields)
        field = cdr.F32();
    scan.ranges.resize(cdr.U32());
    for (float& range : scan.ranges)
        range = cdr.F32();
    scan.intensities = cdr.U32();
    EXPECT_FALSE(cdr.Failed());
    EXPECT_LT(cdr.Left(), 4u);  // nothing after the message but padding
    return scan;
}

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
        return [this](const sensor_msgs_msg_dds__LaserScan_& scan) {
            std::lock_guard lock(m_mutex);
            m_scans.emplace_back(scan.ranges._buffer, scan.ranges._buffer + scan.ranges._length);
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

bool SameBits(const std::vector<float>& a, const float* b, size_t count)
{
    return a.size() == count && std::memcmp(a.data(), b, count * sizeof(float)) == 0;
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
    ASSERT_GE(bytes.size(), CdrReader::HEADER);
    EXPECT_EQ(bytes[0], 0x00);  // classic CDR, little-endian: what ROS 2 nodes read
    EXPECT_EQ(bytes[1], 0x01);
    const DecodedScan scan = Decode(bytes);
    LaserScanMessage expected(settings.shape, "laser");
    RevolutionToLaserScan(*list, 1, {0, 0.0}, expected);
    const auto& want = expected.Wire();
    EXPECT_EQ(scan.frameId, "laser");
    const int64_t stamp = scan.sec * int64_t{1000000000} + scan.nanosec;
    // The second revolution began where the first one ended (a millisecond allows for reading
    // the two clocks one after the other).
    EXPECT_GE(stamp, firstCompleted - 1000000);
    EXPECT_LE(stamp, secondCompleted - 19000000);
    EXPECT_FLOAT_EQ(scan.fields[0], want.angle_min);
    EXPECT_FLOAT_EQ(scan.fields[1], want.angle_max);
    EXPECT_FLOAT_EQ(scan.fields[2], want.angle_increment);
    EXPECT_GE(scan.fields[4], 0.020f);  // scan_time
    EXPECT_FLOAT_EQ(scan.fields[3], scan.fields[4] / list->count);
    EXPECT_FLOAT_EQ(scan.fields[5], want.range_min);
    EXPECT_FLOAT_EQ(scan.fields[6], want.range_max);
    EXPECT_TRUE(SameBits(scan.ranges, expected.Ranges(), want.ranges._length));
    EXPECT_EQ(scan.intensities, 0u);

    ASSERT_TRUE(bestEffort.WaitFor(1));
    EXPECT_TRUE(SameBits(bestEffort.Ranges(0), expected.Ranges(), want.ranges._length));
    subscriber.Close();
}

}  // namespace
