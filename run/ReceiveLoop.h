// The receive thread's body: one completed, filtered, compensated revolution after another.
#pragma once

#include <cstdint>

class CSerialPort;

// Runs until port->bStop is set; returns 1.
uint32_t ReceiveLoop(CSerialPort* port);
