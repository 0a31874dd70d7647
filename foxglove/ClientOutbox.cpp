#include "foxglove/ClientOutbox.h"

#include <algorithm>
#include <utility>

#include "foxglove/ServerMessages.h"

ClientOutbox::ClientOutbox(size_t capacity) : m_queue(std::max<size_t>(capacity, 1)) {}

uint64_t ClientOutbox::Open(std::string address)
{
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_address = std::move(address);
    m_sent = 0;
    m_dropped = 0;
    return ++m_generation;
}

void ClientOutbox::Close()
{
    // The buffers grew to the size of the client's messages; a server that clients leave gives
    // that memory back, after the lock, so that no publisher waits for it.
    std::vector<Entry> emptied(m_queue.size());
    std::string spare;
    std::lock_guard lock(m_mutex);
    m_open = false;
    ++m_generation;
    m_writing = false;
    m_subscriptions.clear();
    m_address.clear();
    m_head = 0;
    m_count = 0;
    m_queue.swap(emptied);
    m_spare.swap(spare);
}

void ClientOutbox::SetSubscriptions(std::vector<Subscription> subscriptions)
{
    std::lock_guard lock(m_mutex);
    m_subscriptions = std::move(subscriptions);
    // Keep the frames of live subscriptions, in their order; swapping keeps the buffers.
    size_t kept = 0;
    for (size_t k = 0; k < m_count; ++k) {
        Entry& entry = m_queue[(m_head + k) % m_queue.size()];
        if (!Subscribed(entry.subscription))
            continue;
        if (kept != k)
            std::swap(m_queue[(m_head + kept) % m_queue.size()], entry);
        ++kept;
    }
    m_count = kept;
}

bool ClientOutbox::TakeNext(std::string& frame)
{
    std::lock_guard lock(m_mutex);
    if (!m_open || m_writing || m_count == 0)
        return false;
    Entry& oldest = m_queue[m_head];
    frame.swap(oldest.frame);
    oldest.frame.swap(m_spare);
    m_head = (m_head + 1) % m_queue.size();
    --m_count;
    m_writing = true;
    ++m_sent;
    ++m_totalSent;
    return true;
}

void ClientOutbox::Returned(uint64_t generation, std::string& frame)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation)
        return;
    m_spare.swap(frame);
    m_writing = false;
}

bool ClientOutbox::Offer(uint32_t channel, uint64_t timestampNs, const uint8_t* payload, size_t size)
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return false;
    const auto subscription = std::find_if(m_subscriptions.begin(), m_subscriptions.end(),
                                           [channel](const Subscription& s) { return s.channel == channel; });
    if (subscription == m_subscriptions.end())
        return false;
    const size_t tail = (m_head + m_count) % m_queue.size();
    if (m_count == m_queue.size()) {
        m_head = (m_head + 1) % m_queue.size();  // the oldest frame makes room
        ++m_dropped;
        ++m_totalDropped;
    } else {
        ++m_count;
    }
    Entry& entry = m_queue[tail];
    uint8_t header[MESSAGE_DATA_HEADER_SIZE];
    WriteMessageDataHeader(header, subscription->id, timestampNs);
    entry.frame.assign(reinterpret_cast<const char*>(header), sizeof header);
    if (size > 0)
        entry.frame.append(reinterpret_cast<const char*>(payload), size);
    entry.subscription = subscription->id;
    return true;
}

OutboxCounts ClientOutbox::Counts() const
{
    std::lock_guard lock(m_mutex);
    return {m_open, m_address, m_sent, m_dropped, m_totalSent, m_totalDropped};
}

bool ClientOutbox::Subscribed(uint32_t subscription) const
{
    return std::any_of(m_subscriptions.begin(), m_subscriptions.end(),
                       [subscription](const Subscription& s) { return s.id == subscription; });
}
