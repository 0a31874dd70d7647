// The network side of the Foxglove server: accepting WebSocket connections of the
// foxglove.websocket.v1 subprotocol, telling each client the server and its channels, taking its
// subscriptions and sending it the frames queued in its outbox, all on one thread. websocketpp
// (on standalone asio) stays inside WebSocketServer.cpp, which is compiled as C++17: the library
// does not compile as C++20.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foxglove/ServerOptions.h"

class ChannelTable;
class ClientOutbox;
class WakeSignal;
struct ListenAddress;

class WebSocketServer {
public:
    // One outbox per client the server takes at once; all of them outlive the server.
    WebSocketServer(const ServerOptions& options, ChannelTable& channels,
                    std::vector<std::unique_ptr<ClientOutbox>>& outboxes, WakeSignal& wake);
    ~WebSocketServer();
    WebSocketServer(const WebSocketServer&) = delete;
    WebSocketServer& operator=(const WebSocketServer&) = delete;

    // Binds and listens, before Run. False, with `reason` set, when the address cannot be had.
    [[nodiscard]] bool Listen(const ListenAddress& address, std::string& reason);
    uint16_t Port() const;

    // The server's thread: serves until stopped.
    void Run();
    // Any thread: closes every connection (waiting a moment for clients to answer) and ends Run.
    void RequestStop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
