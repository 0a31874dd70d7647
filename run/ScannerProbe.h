// Which scanner is on a port: listens at each baud rate of the model table in turn and lets the
// packet recogniser of every protocol judge what it hears. Behind `plotwell-tool probe` and the
// dialog's Detect button; it touches no shared state, so it may run on any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/PortEnumeration.h"
#include "protocols/PacketRecogniser.h"

struct DeviceModel;

// One protocol heard at one baud rate.
struct ProbeCandidate {
    int32_t baudRate;
    int32_t protocol;
    int32_t pointNum;  // protocol 0's samples per packet; 0 for the other protocols
    RecognisedStream stream;
    std::vector<const DeviceModel*> models;  // the model rows this fits, in table order
};

struct ProbeRateHeard {
    int32_t baudRate;
    int64_t bytes;
};

enum class ProbeEnd {
    Listened,    // every rate was listened to
    Cancelled,   // what was heard until then is ranked and judged all the same
    OpenFailed,  // at one of the rates; `failure` says why
    Lost,        // the device went away while listening
};

struct ProbeResult {
    ProbeEnd end = ProbeEnd::Listened;
    std::string failure;
    std::vector<ProbeRateHeard> rates;       // in the order listened to
    std::vector<ProbeCandidate> candidates;  // every protocol with packets seen, most passed first
    int best = -1;   // the candidate with most passed packets that fits a model row, -1 when none
    int rival = -1;  // another that fits nearly as well, which leaves the choice unclear

    // The candidate that fits clearly, or null.
    const ProbeCandidate* Found() const
    {
        return best >= 0 && rival < 0 ? &candidates[static_cast<size_t>(best)] : nullptr;
    }
};

struct ProbeSettings {
    std::string path;
    double secondsPerRate = 1.5;
    PortScanRoots systemPaths;  // where the link keeps its lock files
};

struct ProbeProgress {
    int32_t baudRate;  // the rate listened to now
    int rate;          // its position, from 1
    int rates;
    double done;       // share of the whole probe, 0..1
};
using ProbeProgressCallback = std::function<void(const ProbeProgress&)>;

// The distinct baud rates of the model table, in table order.
std::vector<int32_t> ProbeBaudRates();

// Listens at every rate; `progress` is called on the calling thread about ten times a second.
// Setting `cancel` ends the probe within a few tens of milliseconds.
ProbeResult ProbeScanner(const ProbeSettings& settings, const std::atomic<bool>& cancel,
                         const ProbeProgressCallback& progress);

// Ranks what was heard and decides whether one protocol and rate fit clearly.
void JudgeCandidates(ProbeResult& result);
