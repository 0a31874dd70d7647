// The serial port object: the device handle, the receive thread with its frame callback and
// stop flag, and the protocol-0 receive buffer.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class ByteSource;

// One serial device as the port list shows it.
struct PortEntry {
    std::string path;         // what Open takes: /dev/ttyUSB0, a pseudo-terminal, ...
    std::string displayName;  // /dev/serial/by-id name where one exists, else the path
};

// Where EnumeratePorts looks; tests point it at a fake tree.
struct PortScanRoots {
    std::string sysClassTty = "/sys/class/tty";
    std::string serialById = "/dev/serial/by-id";
    std::vector<std::string> lockDirs = {"/var/lock", "/run/lock"};
    std::string proc = "/proc";
    std::vector<std::string> extraPaths;  // offered beside the enumerated ones (simulator, typed paths)
};

// Lists the serial devices without opening any of them: all, free, and held by another program.
void EnumeratePorts(std::vector<PortEntry>& all, std::vector<PortEntry>& free,
                    std::vector<PortEntry>& busy, const PortScanRoots& roots = PortScanRoots{});

class CSerialPort {
public:
    static constexpr int NO_PORT = 0;          // hPort before the first open and after a close
    static constexpr int INVALID_PORT = -1;    // hPort after a failed open

    using FrameCallback = int (*)(void* context);
    using LossCallback = void (*)(void* context);

    int hPort = NO_PORT;                 // file descriptor of the open device
    std::thread hThread;                 // the receive thread; not joinable when none is known
    void* pCallbackCtx = nullptr;
    FrameCallback pfnCallback = nullptr;
    std::atomic<uint8_t> bStop{0};       // asks ReceiveLoop and every wait inside the parsers to end
    uint8_t rxBuffer[10000];             // protocol-0 receive buffer
    int32_t rxFill = 0;

    CSerialPort();
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    void SetCallback(FrameCallback callback, void* context);
    // Called once, on the receive thread, when the open device goes away (unplugged, hung up).
    void SetLossCallback(LossCallback callback, void* context);

    // --- the link (UI thread) ---

    // Opens a device by path: exclusive, raw 8N1, no flow control, at `baudRate`. On failure
    // `reason` (when given) receives the operator-facing cause, e.g. permission or busy.
    bool Open(const std::string& path, int baudRate, std::string* reason = nullptr);
    bool Close();
    // Clears errors, discards both queues, then writes with a bounded time-out.
    bool Write(const uint8_t* buffer, int32_t length);

    // --- the receive thread ---

    // Starts ReceiveLoop on a new thread; false when no thread could be made.
    bool StartReceiving();
    // Asks the thread to stop and joins it. The caller makes sure the frame callback cannot
    // block (it returns at once once bStop is set), so this never waits for the UI.
    void EndReceiving();

    // --- the parsers' view of the line (receive thread) ---

    // A device or a byte source is attached: what the parsers test as "hPort is not 0".
    bool IsOpen() const;
    // Bytes waiting to be read; a failed query counts as none.
    int32_t WaitingBytes();
    // Up to `length` waiting bytes; 0 on failure.
    int32_t Read(uint8_t* buffer, int32_t length);
    // Nothing is waiting: wait up to `ms` for input instead of spinning. False when the parser
    // should return without a frame: a stop was asked, or an attached byte source has ended.
    bool WaitForData(int ms);
    // The parsers' fixed sleeps (no port, playback pace), cut short by a stop. False when stopped.
    bool Pause(int ms);

    // Feeds the parsers from `source` instead of a device (tests, the command-line decoder).
    // Null detaches it.
    void AttachSource(ByteSource* source);

private:
    ByteSource* m_source = nullptr;
    LossCallback m_pfnLoss = nullptr;
    void* m_pLossCtx = nullptr;
};
