// A server of the Foxglove WebSocket protocol (foxglove.websocket.v1), which Foxglove and
// Lichtblick connect to: it offers channels, and sends each client the messages of the channels
// it subscribed to. It knows nothing of what the messages hold.
//
// Publishing never waits for the network and, once each client's buffers have grown to the
// messages' size, allocates nothing: it copies the message into the queue of every subscribed
// client and wakes the server's own thread, which does the sending. A client that cannot keep
// up loses its oldest messages (counted, and told so); the others lose nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foxglove/ChannelTable.h"
#include "foxglove/ListenAddress.h"
#include "foxglove/ServerOptions.h"
#include "foxglove/WakeSignal.h"

class ClientOutbox;
class WebSocketServer;

struct ServerCounters {
    int32_t clients = 0;       // connected now
    int64_t sent = 0;          // message-data frames handed to connections, since the server was made
    int64_t dropped = 0;       // lost by slow clients, since the server was made
};

struct ClientCounters {
    std::string address;  // "127.0.0.1:51234"
    int64_t sent = 0;     // since it connected
    int64_t dropped = 0;
};

class FoxgloveServer {
public:
    explicit FoxgloveServer(ServerOptions options = {});
    ~FoxgloveServer();
    FoxgloveServer(const FoxgloveServer&) = delete;
    FoxgloveServer& operator=(const FoxgloveServer&) = delete;

    // Start, Stop, Running and Port: the thread that owns the server.
    // Listens and starts the server's thread. False, with `reason` set for the operator, when
    // the address is taken, not of this machine, or not allowed.
    [[nodiscard]] bool Start(const ListenAddress& address, std::string& reason);
    // Closes every connection and ends the thread, within half a second even with stalled
    // clients. Start may follow again.
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    // The port listened on (the one the system chose, when asked for port 0); 0 when stopped.
    uint16_t Port() const { return m_port; }

    // Any thread, also before Start. Clients are told at once.
    uint32_t AddChannel(ChannelInfo info);
    void RemoveChannel(uint32_t channel);

    // Any thread: one message of `channel`, received at `timestampNs` (nanoseconds since the
    // epoch), to every client that subscribed to it. Returns to how many clients it went.
    int Publish(uint32_t channel, uint64_t timestampNs, const uint8_t* payload, size_t size);

    // Any thread.
    ServerCounters Counters() const;
    std::vector<ClientCounters> Clients() const;

private:
    const ServerOptions m_options;
    ChannelTable m_channels;
    WakeSignal m_wake;
    std::vector<std::unique_ptr<ClientOutbox>> m_outboxes;
    std::unique_ptr<WebSocketServer> m_server;
    std::thread m_thread;
    uint16_t m_port = 0;
};
