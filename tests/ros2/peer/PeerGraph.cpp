// A plain DDS program, not ours, that reads the ROS 2 graph the way `ros2 node list` does over
// Cyclone DDS: ros_discovery_info, with its own build of the type, joined late (transient-local).
//   plotwell_peer_graph DOMAIN   prints, for the first announcement that names a node,
//                                "PARTICIPANT NAMESPACE NAME READERS WRITERS" (GUIDs in hex,
//                                each list comma-separated or "-")
#include <dds/dds.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "PeerDiscoveryInfo.h"

namespace {

std::string Hex(const rmw_dds_common_msg_dds__Gid_& gid)
{
    std::string text;
    char pair[3];
    for (unsigned char byte : gid.data) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

template <typename GidSequence>
std::string List(const GidSequence& gids)
{
    std::string text;
    for (uint32_t i = 0; i < gids._length; ++i)
        text += (i > 0 ? "," : "") + Hex(gids._buffer[i]);
    return text.empty() ? "-" : text;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const dds_entity_t participant = dds_create_participant(static_cast<dds_domainid_t>(std::atoi(argv[1])), nullptr, nullptr);
    const dds_entity_t topic = dds_create_topic(participant, &rmw_dds_common_msg_dds__ParticipantEntitiesInfo__desc,
                                                "ros_discovery_info", nullptr, nullptr);
    dds_qos_t* qos = dds_create_qos();
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(1));
    dds_qset_durability(qos, DDS_DURABILITY_TRANSIENT_LOCAL);
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, 1);
    const dds_entity_t reader = dds_create_reader(participant, topic, qos, nullptr);
    dds_delete_qos(qos);
    if (participant < 0 || topic < 0 || reader < 0)
        return 1;
    const dds_time_t deadline = dds_time() + DDS_SECS(10);
    while (dds_time() < deadline) {
        void* samples[1] = {nullptr};
        dds_sample_info_t info;
        if (dds_take(reader, samples, &info, 1, 1) != 1) {
            dds_sleepfor(DDS_MSECS(5));
            continue;
        }
        const auto* entities = static_cast<const rmw_dds_common_msg_dds__ParticipantEntitiesInfo_*>(samples[0]);
        const bool named = info.valid_data && entities->node_entities_info_seq._length > 0;
        if (named) {
            const auto& node = entities->node_entities_info_seq._buffer[0];
            std::printf("%s %s %s %s %s\n", Hex(entities->gid).c_str(), node.node_namespace, node.node_name,
                        List(node.reader_gid_seq).c_str(), List(node.writer_gid_seq).c_str());
        }
        dds_return_loan(reader, samples, 1);
        if (named) {
            dds_delete(participant);
            return 0;
        }
    }
    dds_delete(participant);
    return 1;
}
