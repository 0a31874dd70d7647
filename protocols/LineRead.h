// How every packet parser takes bytes: from whatever the port reads, a device or an attached
// byte source (a played-back file, a feeder, the decoder's input). One path for all of them.
#pragma once

#include <cstdint>

class CSerialPort;

struct LineRead {
    int32_t placed;  // bytes placed, 0 when none this step
    bool proceed;    // false: return without a frame (a stop, an ended source, a lost device)
};

// One read step: without a port, or with nothing waiting, a short wait instead of spinning;
// otherwise up to `room` waiting bytes at `destination`.
[[nodiscard]] LineRead ReadLine(CSerialPort& port, uint8_t* destination, int32_t room);
