// Whole-program figures of the viewer, run through the program's own entry point
// (CPlotwellApp::Run) so that start-up, libraries and every thread count as in `plotwell`:
//   bench_program_figures startup               process start to the first drawn revolution of --demo
//   bench_program_figures cpu SECONDS           CPU of the whole process while it shows a simulated
//                                               scanner of 10 revolutions a second of 4000 samples
// Run it on a display (scripts/program-figures.sh uses xvfb-run); it prints one line of figures.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>

#include "run/PseudoTerminalScanner.h"
#include "ui/ControlIds.h"
#include "ui/PlotwellApp.h"
#include "ui/PlotwellDlg.h"

namespace {

constexpr int32_t HEAVY_SAMPLES = 4000;
constexpr float HEAVY_RATE = 10.0f;
constexpr int32_t HEAVY_LINE_BAUD = 2000000;  // room for 4000 samples ten times a second in protocol 1
constexpr double WARM_UP_SECONDS = 3.0;

enum class Mode { Startup, Cpu };
Mode g_mode = Mode::Startup;
double g_cpuSeconds = 60.0;
std::string g_heavyPort;

double Now(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// When the kernel started this process, in seconds since boot (to 1/CLK_TCK s).
double ProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const char* field = std::strrchr(text.c_str(), ')') + 2;  // field 3, the state
    for (int i = 3; i < 22; ++i)
        field = std::strchr(field, ' ') + 1;
    return std::strtod(field, nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ProcessCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds and wake-ups of every thread of the process so far, by thread id and name: the UI thread has the
// process's id, the receive thread and the simulated scanner's writer follow in the order made.
std::string ThreadCpu()
{
    std::string text;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "stat");
        std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t open = line.find('(');
        const size_t close = line.rfind(')');
        std::istringstream fields(line.substr(close + 2));
        std::string field;
        double user = 0.0;
        double system = 0.0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                user = std::stod(field);
            if (i == 15)
                system = std::stod(field);
        }
        // Each voluntary switch is a wait that ended: a wake-up.
        std::ifstream status(task.path() / "status");
        std::string wakeUps = "?";
        for (std::string row; std::getline(status, row);)
            if (row.rfind("voluntary_ctxt_switches:", 0) == 0)
                wakeUps = row.substr(row.find_first_not_of(" \t", 24));
        text += "  " + task.path().filename().string() + " " + line.substr(open + 1, close - open - 1) + " " +
                std::to_string((user + system) / tick) + " s, " + wakeUps + " wake-ups\n";
    }
    return text;
}

double LoadAverage()
{
    double load[1] = {};
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

CPlotwellDlg* FindDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<CPlotwellDlg*>(widget))
            return dialog;
    return nullptr;
}

void OpenHeavyScanner(CPlotwellDlg& dialog)
{
    qobject_cast<QAbstractButton*>(dialog.Control(ControlId::RANGE_6M))->click();
    auto* ports = qobject_cast<QComboBox*>(dialog.Control(ControlId::PORT));
    ports->setCurrentIndex(ports->findData(QString::fromStdString(g_heavyPort)));
    qobject_cast<QAbstractButton*>(dialog.Control(ControlId::OPEN_CLOSE))->click();
}

void MeasureCpu(CPlotwellDlg& dialog)
{
    struct Window {
        int frames = 0;
        double wall = 0.0;
        double cpu = 0.0;
    };
    auto window = std::make_shared<Window>();
    QObject::connect(&dialog, &CPlotwellDlg::frameShown, &dialog, [window] { ++window->frames; });
    QTimer::singleShot(static_cast<int>(WARM_UP_SECONDS * 1000), &dialog, [&dialog, window] {
        window->frames = 0;
        window->wall = Now(CLOCK_MONOTONIC);
        window->cpu = ProcessCpuSeconds();
        QTimer::singleShot(static_cast<int>(g_cpuSeconds * 1000), &dialog, [&dialog, window] {
            const double wall = Now(CLOCK_MONOTONIC) - window->wall;
            const double cpu = ProcessCpuSeconds() - window->cpu;
            std::printf("cpu: %.1f s measured, %.2f s CPU = %.2f %% of one core, %.1f revolutions drawn a second, "
                        "load average %.1f\n",
                        wall, cpu, 100.0 * cpu / wall, window->frames / wall, LoadAverage());
            std::printf("CPU of each thread since the start:\n%s", ThreadCpu().c_str());
            dialog.done(0);
        });
    });
}

// Runs when the program's QApplication is made: the dialog exists once its event loop turns.
void Watch()
{
    QTimer::singleShot(0, [] {
        CPlotwellDlg* dialog = FindDialog();
        if (dialog == nullptr) {
            std::fputs("no main dialog\n", stderr);
            QCoreApplication::exit(1);
            return;
        }
        if (g_mode == Mode::Cpu) {
            OpenHeavyScanner(*dialog);
            MeasureCpu(*dialog);
            return;
        }
        auto first = std::make_shared<QMetaObject::Connection>();
        *first = QObject::connect(dialog, &CPlotwellDlg::frameShown, dialog, [dialog, first] {
            QObject::disconnect(*first);
            const double seconds = Now(CLOCK_BOOTTIME) - ProcessStart();
            std::printf("startup: %.0f ms from process start to the first drawn revolution, load average %.1f\n",
                        seconds * 1000.0, LoadAverage());
            dialog->done(0);
        });
    });
}
Q_COREAPP_STARTUP_FUNCTION(Watch)

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "cpu") == 0) {
        g_mode = Mode::Cpu;
        if (argc >= 3)
            g_cpuSeconds = std::strtod(argv[2], nullptr);
    }
    char name[] = "plotwell";
    char demo[] = "--demo";
    char port[] = "--port";
    if (g_mode == Mode::Startup) {
        char* arguments[] = {name, demo, nullptr};
        return CPlotwellApp().Run(2, arguments);
    }
    SimulatedScannerSettings heavy;
    heavy.protocol = 1;
    heavy.samplesPerSecond = static_cast<int32_t>(HEAVY_SAMPLES * HEAVY_RATE);
    heavy.revolutionsPerSecond = HEAVY_RATE;
    PseudoTerminalScanner scanner(heavy, HEAVY_LINE_BAUD);
    std::string reason;
    if (!scanner.Open(&reason) || !scanner.Start(&reason)) {
        std::fprintf(stderr, "no simulated scanner: %s\n", reason.c_str());
        return 1;
    }
    g_heavyPort = scanner.Path();
    std::string path = g_heavyPort;
    char* arguments[] = {name, port, path.data(), nullptr};
    return CPlotwellApp().Run(3, arguments);
}
