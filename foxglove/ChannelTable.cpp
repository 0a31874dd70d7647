#include "foxglove/ChannelTable.h"

#include <algorithm>

uint32_t ChannelTable::Add(ChannelInfo info)
{
    std::lock_guard lock(m_mutex);
    const uint32_t id = m_nextId++;
    m_channels.push_back({id, std::move(info)});
    m_version.fetch_add(1, std::memory_order_release);
    return id;
}

bool ChannelTable::Remove(uint32_t id)
{
    std::lock_guard lock(m_mutex);
    const auto removed = std::remove_if(m_channels.begin(), m_channels.end(),
                                        [id](const Channel& channel) { return channel.id == id; });
    if (removed == m_channels.end())
        return false;
    m_channels.erase(removed, m_channels.end());
    m_version.fetch_add(1, std::memory_order_release);
    return true;
}

std::vector<Channel> ChannelTable::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_channels;
}
