#include "tools/OutputCheck.h"

#include <cerrno>
#include <cstring>
#include <ostream>

OutputCheck::OutputCheck(std::ostream& out, const char* command) : m_out(out), m_command(command) {}

bool OutputCheck::Good()
{
    // The failing write has just set errno; a stream that fails without one is a plain I/O error.
    if (!m_out && m_error == 0)
        m_error = errno != 0 ? errno : EIO;
    return m_error == 0;
}

bool OutputCheck::Finish(std::ostream& err)
{
    if (Good()) {
        errno = 0;
        m_out.flush();
    }
    if (Good())
        return true;
    if (m_error != EPIPE)
        err << "plotwell-tool " << m_command << ": cannot write output: " << std::strerror(m_error) << "\n";
    return false;
}
