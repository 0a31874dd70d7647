#include "recording/McapScanPlayer.h"

#include <algorithm>
#include <system_error>

#include "messages/LaserScanCdr.h"
#include "messages/LaserScanDefinition.h"

namespace {

// A pause in the recording longer than this is shortened to it, and so is the turn from the
// last scan back to the first: a bag recorded in bursts still plays on.
constexpr std::chrono::nanoseconds LONGEST_PAUSE = std::chrono::seconds(1);
constexpr std::chrono::nanoseconds BETWEEN_PASSES = std::chrono::milliseconds(100);

bool IsLaserScanChannel(const McapReader& reader, const McapChannel& channel)
{
    const auto schema = reader.Schemas().find(channel.schemaId);
    return channel.messageEncoding == "cdr" && schema != reader.Schemas().end() &&
           schema->second.name == LASER_SCAN_SCHEMA_NAME;
}

}  // namespace

std::vector<std::string> LaserScanTopics(const McapReader& reader)
{
    std::vector<std::string> topics;
    for (const auto& [id, channel] : reader.Channels()) {
        if (IsLaserScanChannel(reader, channel) &&
            std::find(topics.begin(), topics.end(), channel.topic) == topics.end())
            topics.push_back(channel.topic);
    }
    return topics;
}

McapScanPlayer::~McapScanPlayer()
{
    Close();
}

bool McapScanPlayer::Open(const std::string& path, std::string& reason)
{
    if (!m_reader.Open(path)) {
        reason = m_reader.Error();
        return false;
    }
    m_topics = LaserScanTopics(m_reader);
    if (m_topics.empty()) {
        reason = "the recording has no channel of " + std::string(LASER_SCAN_SCHEMA_NAME) + " (cdr)";
        return false;
    }
    return true;
}

bool McapScanPlayer::Play(const std::string& topic, ScanCallback callback, std::string& reason)
{
    uint16_t channel = 0;
    for (const auto& [id, each] : m_reader.Channels()) {
        if (channel == 0 && each.topic == topic && IsLaserScanChannel(m_reader, each))
            channel = id;
    }
    if (channel == 0) {
        reason = "the recording has no LaserScan channel " + topic;
        return false;
    }
    m_callback = std::move(callback);
    try {
        m_thread = std::thread([this, channel] { Run(channel); });
    } catch (const std::system_error& error) {
        reason = error.what();
        return false;
    }
    return true;
}

void McapScanPlayer::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool McapScanPlayer::WaitUntil(std::chrono::steady_clock::time_point due)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, due, [this] { return m_stop; });
}

void McapScanPlayer::Run(uint16_t channel)
{
    LaserScan scan;  // reused, so that its vectors keep their capacity from pass to pass
    while (PlayPass(channel, scan)) {
    }
}

// One pass through the channel; false once stopped, or when it holds no scan to play again.
bool McapScanPlayer::PlayPass(uint16_t channel, LaserScan& scan)
{
    const uint16_t channels[] = {channel};
    McapMessageStream stream = m_reader.Messages(channels);
    McapMessage message;
    std::string reason;
    bool first = true;
    bool played = false;
    uint64_t previous = 0;
    auto due = std::chrono::steady_clock::now();
    while (stream.Next(message)) {
        if (!first) {
            const auto pause = std::chrono::nanoseconds(message.logTime > previous ? message.logTime - previous : 0);
            // A window that drew slower than the scans came does not make up for it later.
            due = std::max(due + std::min(pause, LONGEST_PAUSE), std::chrono::steady_clock::now() - LONGEST_PAUSE);
        }
        first = false;
        previous = message.logTime;
        if (!WaitUntil(due))
            return false;
        if (!DecodeLaserScanCdr(message.data.data(), message.data.size(), scan, reason)) {
            m_undecodable.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        played = true;
        m_callback(scan);
    }
    if (!played) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stop; });
        return false;
    }
    return WaitUntil(std::chrono::steady_clock::now() + BETWEEN_PASSES);
}
