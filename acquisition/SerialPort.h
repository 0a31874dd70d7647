// The serial port object: the device handle, the receive thread and its stop flag, and the
// protocol-0 receive buffer.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "acquisition/PortEnumeration.h"

class ByteSource;
class ByteTap;

// The line settings as text, "115200,n,8,1": how the link describes itself in messages.
std::string LineSettingsText(int baudRate);

// The reason Open gives when the baud rate cannot be applied: the text operators know from the
// message box, kept word for word with its line end.
inline constexpr const char* BAUD_RATE_FAILED_TEXT = "Setting Baud rate fail\r\n";

class CSerialPort {
public:
    static constexpr int NO_PORT = 0;          // hPort before the first open and after a close
    static constexpr int INVALID_PORT = -1;    // hPort after a failed open

    // Called once, on the receive thread, when the open device goes away (unplugged, hung up).
    // Receiving from that device has ended; the UI closes the port when it handles this.
    using LossCallback = void (*)(void* context);

    // File descriptor of the open device (never 0 while open). The receive thread reads it
    // while the UI thread opens the port, hence atomic.
    std::atomic<int> hPort{NO_PORT};
    std::thread hThread;                 // the receive thread; not joinable when none is known
    std::atomic<uint8_t> bStop{0};       // asks ReceiveLoop and every wait inside the parsers to end
    uint8_t rxBuffer[10000];             // protocol-0 receive buffer
    int32_t rxFill = 0;
    // Lock directories and /proc for Open; tests point them at a scratch tree.
    PortScanRoots systemPaths;

    CSerialPort();
    // Ends the receive thread and closes a port still open (releasing its lock file).
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Set before StartReceiving; the thread reads it without a lock.
    void SetLossCallback(LossCallback callback, void* context);

    // --- the link (UI thread) ---

    // Opens a device by path: exclusive (TIOCEXCL, flock and a LCK.. lock file), raw 8N1, no
    // flow control, modem lines ignored, at `baudRate`; both queues flushed. A device that
    // another process already has open is refused; of many opening it at once exactly one wins.
    // On failure hPort is INVALID_PORT, nothing stays held, and `reason` (when given) receives
    // the operator-facing cause: no such device, not a serial device, permission, busy (with the
    // holder when known), or the baud rate.
    [[nodiscard]] bool Open(const std::string& path, int baudRate, std::string* reason = nullptr);
    // While open: what the operator should hear about the lock files: stale locks of others that
    // were replaced, or why no lock file could be written (the port is still exclusive through
    // the open itself). Empty when our lock simply took its place.
    const std::string& LockNote() const { return m_lockNote; }
    // True after closing (also when the descriptor was already gone); also true, without a
    // call, after a failed open. False when no port was ever opened (hPort 0). End the
    // receive thread first.
    [[nodiscard]] bool Close();
    // Clears errors, discards both queues (unread input is lost), then writes with a time-out
    // of 500 ms plus 100 ms per byte. False only when the write itself failed.
    [[nodiscard]] bool Write(const uint8_t* buffer, int32_t length);

    // --- the receive thread ---

    // Starts `receiveLoop` (the run's loop, which ends once bStop is set) on a new thread, ending
    // a previous one first; false when no thread could be made.
    [[nodiscard]] bool StartReceiving(std::function<void()> receiveLoop);
    // Asks the thread to stop, wakes its waits and joins it. The loop never waits for the UI,
    // so this is safe to call on the UI thread.
    void EndReceiving();

    // --- the parsers' view of the line (receive thread) ---

    // A device or a byte source is attached: what the parsers test as "hPort is not 0".
    bool IsOpen() const;
    // Bytes waiting to be read; a failed query counts as none.
    int32_t WaitingBytes();
    // Up to `length` waiting bytes; 0 on failure or when nothing waits, without blocking. An
    // attached source that keeps its own pace is waited for after the read. The byte tap sees
    // what was read.
    int32_t Read(uint8_t* buffer, int32_t length);
    // Sees every chunk read from now on (null: none); set on the thread that reads.
    void SetByteTap(ByteTap* tap) { m_tap = tap; }
    // Nothing is waiting: wait up to `ms` for input instead of spinning. False when the parser
    // should return without a frame: a stop was asked, an attached byte source has ended, or
    // the device is gone (then after pausing `ms`, so the loop does not spin).
    bool WaitForData(int ms);
    // Fewer than `wanted` bytes are waiting on a device: let it bring more, for at most `ms`,
    // before they are read. False when a stop was asked meanwhile.
    bool LetLineFill(int32_t waiting, int32_t wanted, int ms);
    // The parsers' fixed sleeps (no port), cut short by a stop. False when stopped.
    bool Pause(int ms);
    // A revolution was completed: waits as long as an attached source's pace asks. False when a
    // stop cut the wait short.
    bool PaceFrame();
    // The open device went away; nothing more is read from it until the next Open.
    bool LineLost() const;

    // Feeds the parsers from `source` instead of a device (tests, the command-line decoder,
    // playback). Null detaches it. May be called while the receive thread runs.
    void AttachSource(ByteSource* source);
    // An attached byte source has handed out its last byte; a device never ends.
    bool InputEnded() const;

private:
    void ReportLineLost();
    bool WaitReadable(int fd, int ms);

    std::atomic<ByteSource*> m_source{nullptr};
    ByteTap* m_tap = nullptr;
    LossCallback m_pfnLoss = nullptr;
    void* m_pLossCtx = nullptr;
    std::atomic<bool> m_lineLost{false};
    int m_wakeFd = -1;             // eventfd that EndReceiving signals to cut waits short
    std::string m_lockFile;        // our LCK.. file while a port is open
    std::string m_lockNote;
};
