// What the measuring marker reads: its direction and distance from the origin, the list point
// nearest to that direction, and the texts of the overlay lines. Plain logic, no drawing.
#pragma once

#include <string>

#include "acquisition/ScanFrame.h"
#include "view/ViewGeometry.h"

struct MarkerReading {
    float angle = 0.0f;   // degrees in the list's convention for the protocol
    float pixels = 0.0f;  // distance from the origin
};

// The marker must differ from the origin. Protocol 0 counts angles counter-clockwise on screen,
// every other protocol clockwise.
MarkerReading MeasureMarker(PixelPoint marker, PixelPoint origin, int protocol);

// Index of the point whose angle is nearest to `angle` (linear difference, no wrap at 0/360),
// skipping points without a return; the lower index wins a tie; 0 when none lies within 100°.
int NearestPoint(const PointList& list, float angle);

// Angle at which a list point is drawn: mirrored for every protocol but 0.
inline float DrawnAngle(float angle, int protocol) { return protocol != 0 ? 360.0f - angle : angle; }

std::string PointLine(int index, float angle, float depthMetres);
std::string MarkerLine(float angle, float depthMetres);
std::string StatisticsLine(int n, float meanMetres, float spreadMm);
