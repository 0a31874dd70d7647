// decode of a recording without Plotwell's raw channel (a bag of another scanner's ROS 2
// driver): the LaserScans of one of its channels, each as a frame of decode's lines, converted
// as the window draws them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

// The scans of `topic` (empty: the recording's only LaserScan topic) in log-time order, their
// points in the angle convention of `protocol`. The exit status, after saying what went wrong:
// several topics and none chosen (EXIT_USAGE), no such topic, damage or undecodable messages.
int PrintRecordedScans(const std::string& path, const std::string& topic, int32_t protocol, std::ostream& out,
                       std::ostream& err);
