// Prints the LaserScan definition and a few scans as our encoder writes them, for the interop test
// (tests/interop/laser-scan.mjs) to read with Foxglove's ROS 2 message parser and CDR codec:
//   laser_scan_samples   one JSON object: schema name, encoding, definition, and for each scan
//                        its fields and its CDR bytes in hexadecimal
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "messages/LaserScanCdr.h"
#include "messages/LaserScanDefinition.h"

namespace {

std::vector<LaserScan> Samples()
{
    LaserScan clockwise;
    clockwise.stampSec = 1700000000;
    clockwise.stampNanosec = 250000000;
    clockwise.frameId = "laser";
    clockwise.angleMin = -0.0063f;
    clockwise.angleMax = -6.27f;
    clockwise.angleIncrement = -0.0126f;
    clockwise.timeIncrement = 0.0002f;
    clockwise.scanTime = 0.142f;
    clockwise.rangeMin = 0.05f;
    clockwise.rangeMax = 12.0f;
    clockwise.ranges = {1.5f, 0.25f, 11.75f};
    LaserScan odd = clockwise;  // frame ids of every length of padding, intensities
    odd.frameId = "a";
    odd.ranges.clear();
    odd.intensities = {100.0f, 0.5f};
    LaserScan empty;
    return {clockwise, odd, empty};
}

nlohmann::json Fields(const LaserScan& scan)
{
    return {{"header", {{"stamp", {{"sec", scan.stampSec}, {"nanosec", scan.stampNanosec}}}, {"frame_id", scan.frameId}}},
            {"angle_min", scan.angleMin},         {"angle_max", scan.angleMax},
            {"angle_increment", scan.angleIncrement}, {"time_increment", scan.timeIncrement},
            {"scan_time", scan.scanTime},         {"range_min", scan.rangeMin},
            {"range_max", scan.rangeMax},         {"ranges", scan.ranges},
            {"intensities", scan.intensities}};
}

}  // namespace

int main()
{
    nlohmann::json out = {{"name", LASER_SCAN_SCHEMA_NAME},
                          {"encoding", LASER_SCAN_SCHEMA_ENCODING},
                          {"definition", LASER_SCAN_DEFINITION},
                          {"scans", nlohmann::json::array()}};
    std::vector<uint8_t> bytes;
    for (const LaserScan& scan : Samples()) {
        EncodeLaserScanCdr(scan, bytes);
        std::string hex;
        for (uint8_t byte : bytes) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", byte);
            hex += pair;
        }
        out["scans"].push_back({{"fields", Fields(scan)}, {"cdr", hex}});
    }
    std::puts(out.dump().c_str());
    return 0;
}
