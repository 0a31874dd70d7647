// DDS for tests: loopback only, and a domain of its own per test program run, so that runs on
// the same machine at the same time never see each other's scans.
#pragma once

#include <cstdint>

// Sets CYCLONEDDS_URI to a loopback configuration and ROS_DOMAIN_ID to a random domain, both for
// this process and the programs it starts, and returns that domain. The same domain for every
// call within one process.
uint32_t UseTestDomain();
