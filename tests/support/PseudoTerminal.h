// A pseudo-terminal pair standing in for a scanner on a serial line: the port under test opens
// the device side by path; the test writes what the scanner sends into the other side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/SimulatedScanner.h"

class PseudoTerminal {
public:
    // Opens the pair; the device side is closed again so that only the port under test holds it.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool IsValid() const { return m_writer >= 0; }
    // What CSerialPort::Open takes, e.g. /dev/pts/7.
    const std::string& DevicePath() const { return m_devicePath; }

    // Sends bytes as the scanner would; false if they could not all be written within 5 s, or
    // the queue is full and nobody holds the device side to empty it.
    bool Send(const uint8_t* bytes, size_t size);
    bool Send(const std::vector<uint8_t>& bytes) { return Send(bytes.data(), bytes.size()); }
    // Sends the next revolution of `scanner`; false when it has no bytes or sending failed.
    bool SendRevolution(SimulatedScanner& scanner);

    // What the port wrote towards the scanner, waiting up to `timeoutMs` for the first byte.
    std::vector<uint8_t> Receive(int timeoutMs);

    // Waits until something holds the device side open and has set its line speed, as a port
    // does before it flushes what waited: what is sent afterwards reaches it.
    bool WaitForReader(int timeoutMs) const;

    // The scanner goes away: the device side sees a hang-up.
    void HangUp();

    // Pins the device side's line speed, the way a driver that supports only its present rate
    // ignores a change of speed without an error. Needs CAP_SYS_ADMIN; false without.
    bool PinSpeed();

private:
    int m_writer = -1;
    std::string m_devicePath;
    unsigned m_startSpeed = 0;  // the line speed before any port configured the device side
};
