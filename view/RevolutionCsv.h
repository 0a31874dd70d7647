// A revolution's points as comma-separated text, for the file that Ctrl+S saves beside the
// picture. Plain logic, no drawing.
#pragma once

#include <cstdio>

#include "acquisition/ScanFrame.h"
#include "protocols/ProtocolTable.h"

// "index,angle_deg,distance_mm,x_m,y_m", then one line per point with a return: its index in the
// list (as the marker readout names it), its angle in the list's convention, its distance, and
// where the picture shows it, in metres from the sensor with x to the right and y up. False
// when a write failed.
bool WriteRevolutionCsv(std::FILE* file, const PointList& list, SweepDirection direction);
