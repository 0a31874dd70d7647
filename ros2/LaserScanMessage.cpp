#include "ros2/LaserScanMessage.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double PI = 3.14159265358979323846;
}

LaserScanMessage::LaserScanMessage(const ScanShape& shape, std::string frameId)
    : m_shape(shape), m_frameId(std::move(frameId))
{
    m_shape.bins = std::clamp(m_shape.bins, 1, MAX_SCAN_BINS);
    m_ranges.assign(static_cast<size_t>(m_shape.bins), INFINITY);
    // One full turn from -pi, the usual start of a full-turn scan; the last bin lies one step
    // short of +pi, so that no direction is sent twice.
    const double increment = 2.0 * PI / m_shape.bins;
    m_wire.angle_min = static_cast<float>(-PI);
    m_wire.angle_increment = static_cast<float>(increment);
    m_wire.angle_max = m_wire.angle_min + static_cast<float>(m_shape.bins - 1) * m_wire.angle_increment;
    m_wire.range_min = m_shape.rangeMin;
    m_wire.range_max = m_shape.rangeMax;
    m_wire.header.frame_id = m_frameId.data();
    // The buffers belong to us, never to the DDS library (_release false).
    m_wire.ranges._buffer = m_ranges.data();
    m_wire.ranges._length = static_cast<uint32_t>(m_ranges.size());
    m_wire.ranges._maximum = static_cast<uint32_t>(m_ranges.size());
    m_wire.ranges._release = false;
    m_wire.intensities = {0, 0, nullptr, false};
}
