// A DDS participant in one domain with the LaserScan topic of one ROS 2 topic name on it: where
// a publisher and a subscriber both start.
#pragma once

#include <dds/dds.h>

#include <cstdint>
#include <string>

#include "ros2/NodeAnnouncement.h"

class ScanTopic {
public:
    ScanTopic() = default;
    // Deletes the participant and every reader and writer made on it.
    ~ScanTopic();
    ScanTopic(const ScanTopic&) = delete;
    ScanTopic& operator=(const ScanTopic&) = delete;

    // Joins `domain` (the DDS configuration comes from CYCLONEDDS_URI as usual) as a ROS 2
    // participant and makes the topic of `rosTopic`. False, with `reason` in the operator's
    // words, when either fails.
    [[nodiscard]] bool Open(uint32_t domain, const std::string& rosTopic, std::string& reason);
    // Announces the node `nodeName` owning `endpoint`, made on this participant (NodeAnnouncement).
    [[nodiscard]] bool AnnounceNode(const std::string& nodeName, dds_entity_t endpoint, EndpointKind kind,
                                    std::string& reason);
    void Close();

    dds_entity_t Participant() const { return m_participant; }
    dds_entity_t Topic() const { return m_topic; }
    const std::string& DdsName() const { return m_ddsName; }

private:
    dds_entity_t m_participant = 0;
    dds_entity_t m_topic = 0;
    std::string m_ddsName;
};

// "reason: what DDS said" for a failed DDS call.
std::string DdsFailure(const std::string& what, dds_return_t code);
