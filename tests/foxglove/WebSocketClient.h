// A WebSocket client for the tests and the latency benchmark: websocketpp's client on a thread of
// its own, with the received messages queued for the test to take. It can stop reading, as a
// stalled viewer on a slow link does. Compiled as C++17 (see foxglove/WebSocketServer.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class WebSocketClient {
public:
    struct Message {
        bool binary = false;
        std::string data;
        std::chrono::steady_clock::time_point received;
    };
    struct Closing {
        uint16_t code = 0;
        std::string reason;
    };

    // `keepMessages` false: received messages are only counted (a reader for a load test).
    explicit WebSocketClient(bool keepMessages = true);
    // Drops the connection without a closing handshake, as a client that goes away does.
    ~WebSocketClient();
    WebSocketClient(const WebSocketClient&) = delete;
    WebSocketClient& operator=(const WebSocketClient&) = delete;

    // Connects to ws://127.0.0.1:port/, offering `subprotocol` (nothing when empty). False when
    // the handshake did not complete within `timeout`; HandshakeStatus() then has the HTTP answer.
    bool Connect(uint16_t port, const std::string& subprotocol = "foxglove.websocket.v1",
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    int HandshakeStatus() const;
    std::string Subprotocol() const;

    void SendText(const std::string& text);
    void SendBinary(const std::string& bytes);

    // The next message, or nothing when none came within `timeout` (or the connection closed).
    std::optional<Message> Next(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Messages received so far, kept or not.
    int64_t Received() const;

    // Stops taking bytes from the socket, so that the server's writes back up; and starts again.
    void StopReading();
    void ResumeReading();

    // Closes the connection with the closing handshake.
    void Close();
    // The server's closing of the connection, once it came within `timeout`.
    std::optional<Closing> WaitClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
