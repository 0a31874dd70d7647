// A Foxglove server for the interop test (tests/interop/foxglove-server.mjs), which connects
// clients we did not write to it. It prints "port N" once listening, publishes when told "go" on
// its standard input, and prints its counters as one JSON line and ends when told "done".
//
//   plotwell_foxglove_interop_server --messages M --rate HZ --queue Q
//
// Message k (1..M) of channel /blob is received at time k ns and holds TestPayload(k, size k);
// channel /other gets the same messages, which no client subscribes to.
#include <chrono>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "foxglove/FoxgloveServer.h"

namespace {

// The interop test computes the same bytes.
std::string Payload(uint32_t k)
{
    const size_t size = 16384 + (k * 7919u) % 65536u;
    std::string payload(size, '\0');
    uint32_t state = k;
    for (char& byte : payload) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return payload;
}

bool WaitFor(const std::string& word)
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == word)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    uint32_t messages = 100;
    double rate = 40.0;
    ServerOptions options;
    for (int a = 1; a + 1 < argc; a += 2) {
        const std::string option = argv[a];
        if (option == "--messages")
            messages = static_cast<uint32_t>(std::stoul(argv[a + 1]));
        else if (option == "--rate")
            rate = std::stod(argv[a + 1]);
        else if (option == "--queue")
            options.queueLength = std::stoul(argv[a + 1]);
    }
    options.name = "Plotwell interop test";

    FoxgloveServer server(options);
    const uint32_t blob = server.AddChannel({"/blob", "cdr", "test_msgs/msg/Blob", "uint8[] data\n", "ros2msg"});
    const uint32_t other = server.AddChannel({"/other", "json", "Other", "{\"type\":\"object\"}", "jsonschema"});
    std::string reason;
    if (!server.Start({"127.0.0.1", 0}, reason)) {
        std::cerr << reason << "\n";
        return 1;
    }
    std::cout << "port " << server.Port() << std::endl;

    if (!WaitFor("go"))
        return 1;
    const auto period = std::chrono::duration<double>(1.0 / rate);
    auto next = std::chrono::steady_clock::now();
    for (uint32_t k = 1; k <= messages; ++k) {
        const std::string payload = Payload(k);
        server.Publish(blob, k, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
        server.Publish(other, k, reinterpret_cast<const uint8_t*>("{}"), 2);
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        std::this_thread::sleep_until(next);
    }

    if (!WaitFor("done"))
        return 1;
    const ServerCounters counters = server.Counters();
    nlohmann::json report = {{"clients", counters.clients}, {"sent", counters.sent}, {"dropped", counters.dropped}};
    for (const ClientCounters& client : server.Clients())
        report["perClient"].push_back({{"address", client.address}, {"sent", client.sent}, {"dropped", client.dropped}});
    std::cout << report.dump() << std::endl;
    server.Stop();
    return 0;
}
