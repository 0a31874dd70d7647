// A plain DDS program, not ours, that reads LaserScans the way a ROS 2 node's middleware does:
// its own build of the type (PeerLaserScan.idl, with type information), a reliable reader, and
// the serialized bytes of each sample as received. The loopback test runs it as a separate
// process, so the scans cross the network stack and discovery between two programs.
//   plotwell_peer_reader DOMAIN DDS_TOPIC COUNT   prints COUNT lines of hexadecimal bytes
#include <dds/dds.h>
#include <dds/ddsi/ddsi_serdata.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "PeerLaserScan.h"

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const dds_entity_t participant = dds_create_participant(static_cast<dds_domainid_t>(std::atoi(argv[1])), nullptr, nullptr);
    const dds_entity_t topic =
        dds_create_topic(participant, &sensor_msgs_msg_dds__LaserScan__desc, argv[2], nullptr, nullptr);
    dds_qos_t* qos = dds_create_qos();
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(1));
    dds_qset_history(qos, DDS_HISTORY_KEEP_ALL, 0);
    const dds_entity_t reader = dds_create_reader(participant, topic, qos, nullptr);
    dds_delete_qos(qos);
    if (participant < 0 || topic < 0 || reader < 0)
        return 1;
    int wanted = std::atoi(argv[3]);
    const dds_time_t deadline = dds_time() + DDS_SECS(10);
    std::vector<unsigned char> bytes;
    while (wanted > 0 && dds_time() < deadline) {
        ddsi_serdata* data = nullptr;
        dds_sample_info_t info;
        if (dds_takecdr(reader, &data, 1, &info, DDS_ANY_STATE) != 1) {
            dds_sleepfor(DDS_MSECS(2));
            continue;
        }
        bytes.resize(ddsi_serdata_size(data));
        ddsi_serdata_to_ser(data, 0, bytes.size(), bytes.data());
        ddsi_serdata_unref(data);
        if (!info.valid_data)
            continue;
        for (unsigned char byte : bytes)
            std::printf("%02x", byte);
        std::printf("\n");
        std::fflush(stdout);
        --wanted;
    }
    dds_delete(participant);
    return wanted == 0 ? 0 : 1;
}
