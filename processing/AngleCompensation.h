// Angle compensation: turns a completed frame into the point list that the view draws.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"

struct DeviceModel;

struct CompensationSettings {
    int32_t mode;              // 0 none, 1 formula, 2 bins of 0.72°; any other value: none
    const DeviceModel* model;  // whose constants the formula uses
    int32_t formulaKind;       // 1: the short formula
};

// The correction to subtract from a sample's angle at this distance (millimetres).
float AngleCorrection(const DeviceModel& model, int32_t formulaKind, int16_t distance);

// Builds `dst` from `src` in the settings' mode. Bin mode drops a sample whose angle lies so far
// outside the turn that its bin is off the list.
void BuildPointList(const ScanFrame& src, PointList& dst, const CompensationSettings& settings);
