// Whether a run of the core came to anything, judged one way by every command that runs a model's
// bytes through the parsers (decode, monitor, publish): bytes in and no revolution out means that
// the model does not fit what was sent, even where stray bytes passed a packet check.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "acquisition/LinkHealth.h"

// Where a run's bytes came from, for what is said about it.
struct RunSource {
    const char* command;  // "decode"
    std::string name;     // the port's path, the file's name, or "standard input"
    bool port;            // a serial port, where silence is a failure too
};

// EXIT_OK when a revolution came out, or when a file held no data at all (which is said).
// Otherwise says what was received and what to check, and returns EXIT_FAILED.
int JudgeRevolutions(const RunSource& source, const LinkHealthReading& health, int32_t protocol, std::ostream& err);
