#include "acquisition/LinkHealth.h"

#include <chrono>

LinkHealthCounters g_LinkHealth;

namespace {

// Written by the threads that ask for a reset, read by the receive thread.
std::atomic<int64_t> g_resetRequests{0};
int64_t g_resetRequestsTaken = 0;  // receive thread only

template <typename T>
T Read(const std::atomic<T>& value)
{
    return value.load(std::memory_order_relaxed);
}

template <typename T>
void Put(std::atomic<T>& value, T newValue)
{
    value.store(newValue, std::memory_order_relaxed);
}

int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void CountRevolution(const ScanFrame& frame)
{
    Put(g_LinkHealth.previousRevolutionNs, Read(g_LinkHealth.lastRevolutionNs));
    Put(g_LinkHealth.lastRevolutionNs, SteadyNanoseconds());
    Put(g_LinkHealth.samples, frame.count);
    CountLink(g_LinkHealth.revolutions);
}

void CountValidSamples(const ScanFrame& frame)
{
    int32_t valid = 0;
    for (int32_t i = 0; i < frame.count; ++i)
        valid += frame.distance[i] > 0;
    Put(g_LinkHealth.validSamples, valid);
}

void ResetLinkHealth()
{
    for (std::atomic<int64_t>* counter :
         {&g_LinkHealth.bytes, &g_LinkHealth.accepted, &g_LinkHealth.rejected, &g_LinkHealth.skipped,
          &g_LinkHealth.revolutions, &g_LinkHealth.cutShort, &g_LinkHealth.lastRevolutionNs,
          &g_LinkHealth.previousRevolutionNs})
        Put(*counter, int64_t{0});
    Put(g_LinkHealth.samples, 0);
    Put(g_LinkHealth.validSamples, 0);
    CountLink(g_LinkHealth.resets);
    g_resetRequestsTaken = Read(g_resetRequests);
}

void RequestLinkHealthReset()
{
    g_resetRequests.fetch_add(1, std::memory_order_relaxed);
}

void TakeLinkHealthResetRequest()
{
    if (Read(g_resetRequests) != g_resetRequestsTaken)
        ResetLinkHealth();
}

LinkHealthReading ReadLinkHealth()
{
    const LinkHealthCounters& c = g_LinkHealth;
    return {Read(c.bytes),        Read(c.accepted),         Read(c.rejected),
            Read(c.skipped),      Read(c.revolutions),      Read(c.cutShort),
            Read(c.samples),      Read(c.validSamples),     Read(c.lastRevolutionNs),
            Read(c.previousRevolutionNs), Read(c.resets)};
}

LinkHealthFigures FiguresBetween(const LinkHealthReading& earlier, const LinkHealthReading& later, double seconds)
{
    const LinkHealthReading from = later.resets == earlier.resets ? earlier : LinkHealthReading{};
    LinkHealthFigures figures;
    const int64_t revolutions = later.revolutions - from.revolutions;
    // Timed from completion to completion, so the rate does not depend on when it is read.
    int64_t spanNs = 0;
    int64_t timed = 0;
    if (revolutions > 0 && from.revolutions > 0) {
        spanNs = later.lastRevolutionNs - from.lastRevolutionNs;
        timed = revolutions;
    } else if (revolutions > 0 && later.revolutions > 1) {
        spanNs = later.lastRevolutionNs - later.previousRevolutionNs;
        timed = 1;
    }
    if (spanNs > 0)
        figures.revolutionsPerSecond = static_cast<double>(timed) * 1e9 / static_cast<double>(spanNs);
    if (seconds > 0.0)
        figures.bytesPerSecond = static_cast<double>(later.bytes - from.bytes) / seconds;
    const int64_t rejected = later.rejected - from.rejected;
    figures.packets = later.accepted - from.accepted + rejected;
    if (figures.packets > 0)
        figures.badShare = static_cast<double>(rejected) / static_cast<double>(figures.packets);
    figures.samples = later.samples;
    figures.validSamples = later.validSamples;
    return figures;
}
