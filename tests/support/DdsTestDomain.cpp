#include "tests/support/DdsTestDomain.h"

#include <cstdlib>
#include <random>
#include <string>

namespace {

// Unicast discovery on the loopback interface: nothing leaves the machine, and no multicast
// is needed where a build machine has none.
constexpr const char* LOOPBACK_CONFIG =
    "<CycloneDDS><Domain Id=\"any\"><General><Interfaces><NetworkInterface name=\"lo\"/></Interfaces>"
    "<AllowMulticast>false</AllowMulticast></General><Discovery><ParticipantIndex>auto</ParticipantIndex>"
    "<Peers><Peer Address=\"127.0.0.1\"/></Peers></Discovery></Domain></CycloneDDS>";

// Away from 0, which ROS 2 nodes on this machine would use.
constexpr uint32_t FIRST_TEST_DOMAIN = 100;
constexpr uint32_t LAST_TEST_DOMAIN = 232;

uint32_t PickDomain()
{
    std::random_device entropy;
    const uint32_t domain = std::uniform_int_distribution<uint32_t>(FIRST_TEST_DOMAIN, LAST_TEST_DOMAIN)(entropy);
    setenv("CYCLONEDDS_URI", LOOPBACK_CONFIG, 1);
    setenv("ROS_DOMAIN_ID", std::to_string(domain).c_str(), 1);
    return domain;
}

}  // namespace

uint32_t UseTestDomain()
{
    static const uint32_t domain = PickDomain();
    return domain;
}
