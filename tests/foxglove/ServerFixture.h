// A Foxglove server on a free loopback port, with clients that speak its protocol, for the tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "WebSocketClient.h"
#include "foxglove/FoxgloveServer.h"

ChannelInfo TestChannel(const std::string& topic);

// The next message of `client`, which must be a JSON text.
nlohmann::json NextJson(WebSocketClient& client);

// A message-data frame taken apart.
struct DataFrame {
    uint32_t subscription = 0;
    uint64_t timestampNs = 0;
    std::string payload;
};
// A message-data frame taken apart; false when `message` is none.
bool ParseData(const WebSocketClient::Message& message, DataFrame& frame);
// The next message of `client`, which must be message data.
DataFrame NextData(WebSocketClient& client);

// A payload whose every byte depends on `seed` and its place.
std::string TestPayload(uint32_t seed, size_t size);

class ServerFixture : public testing::Test {
protected:
    // Starts the server; channels may be added before or after.
    void Serve(ServerOptions options = {});
    // Connected, past the server's description and first advertisement.
    std::unique_ptr<WebSocketClient> Client();
    // Subscribes and waits until the server has taken it in.
    static void Subscribe(WebSocketClient& client, uint32_t subscription, uint32_t channel);
    // Waits until the server has handled everything the client sent before: the server answers
    // messages in order, and one it does not know with a status.
    static void Settle(WebSocketClient& client);

    void TearDown() override;

    std::unique_ptr<FoxgloveServer> m_server;
};
