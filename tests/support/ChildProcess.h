// A program a test starts (the built tools, the viewer, a stand-in holder of a device), with its
// standard streams where the test wants them. Killed at the end of the test if still running.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Descriptors that become the child's standard streams.
struct ChildStreams {
    static constexpr int CLOSED = -2;  // the child starts with the stream closed

    int in = -1;   // -1: /dev/null
    int out = -1;  // -1: the test's own
    int err = -1;  // -1: the test's own
};

class ChildProcess {
public:
    // `environment`: NAME=value entries added to the test's own environment.
    ChildProcess(const std::vector<std::string>& argv, ChildStreams streams = {},
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    bool Signal(int signal) const;
    // How the running child has `signal` set up, as /proc/PID/status shows it.
    bool Ignores(int signal) const;
    bool Catches(int signal) const;
    // The exit status, 128 + the signal for a program killed by one, or -1 while it is still
    // running after `timeoutMs`.
    int Wait(int timeoutMs);

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

// A pid that no process has: one of a child that has ended and been reaped.
pid_t PidOfEndedProcess();
