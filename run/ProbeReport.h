// What the scanner probe heard, as text for a terminal or a tooltip (English, fixed columns).
#pragma once

#include <string>
#include <vector>

#include "run/ScannerProbe.h"

// A heading and one line per candidate, best first: rank, baud, protocol, packets passed and
// failed, bytes skipped, samples per revolution, revolutions per second, the model rows that fit.
std::string ProbeTable(const ProbeResult& result);

// The names of the model rows a candidate fits, separated by blanks; "-" for none.
std::string ProbeModelNames(const ProbeCandidate& candidate);

// "1", or "0 (60 pts)" for protocol 0, whose packets follow from the point number.
std::string ProbeProtocolText(const ProbeCandidate& candidate);

// What a candidate's packets show, and no more: "protocol 1 at 115200 baud: TR20, TR20_A, TR30_A
// or TR30_E; the packets cannot tell them apart". `names`: the model rows to name (those the
// candidate fits, or those of them a list offers), at least one.
std::string ProbeFindingText(const ProbeCandidate& candidate, const std::vector<std::string>& names);
