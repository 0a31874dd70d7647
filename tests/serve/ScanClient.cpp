#include "ScanClient.h"

#include <gtest/gtest.h>

#include "messages/LaserScanCdr.h"

namespace {

constexpr size_t DATA_HEADER_SIZE = 1 + 4 + 8;  // opcode, subscription id, timestamp

uint64_t LittleEndian(const std::string& bytes, size_t at, size_t size)
{
    uint64_t value = 0;
    for (size_t k = 0; k < size; ++k)
        value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + k])) << (8 * k);
    return value;
}

}  // namespace

bool ScanClient::Connect(uint16_t port)
{
    if (!m_socket.Connect(port)) {
        ADD_FAILURE() << "no handshake with port " << port << ": HTTP " << m_socket.HandshakeStatus();
        return false;
    }
    for (const char* op : {"serverInfo", "advertise"}) {
        const auto message = m_socket.Next();
        const nlohmann::json json =
            message ? nlohmann::json::parse(message->data, nullptr, false) : nlohmann::json();
        if (!json.is_object() || json.value("op", "") != op) {
            ADD_FAILURE() << "expected " << op << ", got " << (message ? message->data : "nothing");
            return false;
        }
        if (json["op"] == "advertise") {
            for (const nlohmann::json& channel : json["channels"])
                m_channels[channel["topic"].get<std::string>()] = channel;
        }
    }
    return true;
}

bool ScanClient::Subscribe(const std::string& topic)
{
    const auto channel = m_channels.find(topic);
    if (channel == m_channels.end())
        return false;
    const auto id = static_cast<uint32_t>(m_subscriptions.size() + 1);
    m_subscriptions[id] = topic;
    m_socket.SendText(nlohmann::json{{"op", "subscribe"},
                                     {"subscriptions", {{{"id", id}, {"channelId", channel->second["id"]}}}}}
                          .dump());
    return true;
}

std::optional<ScanClient::Data> ScanClient::Next(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const auto message = m_socket.Next(left);
        if (!message)
            return std::nullopt;
        const std::string& bytes = message->data;
        if (!message->binary || bytes.size() < DATA_HEADER_SIZE || bytes[0] != 0x01)
            continue;  // a status, or an advertisement of a channel added later
        const auto subscription = m_subscriptions.find(static_cast<uint32_t>(LittleEndian(bytes, 1, 4)));
        if (subscription == m_subscriptions.end()) {
            ADD_FAILURE() << "message data of a subscription never made";
            return std::nullopt;
        }
        return Data{subscription->second, LittleEndian(bytes, 5, 8), bytes.substr(DATA_HEADER_SIZE)};
    }
    return std::nullopt;
}

std::optional<ScanClient::Data> ScanClient::NextOf(const std::string& topic, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (auto left = timeout; left.count() > 0;
         left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())) {
        std::optional<Data> data = Next(left);
        if (!data || data->topic == topic)
            return data;
    }
    return std::nullopt;
}

std::optional<LaserScan> ScanClient::NextScan(std::chrono::milliseconds timeout)
{
    const std::optional<Data> data = NextOf("/scan", timeout);
    if (!data)
        return std::nullopt;
    LaserScan scan;
    std::string reason;
    if (!DecodeLaserScanCdr(reinterpret_cast<const uint8_t*>(data->payload.data()), data->payload.size(), scan, reason)) {
        ADD_FAILURE() << "a /scan message that is no LaserScan: " << reason;
        return std::nullopt;
    }
    return scan;
}
