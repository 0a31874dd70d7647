#include "tools/RunVerdict.h"

#include <ostream>

#include "tools/Counted.h"
#include "tools/ToolArguments.h"

int JudgeRevolutions(const RunSource& source, const LinkHealthReading& health, int32_t protocol, std::ostream& err)
{
    if (health.revolutions > 0)
        return EXIT_OK;
    const std::string said = std::string("plotwell-tool ") + source.command + ": ";
    if (health.bytes == 0 && !source.port) {
        err << said << source.name << " holds no data\n";
        return EXIT_OK;
    }
    if (health.bytes == 0) {
        err << said << "nothing received from " << source.name
            << "; is the scanner powered and spinning, and its cable on this port?\n";
        return EXIT_FAILED;
    }
    err << said << "no revolution in " << Counted(health.bytes, "byte") << " (" << Counted(health.accepted, "packet")
        << " of protocol " << protocol << " passed, " << health.rejected << " failed their check bytes); is the model right? "
        << (source.port ? "'plotwell-tool probe " + source.name + "' tells\n"
                        : std::string("'plotwell-tool probe PORT' tells which model the scanner on PORT is\n"));
    return EXIT_FAILED;
}
