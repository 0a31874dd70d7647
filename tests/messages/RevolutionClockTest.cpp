#include <gtest/gtest.h>

#include <chrono>

#include "messages/RevolutionClock.h"

namespace {

// The time between two completions measures the later revolution, whose first sample lies that
// long before its completion; the first revolution of a run has no measured time.
TEST(RevolutionClock, MeasuresEachRevolutionFromThePreviousCompletion)
{
    using namespace std::chrono;
    const system_clock::time_point wall(seconds(1700000000));
    const steady_clock::time_point steady(seconds(5000));
    RevolutionClock clock;
    RevolutionTime time{-1, -1.0};

    EXPECT_FALSE(clock.Complete(wall, steady, time));
    EXPECT_EQ(time.firstSampleNanoseconds, -1);

    ASSERT_TRUE(clock.Complete(wall + milliseconds(143), steady + milliseconds(143), time));
    EXPECT_DOUBLE_EQ(time.seconds, 0.143);
    EXPECT_EQ(time.firstSampleNanoseconds, 1700000000000000000);

    // A wall clock stepped back meanwhile still gives the steady interval.
    ASSERT_TRUE(clock.Complete(wall - seconds(10), steady + milliseconds(293), time));
    EXPECT_DOUBLE_EQ(time.seconds, 0.150);
    EXPECT_EQ(time.firstSampleNanoseconds, 1699999989850000000);

    clock.Restart();
    EXPECT_FALSE(clock.Complete(wall, steady + seconds(60), time));
    EXPECT_TRUE(clock.Complete(wall, steady + seconds(60) + milliseconds(100), time));
    EXPECT_DOUBLE_EQ(time.seconds, 0.1);
}

}  // namespace
