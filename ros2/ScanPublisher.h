// Writes LaserScans to a ROS 2 topic: reliable, keeping the last 10, volatile, in plain CDR, so
// that reliable and best-effort subscribers (RViz2's defaults among them) both match.
#pragma once

#include <cstdint>
#include <string>

#include "messages/LaserScan.h"
#include "ros2/RosNames.h"
#include "ros2/ScanTopic.h"

class ScanPublisher {
public:
    // How long a write may wait for a slow reliable subscriber before the scan is dropped: well
    // below one revolution, so the receive thread that publishes keeps pace with the scanner.
    static constexpr dds_duration_t LONGEST_WRITE = DDS_MSECS(20);

    // Joins `domain` as the node `nodeName` and makes the writer of `rosTopic`.
    [[nodiscard]] bool Open(uint32_t domain, const std::string& rosTopic, std::string& reason,
                            const std::string& nodeName = DEFAULT_NODE_NAME);
    void Close();

    // Sends one scan, written from its own buffers (nothing is copied or allocated). False when
    // DDS refused it or timed out (the scan is then lost).
    [[nodiscard]] bool Publish(const LaserScan& scan);
    // Subscribers that currently match, for the operator's information; 0 when closed.
    int32_t MatchedSubscribers() const;
    const std::string& DdsName() const { return m_topic.DdsName(); }

private:
    ScanTopic m_topic;
    dds_entity_t m_writer = 0;
};
