#include "ros2/ScanTopic.h"

#include "LaserScanWire.h"
#include "ros2/RosNames.h"

std::string DdsFailure(const std::string& what, dds_return_t code)
{
    return what + ": " + dds_strretcode(code);
}

ScanTopic::~ScanTopic()
{
    Close();
}

bool ScanTopic::Open(uint32_t domain, const std::string& rosTopic, std::string& reason)
{
    Close();
    if (!DdsTopicName(rosTopic, m_ddsName, reason))
        return false;
    dds_qos_t* qos = NodeParticipantQos();
    m_participant = dds_create_participant(domain, qos, nullptr);
    dds_delete_qos(qos);
    if (m_participant < 0) {
        reason = DdsFailure("cannot join DDS domain " + std::to_string(domain) +
                                " (is CYCLONEDDS_URI a valid configuration?)",
                            m_participant);
        m_participant = 0;
        return false;
    }
    m_topic = dds_create_topic(m_participant, &sensor_msgs_msg_dds__LaserScan__desc, m_ddsName.c_str(), nullptr,
                               nullptr);
    if (m_topic < 0) {
        reason = DdsFailure("cannot make the topic " + m_ddsName, m_topic);
        Close();
        return false;
    }
    return true;
}

bool ScanTopic::AnnounceNode(const std::string& nodeName, dds_entity_t endpoint, EndpointKind kind,
                             std::string& reason)
{
    return ::AnnounceNode(m_participant, nodeName, endpoint, kind, reason);
}

void ScanTopic::Close()
{
    if (m_participant > 0)
        dds_delete(m_participant);
    m_participant = 0;
    m_topic = 0;
}
