// The serialized LaserScan: the exact bytes a ROS 2 writer sends (checked byte for byte against
// Cyclone DDS in tests/ros2 and against Foxglove's ROS 2 codec in tests/interop), read back in
// either byte order, and hostile bytes refused without reading or allocating past the input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "messages/LaserScanCdr.h"

namespace {

LaserScan SmallScan()
{
    LaserScan scan;
    scan.stampSec = -2;
    scan.stampNanosec = 300000000;
    scan.frameId = "ab";
    scan.angleMin = 1.0f;
    scan.angleMax = 2.0f;
    scan.angleIncrement = -0.5f;
    scan.timeIncrement = 0.25f;
    scan.scanTime = 4.0f;
    scan.rangeMin = 0.125f;
    scan.rangeMax = 12.0f;
    scan.ranges = {1.5f};
    return scan;
}

// SmallScan as little-endian CDR: the string's three bytes are padded to the next float.
const std::vector<uint8_t> SMALL_SCAN_LE = {
    0x00, 0x01, 0x00, 0x00,                          // CDR_LE
    0xfe, 0xff, 0xff, 0xff, 0x00, 0xa3, 0xe1, 0x11,  // stamp -2 s + 0.3 s
    0x03, 0x00, 0x00, 0x00, 'a',  'b',  0x00, 0x00,  // frame_id "ab", one byte of padding
    0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x40,  // angle_min 1, angle_max 2
    0x00, 0x00, 0x00, 0xbf, 0x00, 0x00, 0x80, 0x3e,  // angle_increment -0.5, time_increment 0.25
    0x00, 0x00, 0x80, 0x40, 0x00, 0x00, 0x00, 0x3e,  // scan_time 4, range_min 0.125
    0x00, 0x00, 0x40, 0x41,                          // range_max 12
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xc0, 0x3f,  // ranges {1.5}
    0x00, 0x00, 0x00, 0x00,                          // intensities {}
};

// The same message big-endian: every 4-byte word swapped, the string's bytes as they are.
std::vector<uint8_t> BigEndian(std::vector<uint8_t> bytes, uint8_t kind)
{
    for (size_t at = 4; at + 4 <= bytes.size(); at += 4)
        if (at != 16)
            std::swap(bytes[at], bytes[at + 3]), std::swap(bytes[at + 1], bytes[at + 2]);
    bytes[1] = kind;
    return bytes;
}

bool SameScan(const LaserScan& a, const LaserScan& b)
{
    const auto bits = [](const std::vector<float>& v) { return std::vector<uint8_t>(
                                                            reinterpret_cast<const uint8_t*>(v.data()),
                                                            reinterpret_cast<const uint8_t*>(v.data() + v.size())); };
    return a.stampSec == b.stampSec && a.stampNanosec == b.stampNanosec && a.frameId == b.frameId &&
           a.angleMin == b.angleMin && a.angleMax == b.angleMax && a.angleIncrement == b.angleIncrement &&
           a.timeIncrement == b.timeIncrement && a.scanTime == b.scanTime && a.rangeMin == b.rangeMin &&
           a.rangeMax == b.rangeMax && bits(a.ranges) == bits(b.ranges) && bits(a.intensities) == bits(b.intensities);
}

TEST(LaserScanCdr, WritesTheBytesOfAClassicLittleEndianMessage)
{
    std::vector<uint8_t> bytes;
    EncodeLaserScanCdr(SmallScan(), bytes);
    EXPECT_EQ(bytes, SMALL_SCAN_LE);

    // Reused for a message of the same size, the buffer is not allocated again.
    const uint8_t* buffer = bytes.data();
    EncodeLaserScanCdr(SmallScan(), bytes);
    EXPECT_EQ(bytes.data(), buffer);
}

TEST(LaserScanCdr, ReadsBackWhatWasWrittenInEitherByteOrder)
{
    std::vector<LaserScan> scans(5, SmallScan());
    scans[1].frameId = "";  // every length of padding after the string
    scans[2].frameId = "laser";
    scans[3].frameId = "base_scan_1";
    scans[3].ranges = {INFINITY, -INFINITY, NAN, 0.0f, 32.5f};
    scans[3].intensities = {7.0f, 8.0f};
    scans[4].ranges.assign(16000, 3.0f);
    for (const LaserScan& scan : scans) {
        SCOPED_TRACE("frame '" + scan.frameId + "', " + std::to_string(scan.ranges.size()) + " ranges");
        std::vector<uint8_t> bytes;
        EncodeLaserScanCdr(scan, bytes);
        bytes.insert(bytes.end(), {0, 0, 0});  // padding a writer may add
        LaserScan read;
        std::string reason;
        ASSERT_TRUE(DecodeLaserScanCdr(bytes.data(), bytes.size(), read, reason)) << reason;
        EXPECT_TRUE(SameScan(read, scan));
    }
    for (uint8_t kind : {0x00, 0x06}) {  // CDR_BE, and XCDR2's, whose body is the same here
        const std::vector<uint8_t> big = BigEndian(SMALL_SCAN_LE, kind);
        LaserScan read;
        std::string reason;
        ASSERT_TRUE(DecodeLaserScanCdr(big.data(), big.size(), read, reason)) << reason;
        EXPECT_TRUE(SameScan(read, SmallScan()));
    }
}

TEST(LaserScanCdr, RefusesBytesThatAreNotALaserScanWithoutGrowingPastThem)
{
    const auto patched = [](size_t at, std::vector<uint8_t> patch) {
        std::vector<uint8_t> bytes = SMALL_SCAN_LE;
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<long>(at));
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"empty", {}, "shorter than the encapsulation header"},
        {"parameter list", patched(0, {0x00, 0x03}), "not CDR"},
        {"not an encapsulation", patched(0, {0x01, 0x01}), "not CDR"},
        {"header only", {0x00, 0x01, 0x00, 0x00}, "stamp"},
        {"string past the end", patched(12, {0xff, 0xff, 0xff, 0x7f}), "frame_id runs past the end"},
        {"string without its zero", patched(18, {'c'}), "terminating zero"},
        {"4 billion ranges", patched(48, {0xff, 0xff, 0xff, 0xff}), "ranges holds more values"},
        {"more ranges than bytes", patched(48, {0x03}), "ranges holds more values"},
        {"4 billion intensities", patched(56, {0xff, 0xff, 0xff, 0xff}), "intensities holds more values"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LaserScan read;
        std::string reason;
        EXPECT_FALSE(DecodeLaserScanCdr(c.bytes.data(), c.bytes.size(), read, reason));
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_LE(read.ranges.capacity() + read.intensities.capacity() + read.frameId.size(), c.bytes.size());
    }
    // Every message cut short is refused.
    for (size_t size = 0; size < SMALL_SCAN_LE.size(); ++size) {
        LaserScan read;
        std::string reason;
        EXPECT_FALSE(DecodeLaserScanCdr(SMALL_SCAN_LE.data(), size, read, reason)) << size << " bytes";
    }
}

}  // namespace
