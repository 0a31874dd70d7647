#include "foxglove/ServerMessages.h"

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

std::string Text(const json& message)
{
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string ServerInfoText(std::string_view name, std::string_view sessionId)
{
    return Text({{"op", "serverInfo"},
                 {"name", name},
                 {"capabilities", json::array()},
                 {"sessionId", sessionId}});
}

std::string AdvertiseText(const std::vector<Channel>& channels)
{
    json list = json::array();
    for (const Channel& channel : channels) {
        json entry = {{"id", channel.id},
                      {"topic", channel.info.topic},
                      {"encoding", channel.info.encoding},
                      {"schemaName", channel.info.schemaName},
                      {"schema", channel.info.schema}};
        if (!channel.info.schemaEncoding.empty())
            entry["schemaEncoding"] = channel.info.schemaEncoding;
        list.push_back(std::move(entry));
    }
    return Text({{"op", "advertise"}, {"channels", std::move(list)}});
}

std::string UnadvertiseText(const std::vector<uint32_t>& channelIds)
{
    return Text({{"op", "unadvertise"}, {"channelIds", channelIds}});
}

std::string StatusText(StatusLevel level, std::string_view message, std::string_view id)
{
    json status = {{"op", "status"}, {"level", static_cast<int>(level)}, {"message", message}};
    if (!id.empty())
        status["id"] = id;
    return Text(status);
}

void WriteMessageDataHeader(uint8_t* header, uint32_t subscriptionId, uint64_t timestampNs)
{
    header[0] = 0x01;
    for (int k = 0; k < 4; ++k)
        header[1 + k] = static_cast<uint8_t>(subscriptionId >> (8 * k));
    for (int k = 0; k < 8; ++k)
        header[5 + k] = static_cast<uint8_t>(timestampNs >> (8 * k));
}
