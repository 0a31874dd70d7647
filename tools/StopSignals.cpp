#include "tools/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <iterator>
#include <mutex>

namespace {

constexpr int CAUGHT[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may run on any thread (DDS starts threads of its own). Sequentially consistent, like
// g_alsoStop: a stop that comes while AlsoStop is called is seen by one side or the other.
std::atomic<bool> g_arrived{false};
// Read by the handler and by waiting threads while another instance may be made or ended.
std::atomic<int> g_wakeRead{-1};
std::atomic<int> g_wakeWrite{-1};
// A stop flag that the handler sets as well (StopSignals::AlsoStop).
std::atomic<std::atomic<uint8_t>*> g_alsoStop{nullptr};
// Lock-free, so the handler may use them.
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::atomic<uint8_t>*>::is_always_lock_free &&
              std::atomic<uint8_t>::is_always_lock_free);

std::mutex g_installMutex;
int g_instances = 0;  // guarded by g_installMutex, like the two below
struct sigaction g_previous[std::size(CAUGHT)];
bool g_installed[std::size(CAUGHT)];
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
    g_arrived.store(true);
    if (std::atomic<uint8_t>* flag = g_alsoStop.load())
        flag->store(1, std::memory_order_relaxed);
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_wakeWrite.load(std::memory_order_relaxed), &byte, 1);
}

}  // namespace

StopSignals::StopSignals()
{
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (g_instances++ > 0)
        return;
    g_arrived.store(false);
    OpenWakePipe();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write blocked on a full pipe returns, and the stop is seen at once.
    action.sa_flags = 0;
    for (size_t i = 0; i < std::size(CAUGHT); ++i) {
        // A signal ignored when the program started stays ignored (nohup, a shell's background
        // job): whoever started it asked not to be stopped that way.
        sigaction(CAUGHT[i], nullptr, &g_previous[i]);
        g_installed[i] = g_previous[i].sa_handler != SIG_IGN;
        if (g_installed[i])
            sigaction(CAUGHT[i], &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_previousPipe);
}

StopSignals::~StopSignals()
{
    if (m_alsoStop != nullptr)
        g_alsoStop.compare_exchange_strong(m_alsoStop, nullptr);
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (--g_instances > 0)
        return;
    for (size_t i = 0; i < std::size(CAUGHT); ++i) {
        if (g_installed[i])
            sigaction(CAUGHT[i], &g_previous[i], nullptr);
    }
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
    CloseWakePipe();
}

void StopSignals::AlsoStop(std::atomic<uint8_t>& flag)
{
    m_alsoStop = &flag;
    g_alsoStop.store(&flag);
    if (Arrived())
        flag.store(1, std::memory_order_relaxed);
}

int StopSignals::WakeFd() const
{
    return g_wakeRead.load(std::memory_order_relaxed);
}

bool StopSignals::Arrived() const
{
    return g_arrived.load();
}
