// The data a command writes (decode's lines, simulate's bytes): every write is checked, and a
// failure ends the command with exit status 1, since what was written is incomplete. The
// system's reason is kept from the moment of the failure; a reader that went away (a closed
// pipe) ends the command without a word, as it ends any program in a pipe.
#pragma once

#include <iosfwd>

class OutputCheck {
public:
    OutputCheck(std::ostream& out, const char* command);

    // False once a write to the stream has failed.
    bool Good();
    // Flushes the stream. False when this or an earlier write failed; then says
    // "plotwell-tool <command>: cannot write output: <reason>" on `err`, unless the reader went away.
    bool Finish(std::ostream& err);

private:
    std::ostream& m_out;
    const char* m_command;
    int m_error = 0;  // errno of the first failure
};
