// Plotwell as a node of the ROS 2 graph, announced as ROS 2's middleware over Cyclone DDS
// announces its nodes: the participant carries "enclave=/;" as its user data, and the topic
// ros_discovery_info (reliable, transient-local, keep last 1, so that tools started later read
// it too) says which node the participant holds and which of its readers and writers belong to
// that node. Deleting the participant takes the node out of the graph.
#pragma once

#include <dds/dds.h>

#include <string>

// The participant's QoS: ROS 2's user data ("enclave=/;"). The caller deletes it.
dds_qos_t* NodeParticipantQos();

enum class EndpointKind { Reader, Writer };

// Announces the node `nodeName` (in the root namespace) of `participant`, owning `endpoint`, a
// reader or a writer made on that participant. False, with `reason` set, when DDS refused.
[[nodiscard]] bool AnnounceNode(dds_entity_t participant, const std::string& nodeName, dds_entity_t endpoint,
                                EndpointKind kind, std::string& reason);
