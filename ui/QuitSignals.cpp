#include "ui/QuitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

namespace {
int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the UI thread does the rest when the pipe wakes it.
void OnQuitSignal(int)
{
    const char byte = 1;
    // A full pipe already holds a wake-up, so a byte that cannot be written is not missed.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}
}  // namespace

void CloseOnQuitSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        while (::read(g_signalPipe[0], &byte, 1) > 0) {
        }
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // Ignored at start (nohup, a shell's background job): whoever started the viewer asked
        // for it to outlive that signal.
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}
