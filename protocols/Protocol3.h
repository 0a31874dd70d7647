// Protocol 3: 22-byte packets starting 0xFA with an index byte, a speed and four samples.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"

class CSerialPort;

// One read's worth of decoding: 0 when a frame was completed, -1 otherwise.
[[nodiscard]] int32_t ParseProtocol3(CSerialPort& port, ScanFrame& frame);

void ResetProtocol3();
