#include "recording/McapRawSource.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "recording/RawPacketsMessage.h"

uint16_t FindRawChannel(const McapReader& reader)
{
    for (const auto& [id, channel] : reader.Channels()) {
        const auto schema = reader.Schemas().find(channel.schemaId);
        if (channel.topic == RAW_PACKETS_TOPIC && channel.messageEncoding == "cdr" &&
            schema != reader.Schemas().end() && schema->second.name == RAW_PACKETS_TYPE)
            return id;
    }
    return 0;
}

bool McapRawSource::Open(const std::string& path, std::string& reason)
{
    if (!m_reader.Open(path)) {
        reason = m_reader.Error();
        return false;
    }
    const uint16_t channel = FindRawChannel(m_reader);
    if (channel == 0) {
        m_lacksRawChannel = true;
        reason = "the recording has no channel " + std::string(RAW_PACKETS_TOPIC) + " of raw packets";
        return false;
    }
    m_run = ReadRecordedRun(m_reader.Metadata());
    const uint16_t channels[] = {channel};
    m_stream = std::make_unique<McapMessageStream>(m_reader.Messages(channels));
    return true;
}

bool McapRawSource::NextMessage()
{
    McapMessage message;
    while (!m_ended && m_left.empty()) {
        if (!m_stream->Next(message)) {
            m_ended = true;
            m_problem = !m_stream->Error().empty() ? m_stream->Error() : m_reader.Problem();
            break;
        }
        if (!DecodeRawPackets(message.data, m_left)) {
            m_ended = true;
            m_problem = "a message of " + std::string(RAW_PACKETS_TOPIC) + " is not a byte array";
        }
    }
    return !m_left.empty();
}

int32_t McapRawSource::Waiting()
{
    if (m_left.empty() && !NextMessage())
        return 0;
    return static_cast<int32_t>(std::min<size_t>(m_left.size(), INT32_MAX));
}

int32_t McapRawSource::Read(uint8_t* buffer, int32_t length)
{
    const int32_t count = std::min(Waiting(), length);
    if (count <= 0)
        return 0;
    std::memcpy(buffer, m_left.data(), static_cast<size_t>(count));
    m_left = m_left.subspan(static_cast<size_t>(count));
    return count;
}

bool McapRawSource::Ended()
{
    return m_left.empty() && !NextMessage();
}
