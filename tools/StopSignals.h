// Ctrl+C, kill and a closed terminal end a command through its close path, so that the port's
// lock file goes with it; a reader that went away shows as a failed write instead of SIGPIPE.
#pragma once

class StopSignals {
public:
    // Catches SIGINT, SIGTERM and SIGHUP and ignores SIGPIPE until destroyed. One at a time.
    StopSignals();
    // Puts the previous dispositions back.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Becomes readable once one of the signals arrived: poll it beside whatever is waited for.
    int WakeFd() const;
    bool Arrived() const;
};
