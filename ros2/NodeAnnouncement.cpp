#include "ros2/NodeAnnouncement.h"

#include <algorithm>
#include <cstring>

#include "DiscoveryInfo.h"
#include "ros2/ScanTopic.h"

namespace {

// The user data ROS 2's middleware gives every participant: the security enclave, the root one.
constexpr const char* ENCLAVE_USER_DATA = "enclave=/;";
constexpr const char* DISCOVERY_TOPIC = "ros_discovery_info";
constexpr const char* ROOT_NAMESPACE = "/";

bool GidOf(dds_entity_t entity, rmw_dds_common_msg_dds__Gid_& gid)
{
    dds_guid_t guid;
    static_assert(sizeof guid.v == sizeof gid.data, "a GID is a DDS GUID");
    if (dds_get_guid(entity, &guid) != DDS_RETCODE_OK)
        return false;
    std::memcpy(gid.data, guid.v, sizeof gid.data);
    return true;
}

template <size_t N>
void CopyName(char (&to)[N], const std::string& from)
{
    const size_t length = std::min(from.size(), N - 1);
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
}

dds_qos_t* DiscoveryQos()
{
    dds_qos_t* qos = dds_create_qos();
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(1));
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, 1);
    dds_qset_durability(qos, DDS_DURABILITY_TRANSIENT_LOCAL);
    const dds_data_representation_id_t plainCdr = DDS_DATA_REPRESENTATION_XCDR1;
    dds_qset_data_representation(qos, 1, &plainCdr);
    return qos;
}

}  // namespace

dds_qos_t* NodeParticipantQos()
{
    dds_qos_t* qos = dds_create_qos();
    dds_qset_userdata(qos, ENCLAVE_USER_DATA, std::strlen(ENCLAVE_USER_DATA));
    return qos;
}

bool AnnounceNode(dds_entity_t participant, const std::string& nodeName, dds_entity_t endpoint, EndpointKind kind,
                  std::string& reason)
{
    const dds_entity_t topic = dds_create_topic(participant, &rmw_dds_common_msg_dds__ParticipantEntitiesInfo__desc,
                                                DISCOVERY_TOPIC, nullptr, nullptr);
    if (topic < 0) {
        reason = DdsFailure(std::string("cannot make the topic ") + DISCOVERY_TOPIC, topic);
        return false;
    }
    dds_qos_t* qos = DiscoveryQos();
    const dds_entity_t writer = dds_create_writer(participant, topic, qos, nullptr);
    dds_delete_qos(qos);
    if (writer < 0) {
        reason = DdsFailure(std::string("cannot make a writer for ") + DISCOVERY_TOPIC, writer);
        return false;
    }
    rmw_dds_common_msg_dds__Gid_ endpointGid{};
    rmw_dds_common_msg_dds__NodeEntitiesInfo_ node{};
    CopyName(node.node_namespace, ROOT_NAMESPACE);
    CopyName(node.node_name, nodeName);
    auto& owned = kind == EndpointKind::Writer ? node.writer_gid_seq : node.reader_gid_seq;
    owned = {1, 1, &endpointGid, false};
    rmw_dds_common_msg_dds__ParticipantEntitiesInfo_ info{};
    info.node_entities_info_seq = {1, 1, &node, false};
    if (!GidOf(participant, info.gid) || !GidOf(endpoint, endpointGid)) {
        reason = "cannot read the DDS GUIDs of the participant and its endpoint";
        return false;
    }
    const dds_return_t written = dds_write(writer, &info);
    if (written != DDS_RETCODE_OK) {
        reason = DdsFailure(std::string("cannot write to ") + DISCOVERY_TOPIC, written);
        return false;
    }
    return true;
}
