// Redraws and the receive thread's rebuilding of g_PointList: one redraw, one revolution.
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "ViewFixture.h"

// The writer fills the list in two halves under the lock, pausing between them; a redraw asked
// for in the pause must wait and show only the new revolution.
TEST_F(ViewTest, RedrawNeverShowsTwoRevolutionsMixed)
{
    constexpr int COUNT = 360;
    std::vector<TestPoint> old;
    for (int i = 0; i < COUNT; ++i)
        old.push_back({static_cast<float>(i), 500});
    SetPoints(old);

    std::promise<void> halfWritten;
    std::thread writer([&] {
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        for (int i = 0; i < COUNT / 2; ++i)
            g_PointList.distance[i] = 900;
        halfWritten.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (int i = COUNT / 2; i < COUNT; ++i)
            g_PointList.distance[i] = 900;
    });
    ASSERT_EQ(halfWritten.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    view.SetRange(2, CImageCoord::Recentre, QPoint());
    writer.join();

    // At 0.5 m (100 px) nothing of the old revolution may remain, at 0.9 m (180 px) all is new.
    EXPECT_FALSE(ColourNear(view.Surface(), 200, 300, 2, CYAN));  // 270 degrees, second half
    EXPECT_FALSE(ColourNear(view.Surface(), 200, 100, 2, CYAN));
    EXPECT_TRUE(ColourNear(view.Surface(), 200, 380, 2, CYAN));
    EXPECT_TRUE(ColourNear(view.Surface(), 200, 20, 2, CYAN));
}
