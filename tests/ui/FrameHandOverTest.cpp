// The frame hand-over on its own: the receive side waits for the UI's redraw, and a stop
// releases it at once and voids what is still queued.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <future>

#include "DialogFixture.h"
#include "acquisition/SerialPort.h"
#include "ui/FrameHandOver.h"

namespace {
constexpr auto GENEROUS = std::chrono::seconds(5);

std::future<int> DeliverOnAnotherThread(FrameHandOver& handOver)
{
    return std::async(std::launch::async, [&handOver] { return FrameHandOver::Deliver(&handOver); });
}
}  // namespace

TEST(FrameHandOver, WaitsForTheRedrawAndAStopReleasesIt)
{
    CSerialPort port;
    int drawn = 0;
    FrameHandOver handOver(port.bStop, [&] { ++drawn; });

    // Delivered: the sender is released only by the redraw.
    std::future<int> delivery = DeliverOnAnotherThread(handOver);
    EXPECT_EQ(delivery.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    ASSERT_TRUE(WaitFor([&] { return drawn == 1; }));
    ASSERT_EQ(delivery.wait_for(GENEROUS), std::future_status::ready);

    // Stopped before the UI got to it: released at once; while stopped nothing is posted.
    delivery = DeliverOnAnotherThread(handOver);
    EXPECT_EQ(delivery.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    handOver.Stop();
    ASSERT_EQ(delivery.wait_for(GENEROUS), std::future_status::ready);
    ASSERT_EQ(DeliverOnAnotherThread(handOver).wait_for(GENEROUS), std::future_status::ready);

    // The next session (the port clears the flag when it starts its thread again) never draws
    // what the old one had queued, only its own frames.
    port.bStop.store(0);
    Settle(50);
    EXPECT_EQ(drawn, 1);
    delivery = DeliverOnAnotherThread(handOver);
    ASSERT_TRUE(WaitFor([&] { return drawn == 2; }));
    ASSERT_EQ(delivery.wait_for(GENEROUS), std::future_status::ready);
    Settle(50);
    EXPECT_EQ(drawn, 2);
}
