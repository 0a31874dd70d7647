// What the scanner probe heard, as text for a terminal or a tooltip (English, fixed columns).
#pragma once

#include <string>

#include "run/ScannerProbe.h"

// A heading and one line per candidate, best first: rank, baud, protocol, packets passed and
// failed, bytes skipped, samples per revolution, revolutions per second, the model rows that fit.
std::string ProbeTable(const ProbeResult& result);

// The names of the model rows a candidate fits, separated by blanks; "-" for none.
std::string ProbeModelNames(const ProbeCandidate& candidate);

// "1", or "0 (60 pts)" for protocol 0, whose packets follow from the point number.
std::string ProbeProtocolText(const ProbeCandidate& candidate);
