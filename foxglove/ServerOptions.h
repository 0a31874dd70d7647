// How a Foxglove WebSocket server limits what its clients may cost it.
#pragma once

#include <cstddef>
#include <string>

struct ServerOptions {
    std::string name = "Plotwell";  // shown by clients as the server's name
    size_t maxClients = 32;         // one more is told why and disconnected
    // Message-data frames waiting for one client; a newer one then takes the place of the oldest.
    size_t queueLength = 8;
    // Bytes of one message from a client; a client that sends more is disconnected.
    size_t maxIncomingMessage = 64 * 1024;
};
