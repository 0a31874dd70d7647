// Sees every chunk the port reads, in order, on the thread that reads it: what lets a run carry
// the raw bytes of each revolution to its outputs.
#pragma once

#include <cstdint>

class ByteTap {
public:
    virtual ~ByteTap() = default;
    // `replayed`: the bytes come from a played-back recording, not from the line.
    virtual void BytesRead(const uint8_t* bytes, int32_t count, bool replayed) = 0;
};
