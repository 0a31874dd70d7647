// Where the WebSocket server listens: a numeric IP address and a TCP port, as the command lines
// write it ("8765", "0.0.0.0:8765", "[::1]:8765"). Only the loopback address unless asked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr uint16_t DEFAULT_SERVE_PORT = 8765;

struct ListenAddress {
    std::string host = "127.0.0.1";  // IPv4 or IPv6, without brackets
    uint16_t port = DEFAULT_SERVE_PORT;  // 0: any free port, which the server then reports
};

// "PORT" keeps the loopback address; "localhost" stands for 127.0.0.1. False, with `reason` set,
// for a host name, a malformed address or a port outside 0..65535.
[[nodiscard]] bool ParseListenAddress(std::string_view text, ListenAddress& address, std::string& reason);

// "127.0.0.1:8765", "[::1]:8765".
std::string ListenAddressText(const ListenAddress& address);
