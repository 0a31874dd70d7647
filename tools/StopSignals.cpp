#include "tools/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iterator>
#include <mutex>

namespace {

constexpr int CAUGHT[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_arrived = 0;
// Read by the handler and by waiting threads while another instance may be made or ended.
std::atomic<int> g_wakeRead{-1};
std::atomic<int> g_wakeWrite{-1};

std::mutex g_installMutex;
int g_instances = 0;  // guarded by g_installMutex
struct sigaction g_previous[3];
struct sigaction g_previousPipe;

void OpenWakePipe()
{
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_wakeRead.store(ends[0], std::memory_order_relaxed);
    g_wakeWrite.store(ends[1], std::memory_order_relaxed);
}

void CloseWakePipe()
{
    for (std::atomic<int>* end : {&g_wakeRead, &g_wakeWrite}) {
        const int fd = end->exchange(-1, std::memory_order_relaxed);
        if (fd >= 0)
            ::close(fd);
    }
}

// Only async-signal-safe work here: the waiting thread does the rest when the pipe wakes it.
void OnStopSignal(int)
{
    g_arrived = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_wakeWrite.load(std::memory_order_relaxed), &byte, 1);
}

}  // namespace

StopSignals::StopSignals()
{
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (g_instances++ > 0)
        return;
    g_arrived = 0;
    OpenWakePipe();
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
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (--g_instances > 0)
        return;
    for (size_t i = 0; i < std::size(CAUGHT); ++i)
        sigaction(CAUGHT[i], &g_previous[i], nullptr);
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
    CloseWakePipe();
}

int StopSignals::WakeFd() const
{
    return g_wakeRead.load(std::memory_order_relaxed);
}

bool StopSignals::Arrived() const
{
    return g_arrived != 0;
}
