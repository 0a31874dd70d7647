// How ROS 2 names reach DDS: a topic "/scan" is the DDS topic "rt/scan", and the domain comes
// from ROS_DOMAIN_ID unless the operator gives one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The largest domain id whose ports still fit the default port mapping.
constexpr uint32_t MAX_DOMAIN_ID = 232;

// The longest fully qualified topic name ROS 2's middleware accepts (rmw's 255, less 8 kept for
// the prefixes such as "rt").
constexpr size_t MAX_TOPIC_NAME_LENGTH = 247;

// The name Plotwell's node takes in the ROS 2 graph unless the operator gives one.
constexpr const char* DEFAULT_NODE_NAME = "plotwell";
// The longest node name ROS 2's middleware accepts.
constexpr size_t MAX_NODE_NAME_LENGTH = 255;

// The DDS topic of a ROS 2 topic name. A relative name ("scan") is taken from the root
// namespace, as a node without a namespace would resolve it. False, with `reason` set, for a
// name ROS 2 would refuse (empty, private "~", characters other than letters, digits, '_' and
// '/', an empty or digit-led token, a trailing '/', longer than MAX_TOPIC_NAME_LENGTH once
// made absolute); the reason quotes a long name only in part.
bool DdsTopicName(const std::string& rosTopic, std::string& ddsTopic, std::string& reason);

// False, with `reason` set, for a node name ROS 2 would refuse: empty, longer than
// MAX_NODE_NAME_LENGTH, characters other than letters, digits and '_', or a digit first.
bool CheckNodeName(const std::string& name, std::string& reason);

// A domain id given as text, 0..MAX_DOMAIN_ID.
bool ParseDomainId(const std::string& text, uint32_t& domain, std::string& reason);

// The domain ROS 2 nodes of this environment use: ROS_DOMAIN_ID, 0 when unset or empty.
bool DomainFromEnvironment(uint32_t& domain, std::string& reason);
