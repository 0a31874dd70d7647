#include "ServerFixture.h"

#include "foxglove/ServerMessages.h"

ChannelInfo TestChannel(const std::string& topic)
{
    return {topic, "cdr", "test_msgs/msg/Blob", "uint8[] data\n", "ros2msg"};
}

nlohmann::json NextJson(WebSocketClient& client)
{
    const auto message = client.Next();
    if (!message) {
        ADD_FAILURE() << "no message came";
        return {};
    }
    EXPECT_FALSE(message->binary);
    return nlohmann::json::parse(message->data, nullptr, false);
}

bool ParseData(const WebSocketClient::Message& message, DataFrame& frame)
{
    const std::string& data = message.data;
    if (!message.binary || data.size() < MESSAGE_DATA_HEADER_SIZE || data[0] != 0x01)
        return false;
    const auto byte = [&data](size_t k) { return static_cast<uint64_t>(static_cast<uint8_t>(data[k])); };
    frame = {};
    for (size_t k = 0; k < 4; ++k)
        frame.subscription |= static_cast<uint32_t>(byte(1 + k) << (8 * k));
    for (size_t k = 0; k < 8; ++k)
        frame.timestampNs |= byte(5 + k) << (8 * k);
    frame.payload = data.substr(MESSAGE_DATA_HEADER_SIZE);
    return true;
}

DataFrame NextData(WebSocketClient& client)
{
    const auto message = client.Next();
    DataFrame frame;
    if (!message || !ParseData(*message, frame))
        ADD_FAILURE() << "no message data came" << (message ? ": " + message->data.substr(0, 200) : "");
    return frame;
}

std::string TestPayload(uint32_t seed, size_t size)
{
    std::string payload(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& byte : payload) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return payload;
}

void ServerFixture::Serve(ServerOptions options)
{
    m_server = std::make_unique<FoxgloveServer>(std::move(options));
    std::string reason;
    ASSERT_TRUE(m_server->Start({"127.0.0.1", 0}, reason)) << reason;
}

std::unique_ptr<WebSocketClient> ServerFixture::Client()
{
    auto client = std::make_unique<WebSocketClient>();
    EXPECT_TRUE(client->Connect(m_server->Port()));
    EXPECT_EQ(NextJson(*client)["op"], "serverInfo");
    EXPECT_EQ(NextJson(*client)["op"], "advertise");
    return client;
}

void ServerFixture::Subscribe(WebSocketClient& client, uint32_t subscription, uint32_t channel)
{
    client.SendText(nlohmann::json{{"op", "subscribe"},
                                   {"subscriptions", {{{"id", subscription}, {"channelId", channel}}}}}
                        .dump());
    Settle(client);
}

void ServerFixture::Settle(WebSocketClient& client)
{
    client.SendText(R"({"op":"settle"})");
    const nlohmann::json reply = NextJson(client);
    ASSERT_EQ(reply["op"], "status") << reply;
    ASSERT_NE(reply["message"].get<std::string>().find("\"settle\""), std::string::npos) << reply;
}

void ServerFixture::TearDown()
{
    if (m_server)
        m_server->Stop();
}
