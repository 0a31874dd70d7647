#include "messages/RevolutionClock.h"

bool RevolutionClock::Complete(std::chrono::system_clock::time_point wall,
                               std::chrono::steady_clock::time_point steady, RevolutionTime& time)
{
    const bool measured = m_started;
    const std::chrono::steady_clock::duration interval = steady - m_previous;
    m_started = true;
    m_previous = steady;
    if (!measured)
        return false;
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(wall.time_since_epoch());
    time.firstSampleNanoseconds = (sinceEpoch - std::chrono::duration_cast<std::chrono::nanoseconds>(interval)).count();
    time.seconds = std::chrono::duration<double>(interval).count();
    return true;
}
