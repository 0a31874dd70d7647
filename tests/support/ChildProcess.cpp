#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

extern char** environ;

ChildProcess::ChildProcess(const std::vector<std::string>& argv, ChildStreams streams,
                           const std::vector<std::string>& environment)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (char** entry = environ; *entry != nullptr; ++entry)
        env.push_back(*entry);
    for (const std::string& entry : environment)
        env.push_back(const_cast<char*>(entry.c_str()));
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (streams.in == -1)
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int given[] = {streams.in, streams.out, streams.err};
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (given[fd] >= 0)
            posix_spawn_file_actions_adddup2(&actions, given[fd], fd);
        else if (given[fd] == ChildStreams::CLOSED)
            posix_spawn_file_actions_addclose(&actions, fd);
    }
    // The signals the tests send or provoke start with their defaults (an ignored one would
    // stay ignored across exec), whatever the test process set up for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (::posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), env.data()) != 0)
        m_pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && m_status < 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool ChildProcess::Signal(int signal) const
{
    return m_pid > 0 && m_status < 0 && ::kill(m_pid, signal) == 0;
}

namespace {

// One of the signal sets of /proc/PID/status ("SigIgn", "SigCgt") holds `signal`.
bool InSignalSet(pid_t pid, const std::string& set, int signal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(set + ":", 0) == 0)
            return (std::stoull(line.substr(set.size() + 1), nullptr, 16) >> (signal - 1) & 1) != 0;
    }
    return false;
}

}  // namespace

bool ChildProcess::Ignores(int signal) const
{
    return m_pid > 0 && InSignalSet(m_pid, "SigIgn", signal);
}

bool ChildProcess::Catches(int signal) const
{
    return m_pid > 0 && InSignalSet(m_pid, "SigCgt", signal);
}

int ChildProcess::Wait(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0 && m_status < 0) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (std::chrono::steady_clock::now() > deadline)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_status;
}

pid_t PidOfEndedProcess()
{
    ChildProcess child({"/bin/true"});
    child.Wait(10000);
    return child.Pid();
}
