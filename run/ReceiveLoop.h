// The receive thread's body: one completed, filtered, compensated revolution after another,
// each handed to the output stage.
#pragma once

#include <cstdint>

class CSerialPort;
class OutputStage;

// Runs a run of the model and protocol in the shared state until port.bStop is set; returns 1.
uint32_t ReceiveLoop(CSerialPort& port, OutputStage& stage);

// Starts ReceiveLoop on the port's receive thread; false when no thread could be made.
[[nodiscard]] bool StartReceiving(CSerialPort& port, OutputStage& stage);
