#include "run/ScannerProbe.h"

#include <algorithm>
#include <chrono>

#include "acquisition/SerialPort.h"
#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int WAIT_SLICE_MS = 20;  // how long a wait may hold off a cancel
constexpr double PROGRESS_PERIOD_S = 0.1;
constexpr int32_t READ_SIZE = 4096;
// A scanner sends hundreds of packets in a second and a half; a few passing packets are chance.
constexpr int64_t MIN_PASSED = 10;
// A rival at a quarter of the best's packets makes the choice unclear.
constexpr int64_t RIVAL_SHARE = 4;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A protocol whose packet length follows from the point number is tried with each the table has.
std::vector<PacketRecogniser> RecognisersForEveryProtocol()
{
    std::vector<int32_t> pointNums;
    for (int i = 0; g_Models[i] != nullptr; ++i) {
        const int32_t pointNum = g_Models[i]->nPointNum;
        if (std::find(pointNums.begin(), pointNums.end(), pointNum) == pointNums.end())
            pointNums.push_back(pointNum);
    }
    std::vector<PacketRecogniser> recognisers;
    for (int32_t protocol = 0; protocol < ProtocolCount(); ++protocol) {
        if (ProtocolFor(protocol).samplesPerPacket != 0) {
            recognisers.emplace_back(protocol);
            continue;
        }
        for (int32_t pointNum : pointNums)
            recognisers.emplace_back(protocol, pointNum);
    }
    return recognisers;
}

std::vector<const DeviceModel*> ModelsThatFit(int32_t baudRate, int32_t protocol, int32_t pointNum)
{
    std::vector<const DeviceModel*> models;
    for (int i = 0; g_Models[i] != nullptr; ++i) {
        const DeviceModel* model = g_Models[i];
        const bool fits = model->nBaudRate == baudRate && CodesForName(model->szName).protocol == protocol &&
                          (ProtocolFor(protocol).samplesPerPacket != 0 || model->nPointNum == pointNum);
        if (fits)
            models.push_back(model);
    }
    return models;
}

struct Listening {
    const ProbeSettings& settings;
    const std::atomic<bool>& cancel;
    const ProbeProgressCallback& progress;
    Clock::time_point start;
    int rate;
    int rates;
};

// Reads from an open port until the time is up, a cancel, or the device goes away (false).
bool ListenAt(CSerialPort& port, int32_t baudRate, const Listening& listening,
              std::vector<PacketRecogniser>& recognisers, int64_t& bytes)
{
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(listening.settings.secondsPerRate));
    uint8_t buffer[READ_SIZE];
    double nextProgress = 0.0;
    while (Clock::now() < until && !listening.cancel.load(std::memory_order_relaxed)) {
        const double seconds = SecondsSince(listening.start);
        if (listening.progress && seconds >= nextProgress) {
            const double total = listening.settings.secondsPerRate * listening.rates;
            listening.progress({baudRate, listening.rate, listening.rates, std::min(seconds / total, 1.0)});
            nextProgress = seconds + PROGRESS_PERIOD_S;
        }
        if (port.WaitingBytes() <= 0) {
            if (!port.WaitForData(WAIT_SLICE_MS))
                return !port.LineLost();
            continue;
        }
        const int32_t got = port.Read(buffer, READ_SIZE);
        bytes += got;
        for (PacketRecogniser& recogniser : recognisers)
            recogniser.Feed(buffer, got, seconds);
    }
    return true;
}

void Collect(int32_t baudRate, const std::vector<PacketRecogniser>& recognisers, ProbeResult& result)
{
    for (const PacketRecogniser& recogniser : recognisers) {
        const RecognisedStream& stream = recogniser.Stream();
        if (stream.accepted == 0 && stream.rejected == 0)
            continue;
        const int32_t pointNum = ProtocolFor(recogniser.Protocol()).samplesPerPacket == 0 ? recogniser.PointNum() : 0;
        result.candidates.push_back(
            {baudRate, recogniser.Protocol(), pointNum, stream, ModelsThatFit(baudRate, recogniser.Protocol(), pointNum)});
    }
}

bool Fits(const ProbeCandidate& candidate)
{
    return candidate.stream.accepted >= MIN_PASSED && candidate.stream.accepted > candidate.stream.rejected &&
           !candidate.models.empty();
}

}  // namespace

std::vector<int32_t> ProbeBaudRates()
{
    std::vector<int32_t> rates;
    for (int i = 0; g_Models[i] != nullptr; ++i) {
        if (std::find(rates.begin(), rates.end(), g_Models[i]->nBaudRate) == rates.end())
            rates.push_back(g_Models[i]->nBaudRate);
    }
    return rates;
}

ProbeResult ProbeScanner(const ProbeSettings& settings, const std::atomic<bool>& cancel,
                         const ProbeProgressCallback& progress)
{
    ProbeResult result;
    const std::vector<int32_t> rates = ProbeBaudRates();
    Listening listening{settings, cancel, progress, Clock::now(), 0, static_cast<int>(rates.size())};
    for (const int32_t baudRate : rates) {
        ++listening.rate;
        CSerialPort port;
        port.systemPaths = settings.systemPaths;
        if (!port.Open(settings.path, baudRate, &result.failure)) {
            result.end = ProbeEnd::OpenFailed;
            return result;
        }
        std::vector<PacketRecogniser> recognisers = RecognisersForEveryProtocol();
        int64_t bytes = 0;
        const bool stillThere = ListenAt(port, baudRate, listening, recognisers, bytes);
        static_cast<void>(port.Close());  // only listened: nothing to lose
        result.rates.push_back({baudRate, bytes});
        Collect(baudRate, recognisers, result);
        if (!stillThere) {
            result.end = ProbeEnd::Lost;
            return result;
        }
        if (cancel.load(std::memory_order_relaxed)) {
            result.end = ProbeEnd::Cancelled;
            break;
        }
    }
    JudgeCandidates(result);
    return result;
}

void JudgeCandidates(ProbeResult& result)
{
    std::stable_sort(result.candidates.begin(), result.candidates.end(),
                     [](const ProbeCandidate& a, const ProbeCandidate& b) {
                         if (a.stream.accepted != b.stream.accepted)
                             return a.stream.accepted > b.stream.accepted;
                         return a.stream.rejected < b.stream.rejected;
                     });
    result.best = result.rival = -1;
    const auto fitting = std::find_if(result.candidates.begin(), result.candidates.end(), Fits);
    if (fitting == result.candidates.end())
        return;
    result.best = static_cast<int>(fitting - result.candidates.begin());
    // The same stream heard at a rate no model uses does not compete: only rows can be chosen.
    for (size_t i = 0; i < result.candidates.size(); ++i) {
        const ProbeCandidate& other = result.candidates[i];
        if (static_cast<int>(i) != result.best && Fits(other) &&
            other.stream.accepted * RIVAL_SHARE > fitting->stream.accepted) {
            result.rival = static_cast<int>(i);
            return;
        }
    }
}
