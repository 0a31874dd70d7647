#include "ros2/RosNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

namespace {

// ROS 2's prefix for the DDS topics that carry plain topics (services and actions use others).
constexpr const char* TOPIC_PREFIX = "rt";

// A name as the operator's messages quote it: a name of thousands of characters would bury the
// reason, so only its start is shown.
std::string Quoted(const std::string& name)
{
    constexpr size_t SHOWN = 40;
    if (name.size() <= SHOWN)
        return "'" + name + "'";
    return "'" + name.substr(0, SHOWN) + "...' (" + std::to_string(name.size()) + " characters)";
}

bool IsNameCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '/';
}

// `absolute` starts with '/'; every token after a '/' must be non-empty and not start with a digit.
bool CheckTokens(const std::string& absolute, std::string& reason)
{
    for (size_t slash = 0; slash != std::string::npos; slash = absolute.find('/', slash + 1)) {
        const size_t start = slash + 1;
        if (start == absolute.size() || absolute[start] == '/') {
            reason = "has an empty part between slashes or ends with '/'";
            return false;
        }
        if (std::isdigit(static_cast<unsigned char>(absolute[start])) != 0) {
            reason = "has a part that starts with a digit";
            return false;
        }
    }
    return true;
}

}  // namespace

bool DdsTopicName(const std::string& rosTopic, std::string& ddsTopic, std::string& reason)
{
    if (rosTopic.empty() || rosTopic == "/") {
        reason = Quoted(rosTopic) + " is not a topic name";
        return false;
    }
    if (rosTopic[0] == '~') {
        reason = Quoted(rosTopic) + " is a private name, which needs a node; give the full name";
        return false;
    }
    for (char c : rosTopic) {
        if (!IsNameCharacter(c)) {
            reason = Quoted(rosTopic) + " may only hold letters, digits, '_' and '/'";
            return false;
        }
    }
    const std::string absolute = rosTopic[0] == '/' ? rosTopic : "/" + rosTopic;
    if (absolute.size() > MAX_TOPIC_NAME_LENGTH) {
        reason = Quoted(rosTopic) + " is longer than the " + std::to_string(MAX_TOPIC_NAME_LENGTH) +
                 " characters ROS 2 allows for a topic name";
        return false;
    }
    std::string why;
    if (!CheckTokens(absolute, why)) {
        reason = Quoted(rosTopic) + " " + why;
        return false;
    }
    ddsTopic = TOPIC_PREFIX + absolute;
    return true;
}

bool CheckNodeName(const std::string& name, std::string& reason)
{
    if (name.empty() || name.size() > MAX_NODE_NAME_LENGTH) {
        reason = Quoted(name) + " is not a node name of 1 to " + std::to_string(MAX_NODE_NAME_LENGTH) + " characters";
        return false;
    }
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    });
    if (!plain || std::isdigit(static_cast<unsigned char>(name[0])) != 0) {
        reason = Quoted(name) + " may only hold letters, digits and '_', and may not start with a digit";
        return false;
    }
    return true;
}

bool ParseDomainId(const std::string& text, uint32_t& domain, std::string& reason)
{
    uint32_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || parsed > MAX_DOMAIN_ID) {
        reason = "'" + text + "' is not a domain id from 0 to " + std::to_string(MAX_DOMAIN_ID);
        return false;
    }
    domain = parsed;
    return true;
}

bool DomainFromEnvironment(uint32_t& domain, std::string& reason)
{
    const char* value = std::getenv("ROS_DOMAIN_ID");
    if (value == nullptr || *value == '\0') {
        domain = 0;
        return true;
    }
    if (ParseDomainId(value, domain, reason))
        return true;
    reason = "ROS_DOMAIN_ID " + reason;
    return false;
}
