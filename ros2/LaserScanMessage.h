// One LaserScan ready to write: the wire struct, with its ranges and frame id held here and
// sized once for the publisher's bins, so that filling it for every revolution allocates nothing.
#pragma once

#include <string>
#include <vector>

#include "LaserScanWire.h"
#include "ros2/ScanShape.h"

class LaserScanMessage {
public:
    LaserScanMessage(const ScanShape& shape, std::string frameId);
    // The wire struct points into this object.
    LaserScanMessage(const LaserScanMessage&) = delete;
    LaserScanMessage& operator=(const LaserScanMessage&) = delete;

    const ScanShape& Shape() const { return m_shape; }
    float* Ranges() { return m_ranges.data(); }
    sensor_msgs_msg_dds__LaserScan_& Wire() { return m_wire; }
    const sensor_msgs_msg_dds__LaserScan_& Wire() const { return m_wire; }

private:
    ScanShape m_shape;
    std::string m_frameId;
    std::vector<float> m_ranges;
    sensor_msgs_msg_dds__LaserScan_ m_wire{};
};
