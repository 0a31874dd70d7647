#include "tools/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <iterator>

namespace {

constexpr int CAUGHT[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_arrived = 0;
int g_wakePipe[2] = {-1, -1};
struct sigaction g_previous[3];
struct sigaction g_previousPipe;

// Only async-signal-safe work here: the waiting thread does the rest when the pipe wakes it.
void OnStopSignal(int)
{
    g_arrived = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_wakePipe[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals()
{
    g_arrived = 0;
    if (::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_wakePipe[0] = g_wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write blocked on a full pipe returns, and the stop is seen at once.
    action.sa_flags = 0;
    for (size_t i = 0; i < std::size(CAUGHT); ++i)
        sigaction(CAUGHT[i], &action, &g_previous[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_previousPipe);
}

StopSignals::~StopSignals()
{
    for (size_t i = 0; i < std::size(CAUGHT); ++i)
        sigaction(CAUGHT[i], &g_previous[i], nullptr);
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
    for (int& fd : g_wakePipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

int StopSignals::WakeFd() const
{
    return g_wakePipe[0];
}

bool StopSignals::Arrived() const
{
    return g_arrived != 0;
}
