// End-to-end latency of publishing, on one machine: from the write that completes a revolution
// on a pseudo-terminal to the callback of a subscriber in another process. On the way: the
// receive thread, filter and compensation, the conversion, the DDS write, the network stack,
// and the subscriber's thread.
//
// The program runs itself as that subscriber (`--subscriber DOMAIN TOPIC`), which prints the
// monotonic time of every scan it receives.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "ros2/PublisherOutput.h"
#include "ros2/RevolutionPublisher.h"
#include "ros2/ScanSubscriber.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"
#include "run/ReceiveLoop.h"
#include "run/SimulatedScanner.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int REVOLUTIONS = 300;
constexpr size_t LOOKAHEAD = 210;  // protocol 1 sees a closing packet once a full buffer follows it
constexpr int PATIENCE_MS = 2000;
constexpr const char* TOPIC = "/plotwell_bench/end_to_end";
constexpr const char* SELF = "/proc/self/exe";

int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The subscriber process: one line with the steady clock (the same clock in every process) per scan.
int RunSubscriber(const char* domain, const char* topic)
{
    ScanSubscriber subscriber;
    std::string reason;
    const bool open = subscriber.Open(static_cast<uint32_t>(std::atoi(domain)), topic,
                                      [](const LaserScan&) {
                                          std::printf("%lld\n", static_cast<long long>(Now()));
                                          std::fflush(stdout);
                                      },
                                      reason);
    if (!open) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return 1;
    }
    // Ends when the benchmark closes our standard input.
    char byte;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}

// The subscriber as a child process, its output on a pipe.
struct SubscriberProcess {
    pid_t pid = -1;
    int output = -1;
    int input = -1;

    explicit SubscriberProcess(uint32_t domain)
    {
        // Close-on-exec, so the child keeps only the two ends it is given (and sees the end of its
        // input when we close ours).
        int out[2];
        int in[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        const std::string domainText = std::to_string(domain);
        char* argv[] = {const_cast<char*>(SELF), const_cast<char*>("--subscriber"),
                        const_cast<char*>(domainText.c_str()), const_cast<char*>(TOPIC), nullptr};
        if (posix_spawn(&pid, SELF, &actions, nullptr, argv, environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(in[0]);
        output = out[0];
        input = in[1];
    }
    ~SubscriberProcess()
    {
        close(input);
        close(output);
        if (pid > 0)
            waitpid(pid, nullptr, 0);
    }

    // The next reception time; -1 after PATIENCE_MS without one.
    int64_t NextArrival()
    {
        std::string line;
        pollfd waiting{output, POLLIN, 0};
        char c = 0;
        while (c != '\n') {
            if (poll(&waiting, 1, PATIENCE_MS) != 1 || read(output, &c, 1) != 1)
                return -1;
            line += c;
        }
        return std::stoll(line);
    }
};

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

void BM_LastByteToRemoteSubscriber(benchmark::State& state)
{
    std::random_device entropy;
    const uint32_t domain = std::uniform_int_distribution<uint32_t>(100, 232)(entropy);
    SimulatedScanner scanner{SimulatedScannerSettings{}};
    std::vector<std::vector<uint8_t>> revolutions;
    for (int i = 0; i <= REVOLUTIONS; ++i) {
        scanner.NextRevolution();
        revolutions.emplace_back(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        SubscriberProcess subscriber(domain);
        RevolutionPublisher publisher;
        std::string reason;
        if (subscriber.pid <= 0 ||
            !publisher.Open({domain, TOPIC, "laser", ModelScanShape(g_ModelTR20_A)}, reason)) {
            state.SkipWithError(("no subscriber or publisher: " + reason).c_str());
            return;
        }
        const auto matchBy = Clock::now() + std::chrono::seconds(10);
        while (publisher.MatchedSubscribers() < 1 && Clock::now() < matchBy)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Line line;
        StartRun(ModelRunSettings(g_ModelTR20_A));
        PublisherOutput output(publisher);
        OutputStage stage;
        stage.Attach(output, {"publishing", 4, {}});
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
            const int64_t written = Now();
            line.Send(chunk);
            if (i == 0)
                continue;  // the first revolution of a run is timed, not sent
            const int64_t arrived = subscriber.NextArrival();
            if (arrived < 0) {
                state.SkipWithError("a scan did not arrive");
                break;
            }
            latencies.push_back((arrived - written) / 1e6);
        }
        port.EndReceiving();
        static_cast<void>(port.Close());
    }
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
    state.counters["max_ms"] = latencies.back();
}
BENCHMARK(BM_LastByteToRemoteSubscriber)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--subscriber") == 0)
        return RunSubscriber(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
