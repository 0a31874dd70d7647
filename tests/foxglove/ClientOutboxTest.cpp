#include <gtest/gtest.h>

#include <string>

#include "foxglove/ClientOutbox.h"
#include "foxglove/ServerMessages.h"

namespace {

// The payload of a frame the outbox made (a one-byte marker here).
char Marker(const std::string& frame)
{
    return frame.size() > MESSAGE_DATA_HEADER_SIZE ? frame[MESSAGE_DATA_HEADER_SIZE] : '\0';
}

bool Offer(ClientOutbox& outbox, uint32_t channel, char marker)
{
    return outbox.Offer(channel, 0, reinterpret_cast<const uint8_t*>(&marker), 1);
}

TEST(ClientOutbox, KeepsTheNewestFramesInOrderOneBeingWrittenAtATime)
{
    ClientOutbox outbox(3);
    EXPECT_FALSE(Offer(outbox, 1, 'a'));  // nobody there yet
    const uint64_t generation = outbox.Open("127.0.0.1:1");
    outbox.SetSubscriptions({{1, 10}, {2, 20}});
    EXPECT_FALSE(Offer(outbox, 3, 'x'));  // not subscribed
    for (const char marker : {'a', 'b', 'c', 'd', 'e'})
        EXPECT_TRUE(Offer(outbox, marker == 'c' ? 2 : 1, marker));
    EXPECT_EQ(outbox.Counts().dropped, 2);

    std::string frame;
    ASSERT_TRUE(outbox.TakeNext(frame));
    EXPECT_EQ(Marker(frame), 'c');
    std::string second;
    EXPECT_FALSE(outbox.TakeNext(second));  // 'c' is still being written

    // A subscription that ends takes its queued frames along, without counting them lost.
    outbox.SetSubscriptions({{2, 20}});
    EXPECT_TRUE(Offer(outbox, 2, 'f'));
    outbox.Returned(generation + 1, frame);  // of another client: changes nothing
    EXPECT_FALSE(outbox.TakeNext(second));
    outbox.Returned(generation, frame);
    ASSERT_TRUE(outbox.TakeNext(second));
    EXPECT_EQ(Marker(second), 'f');
    EXPECT_EQ(outbox.Counts().sent, 2);
    EXPECT_EQ(outbox.Counts().dropped, 2);

    // The next client starts afresh; the totals go on.
    outbox.Close();
    outbox.Open("127.0.0.1:2");
    const OutboxCounts counts = outbox.Counts();
    EXPECT_EQ(counts.address, "127.0.0.1:2");
    EXPECT_EQ(counts.sent, 0);
    EXPECT_EQ(counts.dropped, 0);
    EXPECT_EQ(counts.totalSent, 2);
    EXPECT_EQ(counts.totalDropped, 2);
    EXPECT_FALSE(outbox.TakeNext(second));
    EXPECT_FALSE(Offer(outbox, 2, 'g'));  // subscriptions went with the client
}

}  // namespace
