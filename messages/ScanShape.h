// The fixed part of every LaserScan a publisher sends: how many equal angular bins one turn is
// cut into, and the distances the scanner measures at all.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"

struct DeviceModel;

struct ScanShape {
    int32_t bins;    // 1..SCAN_CAPACITY
    float rangeMin;  // metres; a return nearer than this is "too close to measure"
    float rangeMax;  // metres
};

constexpr int32_t MAX_SCAN_BINS = SCAN_CAPACITY;

// The model's shape: bins near its usual samples per revolution, and its measuring range.
ScanShape ModelScanShape(const DeviceModel& model);
