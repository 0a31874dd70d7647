#include <gtest/gtest.h>

#include <cstdlib>

#include "ros2/RosNames.h"

namespace {

TEST(RosNames, TopicNamesAsDdsSeesThem)
{
    const std::string longest(MAX_TOPIC_NAME_LENGTH - 1, 'a');  // with its '/', as long as rmw allows
    const struct {
        std::string ros;
        std::string dds;  // empty: refused
    } cases[] = {
        {"/scan", "rt/scan"},
        {"scan", "rt/scan"},
        {"/robot1/front_laser/scan", "rt/robot1/front_laser/scan"},
        {"/scan_2", "rt/scan_2"},
        {"", ""},
        {"/", ""},
        {"~/scan", ""},
        {"/scan/", ""},
        {"//scan", ""},
        {"/robot//scan", ""},
        {"/2scan", ""},
        {"/robot/9", ""},
        {"/scan topic", ""},
        {"/scan-1", ""},
        {"/" + longest, "rt/" + longest},
        {longest, "rt/" + longest},
        {"/" + longest + "a", ""},
        {longest + "a", ""},
        {"/" + std::string(66000, 'a'), ""},  // once a crash inside DDS
        {"/" + std::string(66000, '-'), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ros.substr(0, 50));
        std::string dds = "unchanged";
        std::string reason;
        const bool accepted = DdsTopicName(c.ros, dds, reason);
        EXPECT_EQ(accepted, !c.dds.empty());
        if (!c.dds.empty())
            EXPECT_EQ(dds, c.dds);
        else
            EXPECT_NE(reason.find("'" + c.ros.substr(0, 40)), std::string::npos) << reason;
        EXPECT_LT(reason.size(), 200u);
    }
}

TEST(RosNames, DomainFromTheOptionOrTheEnvironment)
{
    const struct {
        const char* text;  // null: ROS_DOMAIN_ID unset
        bool accepted;
        uint32_t domain;
    } cases[] = {
        {nullptr, true, 0}, {"", true, 0},       {"0", true, 0},        {"42", true, 42},
        {"232", true, 232}, {"233", false, 0},   {"-1", false, 0},      {"7x", false, 0},
        {" 7", false, 0},   {"99999999999", false, 0},
    };
    const char* saved = std::getenv("ROS_DOMAIN_ID");
    const std::string restore = saved != nullptr ? saved : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text != nullptr ? c.text : "(unset)");
        if (c.text != nullptr)
            setenv("ROS_DOMAIN_ID", c.text, 1);
        else
            unsetenv("ROS_DOMAIN_ID");
        uint32_t domain = 77;
        std::string reason;
        EXPECT_EQ(DomainFromEnvironment(domain, reason), c.accepted);
        if (c.accepted)
            EXPECT_EQ(domain, c.domain);
        else
            EXPECT_NE(reason.find("ROS_DOMAIN_ID"), std::string::npos) << reason;
        if (c.text != nullptr && *c.text != '\0') {
            domain = 77;
            EXPECT_EQ(ParseDomainId(c.text, domain, reason), c.accepted);
            EXPECT_EQ(domain, c.accepted ? c.domain : 77u);
        }
    }
    if (saved != nullptr)
        setenv("ROS_DOMAIN_ID", restore.c_str(), 1);
    else
        unsetenv("ROS_DOMAIN_ID");
}

}  // namespace
