// Plotwell in the ROS 2 graph, read back as `ros2 node list` and `ros2 topic info -v` read it
// over Cyclone DDS: a participant whose user data names the enclave, and on ros_discovery_info,
// read by another program started later (as the tools are), that participant's node, owning the
// scan topic's writer or reader.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>

#include "protocols/DeviceModel.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/ScanSubscriber.h"
#include "tests/support/DdsTestDomain.h"

namespace {

constexpr auto PATIENCE = std::chrono::seconds(10);

std::string Hex(const dds_guid_t& guid)
{
    std::string text;
    char pair[3];
    for (unsigned char byte : guid.v) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

// The first sample of a built-in topic that `accept` takes, read on a participant of the test's own.
template <typename Sample, typename Accept>
bool FindInGraph(uint32_t domain, dds_entity_t builtinTopic, Accept accept)
{
    const dds_entity_t participant = dds_create_participant(domain, nullptr, nullptr);
    const dds_entity_t reader = dds_create_reader(participant, builtinTopic, nullptr, nullptr);
    bool found = false;
    for (const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
         !found && reader > 0 && std::chrono::steady_clock::now() < deadline;) {
        void* samples[16] = {};
        dds_sample_info_t infos[16];
        const dds_return_t n = dds_read(reader, samples, infos, 16, 16);
        for (dds_return_t i = 0; i < n; ++i)
            found = found || (infos[i].valid_data && accept(*static_cast<const Sample*>(samples[i])));
        if (n > 0)
            dds_return_loan(reader, samples, n);
        if (!found)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    dds_delete(participant);
    return found;
}

// The GUID of the participant that carries ROS 2's user data.
std::string RosParticipant(uint32_t domain)
{
    std::string guid;
    FindInGraph<dds_builtintopic_participant_t>(domain, DDS_BUILTIN_TOPIC_DCPSPARTICIPANT,
                                                [&](const dds_builtintopic_participant_t& p) {
                                                    void* data = nullptr;
                                                    size_t size = 0;
                                                    const bool ros = dds_qget_userdata(p.qos, &data, &size) &&
                                                                     std::string(static_cast<char*>(data), size) == "enclave=/;";
                                                    dds_free(data);
                                                    if (ros)
                                                        guid = Hex(p.key);
                                                    return ros;
                                                });
    return guid;
}

// The GUID of the writer (publication) or reader of a DDS topic.
std::string Endpoint(uint32_t domain, dds_entity_t builtinTopic, const std::string& ddsTopic)
{
    std::string guid;
    FindInGraph<dds_builtintopic_endpoint_t>(domain, builtinTopic, [&](const dds_builtintopic_endpoint_t& e) {
        if (ddsTopic != e.topic_name)
            return false;
        guid = Hex(e.key);
        return true;
    });
    return guid;
}

// What the peer program (tests/ros2/peer/PeerGraph.cpp) read from ros_discovery_info.
std::string AnnouncedNode(uint32_t domain)
{
    FILE* output = popen((std::string(PEER_GRAPH) + " " + std::to_string(domain)).c_str(), "r");
    std::string line;
    for (int c; output != nullptr && (c = std::fgetc(output)) != EOF && c != '\n';)
        line += static_cast<char>(c);
    if (output != nullptr)
        pclose(output);
    return line;
}

TEST(NodeAnnouncement, PublisherAndSubscriberAreNodesOwningTheirTopic)
{
    const uint32_t domain = UseTestDomain();
    for (const bool publishing : {true, false}) {
        SCOPED_TRACE(publishing ? "publisher" : "subscriber");
        RevolutionPublisher publisher;
        ScanSubscriber subscriber;
        std::string reason;
        PublishSettings settings{domain, "/plotwell_test/graph", "laser", ModelScanShape(g_ModelTR20_A)};
        settings.nodeName = "lidar_front";
        if (publishing)
            ASSERT_TRUE(publisher.Open(settings, reason)) << reason;
        else
            ASSERT_TRUE(subscriber.Open(domain, "/plotwell_test/graph", [](const LaserScan&) {}, reason)) << reason;

        const std::string participant = RosParticipant(domain);
        const std::string endpoint = Endpoint(
            domain, publishing ? DDS_BUILTIN_TOPIC_DCPSPUBLICATION : DDS_BUILTIN_TOPIC_DCPSSUBSCRIPTION, "rt/plotwell_test/graph");
        ASSERT_FALSE(participant.empty());
        ASSERT_FALSE(endpoint.empty());
        std::ostringstream expected;
        expected << participant << " / " << (publishing ? "lidar_front " : "plotwell ")
                 << (publishing ? "- " + endpoint : endpoint + " -");
        EXPECT_EQ(AnnouncedNode(domain), expected.str());
    }
}

}  // namespace
