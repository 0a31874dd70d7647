// Recording of what the scanner sends: raw bytes or the samples of completed frames.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"

// Every chunk the protocol-1 parser has just read from the port (never played-back bytes).
void RecordRawBytes(const uint8_t* bytes, int32_t count);

// Every frame the protocol-1 parser completes, before filter and compensation.
void RecordFrame(const ScanFrame& frame);
