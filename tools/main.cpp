// plotwell-tool: the viewer's core on the command line. Dispatches to one subcommand.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

struct ToolCommand {
    const char* name;
    ToolCommandFunction run;
    const char* summary;
};

// A new subcommand is one more row.
const ToolCommand COMMANDS[] = {
    {"decode", RunDecodeCommand, "decode a raw data file into frames of angle and distance"},
    {"simulate", RunSimulateCommand, "write revolutions of a simulated scanner as a raw data file"},
    {"monitor", RunMonitorCommand, "watch a serial port through the receive thread, one line per revolution"},
    {"probe", RunProbeCommand, "find which model's scanner is on a serial port"},
    {"ports", RunPortsCommand, "list the serial ports, whether each is free, busy or not accessible, and why"},
    {"publish", RunPublishCommand, "publish the revolutions of a port or a recording as ROS 2 LaserScans"},
    {"serve", RunServeCommand, "serve the revolutions of a port or a recording to Foxglove and Lichtblick"},
    {"record", RunRecordCommand, "record the revolutions of a port or a raw data file into an MCAP file"},
    {"convert", RunConvertCommand, "convert a raw data file into an MCAP recording and back, or finish a cut one"},
};

void PrintUsage(std::ostream& out)
{
    out << "Usage: plotwell-tool COMMAND [OPTION]...\n"
           "The viewer's core without a window. 'plotwell-tool COMMAND --help' lists the options of a command.\n"
           "\n"
           "Commands:\n";
    for (const ToolCommand& command : COMMANDS)
        out << "  " << std::left << std::setw(10) << command.name << command.summary << "\n";
    out << "\n"
           "Options:\n"
           "  --help      print this help\n"
           "  --version   print the version\n";
}

// A standard stream closed by the caller (decode - <&-) would be reused by the next descriptor
// opened, and the command would read or write whatever that is. Each closed one is held by
// /dev/null opened the other way round, so that using it fails as a closed one does.
void HoldClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    HoldClosedStandardStreams();
    // A reader that went away shows as a failed write (EPIPE), which each command answers in its
    // own way, instead of ending the program unannounced.
    std::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        PrintUsage(std::cerr);
        return EXIT_USAGE;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "help") {
        PrintUsage(std::cout);
        return EXIT_OK;
    }
    if (name == "--version") {
        std::cout << "plotwell-tool " PLOTWELL_VERSION "\n";
        return EXIT_OK;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const ToolCommand& command : COMMANDS) {
        if (name == command.name)
            return command.run(args, std::cin, std::cout, std::cerr);
    }
    std::cerr << "plotwell-tool: '" << name << "' is not a command\n";
    PrintUsage(std::cerr);
    return EXIT_USAGE;
}
