// Ctrl+C, kill and a closed terminal end a command through its close path, so that the port's
// lock file goes with it; a reader that went away shows as a failed write instead of SIGPIPE.
#pragma once

#include <atomic>
#include <cstdint>

class StopSignals {
public:
    // Catches SIGINT, SIGTERM and SIGHUP, each unless it is ignored already, and ignores SIGPIPE
    // until destroyed. Commands may run side by side in one process (a simulator feeding a
    // monitor): the first instance installs the catching and the last one ends it, and a signal
    // stops them all.
    StopSignals();
    // The last instance puts the previous dispositions back.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // A stop also sets `flag` (a port's bStop, which every wait of the parsers tests), for a
    // command whose parsers run on its own thread: a silent line never hands them a revolution
    // to return with. Until this instance is destroyed; `flag` must outlive it.
    void AlsoStop(std::atomic<uint8_t>& flag);

    // Becomes readable once one of the signals arrived: poll it beside whatever is waited for.
    int WakeFd() const;
    bool Arrived() const;

private:
    std::atomic<uint8_t>* m_alsoStop = nullptr;
};
