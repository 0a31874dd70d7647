// Protocol 0: sector packets 0x55 0xAA ... 0xFA whose length follows the operator's point number.
#pragma once

#include "acquisition/ScanFrame.h"

class CSerialPort;

// Reads and decodes until the packet of the last sector completes a frame: true. False when it
// gave up without a frame (a stop was asked, or an attached byte source ended).
[[nodiscard]] bool ParseProtocol0(CSerialPort& port, ScanFrame& frame);

void ResetProtocol0();
