// How the link is doing, as the receive thread reads and parses: bytes read, packets that passed
// or failed their check bytes, bytes skipped looking for a header, revolutions completed and cut
// short. The receive thread is the only writer; the dialog and the tools read the counters at
// any time without a lock, and derive rates from two readings.
#pragma once

#include <atomic>
#include <cstdint>

#include "acquisition/ScanFrame.h"

struct LinkHealthCounters {
    std::atomic<int64_t> bytes{0};
    std::atomic<int64_t> accepted{0};
    std::atomic<int64_t> rejected{0};
    std::atomic<int64_t> skipped{0};
    std::atomic<int64_t> revolutions{0};
    std::atomic<int64_t> cutShort{0};       // a revolution restarted before it completed
    std::atomic<int32_t> samples{0};        // of the last revolution
    std::atomic<int32_t> validSamples{0};   // of the last revolution, those with a return
    std::atomic<int64_t> lastRevolutionNs{0};      // steady clock, when the last revolution completed
    std::atomic<int64_t> previousRevolutionNs{0};  // and the one before it
    std::atomic<int64_t> resets{0};         // raised by every reset, so that readers see one
};

extern LinkHealthCounters g_LinkHealth;

// One writer: a plain load and store is enough, and cheaper than a read-modify-write.
inline void CountLink(std::atomic<int64_t>& counter, int64_t amount = 1)
{
    counter.store(counter.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

// Receive thread: samples and completion time of the revolution just completed.
void CountRevolution(const ScanFrame& frame);
// Receive thread: the samples with a return of the revolution being processed. Counted where
// the revolution is processed, which reads the whole frame anyway, not where packets are decoded.
void CountValidSamples(const ScanFrame& frame);

// Receive thread (or before it starts): every counter back to 0.
void ResetLinkHealth();
// Any thread: asks the receive thread to reset at its next read, keeping it the only writer.
void RequestLinkHealthReset();
// Receive thread: resets when a reset was asked for since the last call.
void TakeLinkHealthResetRequest();

// One reading of the counters.
struct LinkHealthReading {
    int64_t bytes = 0;
    int64_t accepted = 0;
    int64_t rejected = 0;
    int64_t skipped = 0;
    int64_t revolutions = 0;
    int64_t cutShort = 0;
    int32_t samples = 0;
    int32_t validSamples = 0;
    int64_t lastRevolutionNs = 0;
    int64_t previousRevolutionNs = 0;
    int64_t resets = 0;
};
LinkHealthReading ReadLinkHealth();

// What happened between two readings `seconds` apart.
struct LinkHealthFigures {
    double revolutionsPerSecond = 0.0;  // from the completion times; 0 when none completed
    double bytesPerSecond = 0.0;
    double badShare = 0.0;              // of the packets, those that failed their check bytes
    int64_t packets = 0;                // passed and failed
    int32_t samples = 0;                // of the last revolution
    int32_t validSamples = 0;
};
// A reset between the readings counts from it.
LinkHealthFigures FiguresBetween(const LinkHealthReading& earlier, const LinkHealthReading& later, double seconds);
