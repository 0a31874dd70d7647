// Ctrl+C, kill and a closed terminal end a command through its close path, so that the port's
// lock file goes with it; a reader that went away shows as a failed write instead of SIGPIPE.
#pragma once

class StopSignals {
public:
    // Catches SIGINT, SIGTERM and SIGHUP and ignores SIGPIPE until destroyed. Commands may run side
    // by side in one process (a simulator feeding a monitor): the first instance installs the
    // catching and the last one ends it, and a signal stops them all.
    StopSignals();
    // The last instance puts the previous dispositions back.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Becomes readable once one of the signals arrived: poll it beside whatever is waited for.
    int WakeFd() const;
    bool Arrived() const;
};
