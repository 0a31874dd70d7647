// plotwell-tool ports: every serial port the viewer would consider and why it would or would
// not offer it, without opening any device. The quickest answer to "why is my scanner not listed".
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "acquisition/PortAccess.h"
#include "acquisition/PortEnumeration.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char USAGE[] =
    "usage: plotwell-tool ports [--port PATH]...\n"
    "Lists every serial port the viewer would consider, one line each: its path, its name under\n"
    "/dev/serial/by-id, its state and its driver ('-' where there is none). The state is one of\n"
    "  free                         the viewer offers it\n"
    "  free as far as this user can see\n"
    "                               the same, but the open files of other users' programs cannot\n"
    "                               be read: one of them may hold it without a lock\n"
    "  busy: NAME (pid N)           another program holds it (or why it counts as held)\n"
    "  no access: OWNER:GROUP MODE  this user may not open it\n"
    "and, for a path given with --port that is no serial port,\n"
    "  no such device               nothing is there, or a link points nowhere\n"
    "  not a serial device          something else is, such as /dev/null or a file\n"
    "No device is opened.\n"
    "  --port PATH  list PATH too (a pseudo-terminal, a port given to the viewer with --port),\n"
    "               after the ports the system has; may be given more than once\n";

using Row = std::array<std::string, 4>;

Row Describe(const PortEntry& entry)
{
    const std::string noAccess = AccessProblem(entry.path);
    std::string state = entry.othersUnseen ? "free as far as this user can see" : "free";
    if (!noAccess.empty())
        state = "no access: " + noAccess;
    else if (!entry.holder.empty())
        state = "busy: " + entry.holder;
    return {entry.path, entry.displayName != entry.path ? entry.displayName : "-", state,
            entry.driver.empty() ? "-" : entry.driver};
}

// Why an asked path is no port, or empty when it is one.
std::string NotAPort(const std::string& path)
{
    const PathLook look = LookAtPath(path);
    switch (look.kind) {
    case PathKind::SerialDevice:
        return {};
    case PathKind::Missing:
        if (look.error == ENOENT || look.error == ENOTDIR || look.error == ENODEV)
            return "no such device";
        return std::string("cannot be looked at: ") + std::strerror(look.error);
    case PathKind::RegularFile:
    case PathKind::Other:
        break;
    }
    return "not a serial device";
}

void PrintRows(const std::vector<Row>& rows, std::ostream& out)
{
    std::array<size_t, 4> widths{};
    for (const Row& row : rows)
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    for (const Row& row : rows) {
        for (size_t i = 0; i + 1 < row.size(); ++i)
            out << row[i] << std::string(widths[i] - row[i].size() + 2, ' ');
        out << row.back() << "\n";
    }
}

}  // namespace

int RunPortsCommand(const std::vector<std::string>& args, std::istream&, std::ostream& out, std::ostream& err)
{
    PortScanRoots roots;
    const std::vector<OptionRule> rules = {{"--port", [&roots](OptionReader& reader) {
                                                std::string path;
                                                if (!reader.Text(path))
                                                    return false;
                                                roots.extraPaths.push_back(path);
                                                return true;
                                            }}};
    const Parsed parsed = OptionReader("ports", args, err).Read(rules, nullptr);
    if (const std::optional<int> status = EndBeforeRun(parsed, USAGE, out))
        return *status;
    // The asked paths that are ports are listed with the system's; the others after them, each
    // with what it is instead.
    std::vector<Row> refused;
    std::vector<std::string> asked;
    asked.swap(roots.extraPaths);
    for (const std::string& path : asked) {
        const std::string reason = NotAPort(path);
        if (reason.empty())
            roots.extraPaths.push_back(path);
        else if (std::none_of(refused.begin(), refused.end(), [&](const Row& row) { return row[0] == path; }))
            refused.push_back({path, "-", reason, "-"});
    }
    std::vector<PortEntry> all, free, busy;
    EnumeratePorts(all, free, busy, roots);
    std::vector<Row> rows;
    for (const PortEntry& entry : all)
        rows.push_back(Describe(entry));
    rows.insert(rows.end(), refused.begin(), refused.end());
    PrintRows(rows, out);
    return EXIT_OK;
}
