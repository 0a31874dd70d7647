// Protocol 1: 0xAA 0x55 data packets of up to 99 samples, each revolution closed by a zero packet.
#pragma once

#include "acquisition/ScanFrame.h"

class CSerialPort;

// Reads and decodes until a frame is complete in `frame`: true. False when it gave up without
// a frame (a stop was asked, or an attached byte source ended).
[[nodiscard]] bool ParseProtocol1(CSerialPort& port, ScanFrame& frame);

// At the end of the input, when no byte will come to fill the buffer to the size its scan waits
// for: scans what the buffer holds as a full one is scanned (headers, check words, the zero
// packet that closes a revolution) and completes the frame such a packet closes: true. False
// once nothing held can complete one; the bytes of an unclosed revolution are then dropped.
[[nodiscard]] bool FinishProtocol1(CSerialPort& port, ScanFrame& frame);

// Empties the packet buffer (a fresh process's state).
void ResetProtocol1();
