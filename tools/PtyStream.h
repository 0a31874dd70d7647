// The simulated scanner on a "serial line": a new pseudo-terminal that a port can open by path,
// fed with the scanner's bytes as it turns, never faster than the model's line carries them.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "acquisition/SimulatedScanner.h"

struct PtyStreamSettings {
    int32_t baudRate = 115200;
    bool realtime = true;  // false: as fast as the reader takes the bytes
    int32_t frames = 0;    // revolutions to send; 0 until interrupted
};

// Creates the pseudo-terminal, writes its device path as the first line of `out`, then streams
// revolutions of `scanner` into it. Returns the tool's exit status.
int StreamToPseudoTerminal(SimulatedScanner& scanner, const PtyStreamSettings& settings, std::ostream& out,
                           std::ostream& err);
