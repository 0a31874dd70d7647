// Something other than a serial device that can stand in for one: a test feeder, a file being
// decoded by the command-line tool, a played-back recording. The port reads it exactly as it
// would read a device.
#pragma once

#include <cstdint>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Bytes that a read would return now (a device's waiting-byte count).
    virtual int32_t Waiting() = 0;
    // Up to `length` of the waiting bytes; the number placed.
    virtual int32_t Read(uint8_t* buffer, int32_t length) = 0;
    // True once no byte will ever arrive again (end of a file); a live source never ends.
    virtual bool Ended() = 0;

    // A source that keeps a pace of its own (a played-back file, which would otherwise run as
    // fast as the thread can read) has the reader wait this many milliseconds after a read that
    // placed `placed` bytes, and after each revolution completed from its bytes. A device or a
    // feeder is read as fast as it delivers.
    virtual int PauseAfterRead(int32_t /*placed*/) { return 0; }
    virtual int PauseAfterFrame() { return 0; }
    // True for bytes that were recorded before: a recording in progress does not take them again.
    virtual bool Replays() { return false; }
};
