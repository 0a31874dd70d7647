#include "ui/PlotwellApp.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "acquisition/PortEnumeration.h"
#include "files/OutputDirectory.h"
#include "protocols/DeviceModel.h"
#include "ros2/RosNames.h"
#include "run/PseudoTerminalScanner.h"
#include "ui/ControlIds.h"
#include "ui/DemoScanner.h"
#include "ui/MessageBox.h"
#include "ui/PlotwellDlg.h"
#include "ui/QuitSignals.h"

namespace {

const char USAGE[] =
    "Usage: plotwell [OPTION]...\n"
    "Shows the revolutions of a rotating 2-D laser range scanner on a serial port as a polar plot.\n"
    "\n"
    "Options:\n"
    "  --demo             open the built-in simulated scanner at once (of --model's model, else TR20_A)\n"
    "  --model NAME       choose the scanner model: TR20, TR20_A (the default), TR30_A, TR30_E (protocol 1),\n"
    "                     TR20_B (protocol 1), TR20_C (protocol 2), TR20_D (protocol 3) or TR10 (protocol 0,\n"
    "                     230400 baud); Detect chooses the model it hears on the port\n"
    "  --port PATH        offer PATH first in the port list\n"
    "  --lang en|zh       English or Simplified Chinese layout (default: the system's language)\n"
    "  --play FILE        play a raw data file or an MCAP recording back, as if it had been dropped\n"
    "                     (instead of --demo); a raw data file is read as the chosen model's scanner\n"
    "                     sends it, a recording as the model it names\n"
    "  --record-dir DIR   write recordings and snapshots into DIR (created when needed)\n"
    "  --record-format text|mcap  what RECORD_DATA writes first: text files (default) or an MCAP recording\n"
    "  --publish TOPIC    also publish every revolution as a ROS 2 LaserScan on TOPIC (e.g. /scan)\n"
    "  --subscribe TOPIC  draw the LaserScans of the ROS 2 topic TOPIC instead of a port\n"
    "  --domain N         DDS domain of --publish and --subscribe (default: ROS_DOMAIN_ID, else 0)\n"
    "  --serve [ADDR:]PORT  also serve every revolution to Foxglove and Lichtblick over the Foxglove\n"
    "                     WebSocket protocol (e.g. 8765: this machine only; 0.0.0.0:8765: every machine\n"
    "                     that reaches this one)\n"
    "  --node-name NAME   the node's name in the ROS 2 graph (default: plotwell)\n"
    "  --help             print this help and end\n"
    "  --version          print the version and end\n";

std::unique_ptr<PseudoTerminalScanner> StartDemo(const DeviceModel& model, DialogOptions& options)
{
    std::string reason;
    std::unique_ptr<PseudoTerminalScanner> demo = StartDemoScanner(model, &reason);
    if (!demo) {
        ShowMessage(nullptr, QStringLiteral("Demo scanner not started"), QString::fromStdString(reason));
        return nullptr;
    }
    options.extraPorts.insert(options.extraPorts.begin(), demo->Path());
    return demo;
}

// A subscribed window draws the topic instead of a port, so it neither opens a port, plays a
// file nor has revolutions of its own to publish or serve.
void CheckRos2Options(AppOptions& options, bool domainGiven)
{
    const Ros2Options& ros2 = options.ros2;
    if (!ros2.subscribeTopic.empty() &&
        (!ros2.publishTopic.empty() || options.serve || options.demo || !options.playFile.empty())) {
        options.error = QStringLiteral("--subscribe draws a topic instead of a port; it goes with none of --publish, "
                                       "--serve, --demo and --play");
        return;
    }
    std::string reason;
    const bool usesDds = !ros2.publishTopic.empty() || !ros2.subscribeTopic.empty();
    if (usesDds && !domainGiven && !DomainFromEnvironment(options.ros2.domain, reason))
        options.error = QString::fromStdString(reason);
}

}  // namespace

AppOptions ParseArguments(const std::vector<std::string>& raw)
{
    // File names stay as the system spells them; the rest is text.
    QStringList arguments;
    for (const std::string& argument : raw)
        arguments << QString::fromLocal8Bit(argument.c_str());
    AppOptions options;
    bool domainGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QStringLiteral("--demo")) {
            options.demo = true;
        } else if (argument == QStringLiteral("--help")) {
            options.help = true;
        } else if (argument == QStringLiteral("--version")) {
            options.version = true;
        } else if (argument == QStringLiteral("--port") && hasValue) {
            options.port = raw[static_cast<size_t>(++i)];
            // A missing path is kept: the adapter may be plugged in later, and OPEN says so.
            const PathKind kind = LookAtPath(options.port).kind;
            if (kind == PathKind::RegularFile || kind == PathKind::Other)
                options.error = QStringLiteral("--port ") + arguments[i] + QStringLiteral(": not a serial device");
        } else if (argument == QStringLiteral("--model") && hasValue) {
            const std::string name = arguments[++i].toStdString();
            options.model = FindAnyModel(name.c_str());
            if (options.model == nullptr)
                options.error = QStringLiteral("--model: '%1' is not a model; use one of %2")
                                    .arg(QString::fromStdString(name), QString::fromStdString(ModelNames()));
        } else if (argument == QStringLiteral("--play") && hasValue) {
            options.playFile = raw[static_cast<size_t>(++i)];
        } else if (argument == QStringLiteral("--record-dir") && hasValue) {
            options.recordDir = raw[static_cast<size_t>(++i)];
            if (options.recordDir.empty())
                options.error = QStringLiteral("--record-dir needs a directory");
        } else if (argument == QStringLiteral("--record-format") && hasValue) {
            const QString value = arguments[++i];
            options.recordMcap = value == QStringLiteral("mcap");
            if (!options.recordMcap && value != QStringLiteral("text"))
                options.error = QStringLiteral("--record-format takes text or mcap, not ") + value;
        } else if ((argument == QStringLiteral("--publish") || argument == QStringLiteral("--subscribe")) &&
                   hasValue) {
            std::string& topic = argument == QStringLiteral("--publish") ? options.ros2.publishTopic
                                                                          : options.ros2.subscribeTopic;
            topic = arguments[++i].toStdString();
            std::string ddsName;
            std::string reason;
            if (!DdsTopicName(topic, ddsName, reason))
                options.error = argument + QStringLiteral(": ") + QString::fromStdString(reason);
        } else if (argument == QStringLiteral("--serve") && hasValue) {
            ListenAddress address;
            std::string reason;
            if (ParseListenAddress(arguments[++i].toStdString(), address, reason))
                options.serve = address;
            else
                options.error = QStringLiteral("--serve: ") + QString::fromStdString(reason);
        } else if (argument == QStringLiteral("--node-name") && hasValue) {
            options.ros2.nodeName = arguments[++i].toStdString();
            std::string reason;
            if (!CheckNodeName(options.ros2.nodeName, reason))
                options.error = argument + QStringLiteral(": ") + QString::fromStdString(reason);
        } else if (argument == QStringLiteral("--domain") && hasValue) {
            std::string reason;
            domainGiven = ParseDomainId(arguments[++i].toStdString(), options.ros2.domain, reason);
            if (!domainGiven)
                options.error = QStringLiteral("--domain: ") + QString::fromStdString(reason);
        } else if (argument == QStringLiteral("--lang") && hasValue) {
            const QString value = arguments[++i];
            if (value == QStringLiteral("en"))
                options.language = DialogLanguage::English;
            else if (value == QStringLiteral("zh"))
                options.language = DialogLanguage::Chinese;
            else
                options.error = QStringLiteral("unknown language: ") + value;
        } else {
            options.error = QStringLiteral("not understood: ") + argument;
        }
        if (!options.error.isEmpty())
            break;
    }
    if (options.error.isEmpty())
        CheckRos2Options(options, domainGiven);
    return options;
}

DialogLanguage LanguageFor(const QLocale& locale)
{
    return locale.name() == QStringLiteral("zh_CN") ? DialogLanguage::Chinese : DialogLanguage::English;
}

int CPlotwellApp::Run(int argc, char** argv)
{
    // Read before the display is opened, so that a mistyped option is reported even where
    // there is no display.
    const AppOptions app = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!app.error.isEmpty()) {
        std::fprintf(stderr, "plotwell: %s\n%s", qPrintable(app.error), USAGE);
        return 2;
    }
    if (app.help || app.version) {
        std::fputs(app.help ? USAGE : "plotwell " PLOTWELL_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(APP_TITLE));
    // Lets the desktop match the window to its launcher entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(PLOTWELL_APP_ID));
    CloseOnQuitSignals();

    DialogOptions options;
    // Someone who starts the program from a launcher sees no terminal: the window says it.
    if (!app.recordDir.empty()) {
        SetRecordDirectory(app.recordDir);
        std::string reason;
        if (ResolveRecordDirectory(&reason).empty()) {
            options.unusableRecordDir = app.recordDir;
            // The reason begins with the directory, which the note shows on a line of its own.
            const std::string named = app.recordDir + ": ";
            options.recordDirProblem = reason.rfind(named, 0) == 0 ? reason.substr(named.size()) : reason;
        }
    }
    options.language = app.language.value_or(LanguageFor(QLocale::system()));
    if (!app.port.empty())
        options.extraPorts.push_back(app.port);
    options.ros2 = app.ros2;
    options.serve = app.serve;
    // The demo is the default model's scanner unless another is named.
    const DeviceModel& model = app.model != nullptr ? *app.model : g_ModelTR20_A;
    options.recordMcap = app.recordMcap;
    std::unique_ptr<PseudoTerminalScanner> demo;
    if (app.demo)
        demo = StartDemo(model, options);

    CPlotwellDlg dialog(options);
    if (app.model != nullptr)
        ChooseModel(dialog, *app.model);
    if (!app.playFile.empty())
        QTimer::singleShot(0, &dialog, [&dialog, &app] { dialog.PlayFile(app.playFile); });
    else if (demo)
        QTimer::singleShot(0, &dialog, [&dialog, &demo, &model] { OpenDemo(dialog, demo->Path(), model); });
    dialog.exec();
    return 0;
}
