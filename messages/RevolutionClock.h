// When a revolution happened, for a LaserScan's stamp and timing: the time between two completed
// revolutions measures the later one, and its first sample lies that long before its completion.
#pragma once

#include <chrono>
#include <cstdint>

struct RevolutionTime {
    int64_t firstSampleNanoseconds;  // wall clock, since the epoch
    double seconds;                  // measured revolution time
};

class RevolutionClock {
public:
    // A revolution completed at `wall` (the time a ROS 2 node reads) and `steady` (for the
    // interval, immune to clock steps). False for the first revolution after a start or a
    // Restart: nothing measured its time, and a stream joined mid-turn makes it partial.
    bool Complete(std::chrono::system_clock::time_point wall, std::chrono::steady_clock::time_point steady,
                  RevolutionTime& time);
    // The next revolution is a first one again (a new run, a pause in the stream).
    void Restart() { m_started = false; }

private:
    bool m_started = false;
    std::chrono::steady_clock::time_point m_previous;
};
