// ROS 2 publishing as an output of the stage, on a thread of its own: every completed revolution
// goes out as a LaserScan, timed by when it was completed on the receive thread.
#pragma once

#include <cstdint>
#include <functional>

#include "run/RevolutionOutput.h"

class RevolutionPublisher;

class PublisherOutput : public RevolutionOutput {
public:
    // `limit`: no more than this many scans are sent (0: no limit); `limitReached` is called once,
    // on the output's thread, when the last of them has gone out.
    explicit PublisherOutput(RevolutionPublisher& publisher, int64_t limit = 0,
                             std::function<void()> limitReached = {});

    void Take(const RevolutionValue& revolution) override;

private:
    RevolutionPublisher& m_publisher;
    int64_t m_limit;
    std::function<void()> m_limitReached;
};
