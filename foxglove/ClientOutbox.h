// One client's place in the server, between the threads that publish and the server's thread,
// which sends: its subscriptions, a bounded queue of message-data frames that loses its oldest
// frame when a new one finds it full, and its counters. Publishing copies into a frame buffer the
// queue already holds, so it allocates nothing once the buffers have grown to the messages' size;
// the lock is held for that copy or a swap, never while anything waits on the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct Subscription {
    uint32_t channel = 0;
    uint32_t id = 0;  // chosen by the client
};

struct OutboxCounts {
    bool open = false;
    std::string address;   // the client's, while it is connected
    int64_t sent = 0;      // frames handed to its connection, since it connected
    int64_t dropped = 0;   // frames it lost to newer ones, since it connected
    int64_t totalSent = 0;     // over every client this outbox served
    int64_t totalDropped = 0;
};

class ClientOutbox {
public:
    explicit ClientOutbox(size_t capacity);

    // Server thread. A client takes the outbox; the generation tells its frames from those of
    // the client before it.
    uint64_t Open(std::string address);
    // The client left: its queue, subscriptions and buffers go.
    void Close();
    // The client's subscriptions now; queued frames of any other subscription are dropped (its
    // id may be taken again for another channel) without counting as losses.
    void SetSubscriptions(std::vector<Subscription> subscriptions);
    // Moves the oldest queued frame into `frame` (which should be empty) unless none is queued
    // or one is still being written: the connection has one frame at a time, so a slow client
    // backs up here, where its oldest frames can be dropped, and not in the connection.
    bool TakeNext(std::string& frame);
    // The connection is done with the frame taken last (written or not); its buffer comes back.
    void Returned(uint64_t generation, std::string& frame);

    // Any thread. Queues one message-data frame when the client subscribes to `channel`.
    bool Offer(uint32_t channel, uint64_t timestampNs, const uint8_t* payload, size_t size);
    OutboxCounts Counts() const;

private:
    struct Entry {
        std::string frame;
        uint32_t subscription = 0;
    };

    bool Subscribed(uint32_t subscription) const;

    mutable std::mutex m_mutex;  // guards everything below
    std::vector<Entry> m_queue;  // a ring of fixed size
    size_t m_head = 0;
    size_t m_count = 0;
    std::string m_spare;         // the buffer neither queued nor being written
    bool m_writing = false;
    bool m_open = false;
    uint64_t m_generation = 0;
    std::vector<Subscription> m_subscriptions;
    std::string m_address;
    int64_t m_sent = 0;
    int64_t m_dropped = 0;
    int64_t m_totalSent = 0;
    int64_t m_totalDropped = 0;
};
