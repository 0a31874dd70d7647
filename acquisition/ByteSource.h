// Something other than a serial device that can stand in for one: a test feeder, a file being
// decoded by the command-line tool. The port reads it exactly as it would read a device.
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
};
