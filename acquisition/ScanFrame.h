// One revolution of the scanner: what the parsers assemble and what the view draws.
#pragma once

#include <cstdint>

constexpr int SCAN_CAPACITY = 16000;

// Readers use only the first `count` entries; entries beyond keep what earlier frames left.
struct ScanFrame {
    int32_t count;
    float angle[SCAN_CAPACITY];       // degrees as the device reports them
    int32_t flag[SCAN_CAPACITY];      // carried along, never interpreted
    int16_t distance[SCAN_CAPACITY];  // millimetres; 0 = no return
    int16_t lowBits[SCAN_CAPACITY];   // two low bits of a protocol-1 sample word
};

using PointList = ScanFrame;
