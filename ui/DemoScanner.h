// The built-in demo: a simulated scanner behind a pseudo-terminal, streaming its revolutions at
// the pace a serial line of the model's baud rate would carry them. The viewer opens the
// terminal's path like any serial port.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "acquisition/SimulatedScanner.h"

class DemoScanner {
public:
    DemoScanner(const SimulatedScannerSettings& settings, int baudRate);
    ~DemoScanner();
    DemoScanner(const DemoScanner&) = delete;
    DemoScanner& operator=(const DemoScanner&) = delete;

    // Creates the pseudo-terminal and starts streaming; false with `reason` set when the system
    // has no terminal to give.
    bool Start(std::string* reason);
    // The device path to open, empty before Start.
    const std::string& Path() const { return m_path; }

private:
    void Stream();
    void WritePaced(const uint8_t* bytes, int32_t count);

    SimulatedScanner m_scanner;
    double m_bytesPerSecond;
    int m_master = -1;
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
