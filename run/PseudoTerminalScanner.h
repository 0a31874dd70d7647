// The simulated scanner on a "serial line": a new pseudo-terminal that a port opens by path like
// any serial device, fed with the scanner's revolutions as it turns. The command-line tool and
// the viewer's demo both stream through it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "run/SimulatedScanner.h"

class PseudoTerminalScanner {
public:
    // `realtime` false: revolutions go out as fast as the reader takes them.
    PseudoTerminalScanner(const SimulatedScannerSettings& settings, int32_t baudRate, bool realtime = true);
    // Stops and joins the streaming thread, then hangs the line up.
    ~PseudoTerminalScanner();
    PseudoTerminalScanner(const PseudoTerminalScanner&) = delete;
    PseudoTerminalScanner& operator=(const PseudoTerminalScanner&) = delete;

    // Creates the raw terminal; false with the system's reason when there is none to give.
    bool Open(std::string* reason);
    // The device path to open, e.g. /dev/pts/7; empty before Open.
    const std::string& Path() const { return m_path; }

    // Streams on the calling thread: waits for a reader, sends `frames` revolutions (0: until
    // Stop), then gives the reader a moment to take the last bytes. `stopFd`, when given, stops
    // it as Stop does once it becomes readable (a stop signal's wake-up). False with the
    // system's reason when writing failed; a stop is no failure.
    bool Stream(int32_t frames, std::string* reason, int stopFd = -1);
    // Streams on a thread of its own until Stop; false with the reason when none could be made.
    bool Start(std::string* reason);
    // Ends streaming in either mode, cutting every wait short; from any thread, and final.
    void Stop();

private:
    using Clock = std::chrono::steady_clock;

    int Run(int32_t frames);
    bool WriteAll(const uint8_t* bytes, int32_t size);
    bool ReaderPresent() const;
    bool WaitForReader();
    void LetReaderFinish();
    bool Wait(short events, Clock::time_point until);
    bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }

    SimulatedScanner m_scanner;
    double m_bytesPerSecond;
    bool m_realtime;
    int m_terminal = -1;  // the writer's side; the reader opens m_path
    int m_wakeFd = -1;    // signalled by Stop
    int m_stopFd = -1;    // the caller's stop, while Stream runs
    std::string m_path;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
