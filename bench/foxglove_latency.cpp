// What the Foxglove server costs the thread that publishes, and how long a message takes from
// Publish to a client on this machine: one message at a time (the next once the last arrived),
// at the size of a small and of a full revolution as a LaserScan, to one client alone and to one
// of 16 clients of which one has stopped reading.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "WebSocketClient.h"
#include "foxglove/FoxgloveServer.h"

// Every malloc, calloc and realloc of the thread that counts, whatever library makes it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
}

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;
}  // namespace

extern "C" void* malloc(size_t size)
{
    allocations += counting;
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
    allocations += counting;
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* pointer, size_t size)
{
    allocations += counting;
    return __libc_realloc(pointer, size);
}

namespace {

using namespace std::chrono_literals;

// A server with one channel and `clients` subscribed clients, the first of which keeps what it
// receives; with `stalled`, the last one stops reading.
struct Bench {
    Bench(int clients, bool stalled)
    {
        ServerOptions options;
        options.maxClients = static_cast<size_t>(clients);
        server = std::make_unique<FoxgloveServer>(options);
        channel = server->AddChannel({"/scan", "cdr", "sensor_msgs/msg/LaserScan", "", "ros2msg"});
        std::string reason;
        ok = server->Start({"127.0.0.1", 0}, reason);
        for (int k = 0; ok && k < clients; ++k) {
            auto& client = this->clients.emplace_back(std::make_unique<WebSocketClient>(k == 0));
            ok = client->Connect(server->Port()) && Subscribe(*client, k == 0);
        }
        if (ok && stalled)
            this->clients.back()->StopReading();
    }

    // Waits until the server has taken the subscription in (it answers an unknown operation
    // after what came before it).
    bool Subscribe(WebSocketClient& client, bool keeps)
    {
        client.SendText(R"({"op":"subscribe","subscriptions":[{"id":1,"channelId":)" + std::to_string(channel) + "}]}");
        client.SendText(R"({"op":"settle"})");
        const int64_t expected = 3;  // serverInfo, advertise, the answer
        for (int tries = 0; tries < 1000 && client.Received() < expected; ++tries)
            std::this_thread::sleep_for(1ms);
        if (keeps) {
            for (int64_t k = 0; k < expected; ++k)
                client.Next();
        }
        return client.Received() == expected;
    }

    std::unique_ptr<FoxgloveServer> server;
    uint32_t channel = 0;
    std::vector<std::unique_ptr<WebSocketClient>> clients;
    bool ok = false;
};

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1))];
}

// range(0): payload bytes; range(1): clients; range(2): 1 when the last one has stopped reading.
void BM_PublishToReceived(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(1)), state.range(2) == 1);
    if (!bench.ok) {
        state.SkipWithError("the server or its clients did not start");
        return;
    }
    const std::string payload(static_cast<size_t>(state.range(0)), 'x');
    WebSocketClient& client = *bench.clients.front();
    std::vector<double> latencies;
    for (auto _ : state) {
        const auto published = std::chrono::steady_clock::now();
        bench.server->Publish(bench.channel, 1, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
        const auto message = client.Next(5s);
        if (!message) {
            state.SkipWithError("a message did not arrive");
            return;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(message->received - published).count());
    }
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
    state.counters["max_ms"] = Percentile(latencies, 1.0);
    state.counters["dropped"] = static_cast<double>(bench.server->Counters().dropped);
}
BENCHMARK(BM_PublishToReceived)
    ->Args({8 * 1024, 1, 0})
    ->Args({128 * 1024, 1, 0})
    ->Args({128 * 1024, 16, 1})
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The publishing thread's part: one Publish to `clients` subscribers (copies into their queues),
// and its heap allocations per message once every queue has grown to the message's size.
void BM_Publish(benchmark::State& state)
{
    Bench bench(static_cast<int>(state.range(1)), false);
    if (!bench.ok) {
        state.SkipWithError("the server or its clients did not start");
        return;
    }
    const std::string payload(static_cast<size_t>(state.range(0)), 'x');
    const auto publish = [&] {
        bench.server->Publish(bench.channel, 1, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    };
    for (int k = 0; k < 64; ++k)
        publish();
    allocations = 0;
    counting = true;
    for (auto _ : state)
        publish();
    counting = false;
    state.counters["allocs_per_message"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.SetBytesProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_Publish)->Args({128 * 1024, 1})->Args({128 * 1024, 16})->Unit(benchmark::kMicrosecond);

}  // namespace
