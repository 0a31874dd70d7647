// sensor_msgs/msg/LaserScan as a plain value, the one form every ROS 2 side of Plotwell shares:
// the DDS publisher and subscriber, MCAP recordings and the Foxglove server. Reused from one
// revolution to the next, its vectors keep their capacity, so refilling it allocates nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LaserScan {
    // header.stamp: the acquisition time of ranges[0]
    int32_t stampSec = 0;
    uint32_t stampNanosec = 0;  // 0..999999999
    std::string frameId;
    float angleMin = 0.0f;        // radians, counter-clockwise about z up, 0 along x forward
    float angleMax = 0.0f;        // angle of the last range
    float angleIncrement = 0.0f;  // negative when the rays were measured clockwise
    float timeIncrement = 0.0f;   // seconds from one range to the next
    float scanTime = 0.0f;        // seconds from one scan to the next
    float rangeMin = 0.0f;        // metres
    float rangeMax = 0.0f;
    std::vector<float> ranges;       // metres; +inf no return, -inf too close, NaN erroneous
    std::vector<float> intensities;  // empty: no scanner here reports them
};
