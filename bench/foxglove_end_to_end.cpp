// End-to-end latency of serving, on one machine: from the write that completes a revolution on a
// pseudo-terminal to the LaserScan message at a WebSocket client. On the way: the receive thread,
// filter and compensation, the output stage, the conversion and CDR encoding, the server's queue
// and thread, the loopback network and the client's thread. The DDS figure beside it in
// docs/PERFORMANCE.md is bench_ros2_end_to_end's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "WebSocketClient.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "run/SimulatedScanner.h"
#include "serve/RevolutionServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int REVOLUTIONS = 300;
constexpr size_t LOOKAHEAD = 210;  // protocol 1 sees a closing packet once a full buffer follows it
constexpr auto PATIENCE = std::chrono::seconds(2);

struct Line {
    int writer = -1;
    std::string device;

    Line()
    {
        int slave = -1;
        char name[128] = {};
        if (openpty(&writer, &slave, name, nullptr, nullptr) != 0)
            return;
        termios tio{};
        tcgetattr(writer, &tio);
        cfmakeraw(&tio);
        tcsetattr(writer, TCSANOW, &tio);
        close(slave);
        device = name;
    }
    ~Line() { close(writer); }

    bool Send(const std::vector<uint8_t>& bytes) const
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = write(writer, bytes.data() + sent, bytes.size() - sent);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }
};

// Connects and subscribes to /scan; false when the server did not answer as it should.
bool SubscribeToScans(WebSocketClient& client, uint16_t port)
{
    if (!client.Connect(port) || !client.Next())  // serverInfo
        return false;
    const auto advertise = client.Next();
    if (!advertise)
        return false;
    const nlohmann::json advertised = nlohmann::json::parse(advertise->data, nullptr, false);
    if (!advertised.contains("channels"))
        return false;
    for (const nlohmann::json& channel : advertised["channels"]) {
        if (channel["topic"] == SCAN_TOPIC) {
            client.SendText(
                nlohmann::json{{"op", "subscribe"}, {"subscriptions", {{{"id", 1}, {"channelId", channel["id"]}}}}}
                    .dump());
            return true;
        }
    }
    return false;
}

void BM_LastByteToLocalClient(benchmark::State& state)
{
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<std::vector<uint8_t>> revolutions;
    for (int i = 0; i <= REVOLUTIONS; ++i) {
        scanner.NextRevolution();
        revolutions.emplace_back(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        RevolutionServer server;
        OutputStage stage;
        stage.Attach(server.Output(), {"Foxglove server", 8, {}});
        std::string reason;
        WebSocketClient client;
        if (!server.Start({"127.0.0.1", 0}, [&stage] { return stage.Drops(); }, reason) ||
            !SubscribeToScans(client, server.Address().port)) {
            state.SkipWithError(("no server or client: " + reason).c_str());
            return;
        }
        Line line;
        StartRun(ModelRunSettings(g_ModelTR20_A));
        CSerialPort port;
        if (line.device.empty() || !stage.Start() || !port.Open(line.device, g_ModelTR20_A.nBaudRate, &reason) ||
            !StartReceiving(port, stage)) {
            state.SkipWithError(("no line: " + reason).c_str());
            return;
        }
        size_t offset = 0;
        for (int i = 0; i < REVOLUTIONS; ++i) {
            std::vector<uint8_t> chunk(revolutions[i].begin() + static_cast<std::ptrdiff_t>(offset), revolutions[i].end());
            chunk.insert(chunk.end(), revolutions[i + 1].begin(), revolutions[i + 1].begin() + LOOKAHEAD);
            offset = LOOKAHEAD;
            const Clock::time_point written = Clock::now();
            line.Send(chunk);
            if (i == 0)
                continue;  // the first revolution of a run is timed, not sent
            const auto message = client.Next(PATIENCE);
            if (!message || !message->binary) {
                state.SkipWithError("a scan did not arrive");
                break;
            }
            latencies.push_back(std::chrono::duration<double, std::milli>(message->received - written).count());
        }
        port.EndReceiving();
        static_cast<void>(port.Close());
        stage.Stop();
    }
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
    state.counters["max_ms"] = latencies.back();
}
BENCHMARK(BM_LastByteToLocalClient)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
