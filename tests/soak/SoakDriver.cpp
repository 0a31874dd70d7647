// Soak run of the viewer: the whole main dialog, offscreen, on a troubled simulated line for a
// given number of minutes, while an operator that never tires places markers, pans, zooms,
// switches ranges, compensation and filter, and starts and stops recordings.
//   soak_driver [MINUTES]   (default 15; run with QT_QPA_PLATFORM=offscreen)
// Prints a line a minute and a closing report; exits 1 when anything went wrong.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "files/OutputDirectory.h"
#include "tests/soak/CorruptFeeder.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"

namespace {

constexpr int ACTION_MS = 200;
constexpr int HANG_LIMIT_S = 20;         // the UI thread must come back within this
constexpr int STALL_LIMIT_S = 60;        // and draw some revolution within this
constexpr long MEMORY_SLACK_KB = 2048;   // allocator noise allowed after the first minute

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value)
            return value;
    }
    return -1;
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
         + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// What the tireless operator does, one thing per tick.
class Operator {
public:
    Operator(CPlotwellDlg& dialog, uint32_t seed) : m_dialog(dialog), m_random(seed) {}

    void Act()
    {
        QWidget* view = m_dialog.Control(ControlId::VIEW);
        switch (Between(0, 9)) {
        case 0:
            QTest::mouseClick(view, Qt::LeftButton, {}, SomePoint(view));
            break;
        case 1: {
            const QPoint from = SomePoint(view);
            QTest::mousePress(view, Qt::RightButton, {}, from);
            QTest::mouseMove(view, SomePoint(view));
            QTest::mouseRelease(view, Qt::RightButton, {}, SomePoint(view));
            break;
        }
        case 2: {
            const QPoint at = SomePoint(view);
            QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, Between(0, 1) ? 120 : -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
            break;
        }
        case 3:
            Click(RANGE_BUTTONS[Between(0, 8)]);
            break;
        case 4:
            Click(ControlId::COMP_NONE + Between(0, 2));
            break;
        case 5:
            Click(ControlId::FILTER);
            break;
        case 6:
            Enter(ControlId::FILTER_FACTOR, QString::number(Between(1, 50) / 10.0));
            break;
        case 7:
            Enter(ControlId::POINT_NUM, QString::number(Between(10, 210)));
            break;
        default:
            Click(ControlId::RECORD_DATA);
            break;
        }
    }

private:
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    QPoint SomePoint(QWidget* view) { return QPoint(Between(0, view->width() - 1), Between(0, view->height() - 1)); }

    void Click(int id)
    {
        if (auto* button = qobject_cast<QAbstractButton*>(m_dialog.Control(id)); button && button->isEnabled())
            button->click();
    }

    void Enter(int id, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(m_dialog.Control(id));
        if (edit == nullptr || !edit->isEnabled())
            return;
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    CPlotwellDlg& m_dialog;
    std::mt19937 m_random;
};

struct Figures {
    long rssStartKb = 0;
    long rssMinuteKb = 0;
    long rssEndKb = 0;
    long rssMaxAfterMinuteKb = 0;
    int drawn = 0;
    int opens = 0;  // OPEN pressed: the first open and one after each hang-up
    QStringList messages;
    QStringList errors;
};

void PrintReport(double minutes, const FeederCounts& sent, const Figures& f)
{
    std::printf("soak: %.1f min on a pseudo-terminal, protocol 1\n", minutes);
    std::printf("  revolutions sent %lld, drawn %d\n", static_cast<long long>(sent.revolutions.load()), f.drawn);
    std::printf("  line trouble: %lld bit-flip bursts, %lld drops, %lld inserts, %lld garbage bursts, "
                "%lld pauses, %lld hang-ups (OPEN pressed %d times)\n",
                static_cast<long long>(sent.bitFlips.load()), static_cast<long long>(sent.drops.load()),
                static_cast<long long>(sent.inserts.load()), static_cast<long long>(sent.bursts.load()),
                static_cast<long long>(sent.pauses.load()), static_cast<long long>(sent.hangUps.load()), f.opens);
    std::printf("  resident memory: %ld kB at start, %ld kB after 1 min, %ld kB at the end (max after 1 min %ld kB)\n",
                f.rssStartKb, f.rssMinuteKb, f.rssEndKb, f.rssMaxAfterMinuteKb);
    std::printf("  CPU time %.1f s (%.1f %% of one core)\n", CpuSeconds(), 100.0 * CpuSeconds() / (minutes * 60.0));
    std::printf("  messages shown: %lld%s%s\n", static_cast<long long>(f.messages.size()),
                f.messages.isEmpty() ? "" : " - ", f.messages.join(", ").toUtf8().constData());
    std::printf("  errors: %s\n", f.errors.isEmpty() ? "none" : f.errors.join("; ").toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 15.0;
    QApplication application(argc, argv);
    Figures figures;
    figures.rssStartKb = ResidentKb();

    const std::filesystem::path scratch = std::filesystem::temp_directory_path() / ("plotwell-soak-" + std::to_string(::getpid()));
    for (const char* folder : {"sys", "lock", "proc", "records"})
        std::filesystem::create_directories(scratch / folder);
    SetRecordDirectory((scratch / "records").string());
    SetMessageSink([&](const QString& text) { figures.messages << text.section('\n', 0, 0); });

    CorruptFeeder feeder((scratch / "scanner").string(), 7);
    if (!feeder.Start()) {
        std::fprintf(stderr, "soak: no pseudo-terminal\n");
        return 1;
    }
    DialogOptions options;
    options.roots.sysClassTty = (scratch / "sys").string();
    options.roots.serialById = (scratch / "by-id").string();
    options.roots.lockDirs = {(scratch / "lock").string()};
    options.roots.proc = (scratch / "proc").string();
    options.extraPorts = {(scratch / "scanner").string()};
    CPlotwellDlg dialog(options);
    dialog.resize(1000, 720);
    dialog.show();
    QObject::connect(&dialog, &CPlotwellDlg::frameShown, [&] { ++figures.drawn; });
    auto* openClose = qobject_cast<QAbstractButton*>(dialog.Control(ControlId::OPEN_CLOSE));

    // The watchdog ends the run loudly when the UI thread stops coming back.
    std::atomic<int64_t> heartbeat{0};
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        int64_t seen = -1;
        for (int quiet = 0; !finished; std::this_thread::sleep_for(std::chrono::seconds(1))) {
            quiet = heartbeat == seen ? quiet + 1 : 0;
            seen = heartbeat;
            if (quiet > HANG_LIMIT_S) {
                std::fprintf(stderr, "soak: the UI thread has not come back for %d s: hang\n", HANG_LIMIT_S);
                std::abort();
            }
        }
    });

    Operator person(dialog, 11);
    QElapsedTimer clock;
    clock.start();
    int lastDrawn = 0;
    qint64 lastProgressMs = 0;
    int reportedMinute = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++heartbeat;
        const qint64 ms = clock.elapsed();
        if (openClose->text() == QStringLiteral("OPEN")) {
            ++figures.opens;
            openClose->click();
        } else {
            person.Act();
        }
        if (figures.drawn != lastDrawn) {
            lastDrawn = figures.drawn;
            lastProgressMs = ms;
        } else if (ms - lastProgressMs > STALL_LIMIT_S * 1000) {
            figures.errors << QString("nothing drawn for %1 s at minute %2").arg(STALL_LIMIT_S).arg(ms / 60000.0, 0, 'f', 1);
            lastProgressMs = ms;
        }
        if (ms >= 60000)
            figures.rssMaxAfterMinuteKb = std::max(figures.rssMaxAfterMinuteKb, ResidentKb());
        if (ms / 60000 > reportedMinute) {
            reportedMinute = static_cast<int>(ms / 60000);
            if (reportedMinute == 1)
                figures.rssMinuteKb = ResidentKb();
            std::printf("minute %d: sent %lld, drawn %d, resident %ld kB, CPU %.1f s\n", reportedMinute,
                        static_cast<long long>(feeder.Counts().revolutions.load()), figures.drawn, ResidentKb(),
                        CpuSeconds());
            std::fflush(stdout);
        }
        if (ms >= minutes * 60000.0)
            QApplication::quit();
    });
    tick.start(ACTION_MS);
    QApplication::exec();

    if (openClose->text() != QStringLiteral("OPEN"))
        openClose->click();
    feeder.Stop();
    finished = true;
    watchdog.join();
    figures.rssEndKb = ResidentKb();
    if (figures.rssMinuteKb > 0 && figures.rssEndKb > figures.rssMinuteKb + MEMORY_SLACK_KB)
        figures.errors << QString("resident memory grew from %1 kB to %2 kB after the first minute")
                              .arg(figures.rssMinuteKb).arg(figures.rssEndKb);
    PrintReport(minutes, feeder.Counts(), figures);
    std::filesystem::remove_all(scratch);
    return figures.errors.isEmpty() ? 0 : 1;
}
