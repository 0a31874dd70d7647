// Protocol 2: 36-byte packets 0x55 0xAA 0x03 0x08 with a 15-bit check value, eight samples each.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"

class CSerialPort;

// One read's worth of decoding: 0 when a frame was completed, -1 otherwise.
[[nodiscard]] int32_t ParseProtocol2(CSerialPort& port, ScanFrame& frame);

void ResetProtocol2();
