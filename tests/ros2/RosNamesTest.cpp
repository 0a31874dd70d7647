#include <gtest/gtest.h>

#include <cstdlib>

#include "ros2/RosNames.h"

namespace {

TEST(RosNames, TopicNamesAsDdsSeesThem)
{
    const struct {
        const char* ros;
        const char* dds;  // null: refused
    } cases[] = {
        {"/scan", "rt/scan"},
        {"scan", "rt/scan"},
        {"/robot1/front_laser/scan", "rt/robot1/front_laser/scan"},
        {"/scan_2", "rt/scan_2"},
        {"", nullptr},
        {"/", nullptr},
        {"~/scan", nullptr},
        {"/scan/", nullptr},
        {"//scan", nullptr},
        {"/robot//scan", nullptr},
        {"/2scan", nullptr},
        {"/robot/9", nullptr},
        {"/scan topic", nullptr},
        {"/scan-1", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ros);
        std::string dds = "unchanged";
        std::string reason;
        const bool accepted = DdsTopicName(c.ros, dds, reason);
        EXPECT_EQ(accepted, c.dds != nullptr);
        if (c.dds != nullptr)
            EXPECT_EQ(dds, c.dds);
        else
            EXPECT_NE(reason.find(std::string("'") + c.ros + "'"), std::string::npos) << reason;
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
