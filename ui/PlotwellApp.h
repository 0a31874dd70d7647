// The application: command line, layout language, the demo scanner, and the main dialog run
// until the operator closes it.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "foxglove/ListenAddress.h"
#include "ui/DialogOptions.h"
#include "ui/LayoutTexts.h"

struct DeviceModel;

struct AppOptions {
    std::optional<DialogLanguage> language;  // --lang en|zh; otherwise the system locale
    bool demo = false;                       // --demo: start on the built-in simulated scanner
    const DeviceModel* model = nullptr;      // --model NAME: chosen in the model list, simulated by --demo
    std::string port;                        // --port PATH: offered first in the port list
    std::string playFile;                    // --play FILE: start playing this data file (its name's bytes)
    std::string recordDir;                   // --record-dir DIR: where recordings are written
    bool recordMcap = false;                 // --record-format mcap: RECORD_DATA records MCAP
    Ros2Options ros2;                        // --publish, --subscribe, --domain (or ROS_DOMAIN_ID)
    std::optional<ListenAddress> serve;      // --serve [ADDR:]PORT
    bool help = false;                       // --help: print the usage and end
    bool version = false;                    // --version: print the version and end
    QString error;                           // not empty: the command line was not understood
};

// Reads the arguments after the program name, as the system passes them.
AppOptions ParseArguments(const std::vector<std::string>& arguments);

// Simplified Chinese (zh_CN) gets the Chinese layout, every other locale the English one.
DialogLanguage LanguageFor(const QLocale& locale);

class CPlotwellApp {
public:
    // Runs the program; returns its exit code.
    int Run(int argc, char** argv);
};
