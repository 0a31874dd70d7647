// What the measuring marker reads: its direction and distance from the origin, the list point
// nearest to that direction, and the texts of the overlay lines. Plain logic, no drawing.
#pragma once

#include <string>

#include "acquisition/ScanFrame.h"
#include "protocols/ProtocolTable.h"
#include "view/ViewGeometry.h"

struct MarkerReading {
    float angle = 0.0f;   // degrees in the list's convention for its sweep direction
    float pixels = 0.0f;  // distance from the origin
};

// The marker must differ from the origin. The angle counts on screen the way the scanner sweeps.
MarkerReading MeasureMarker(PixelPoint marker, PixelPoint origin, SweepDirection direction);

// Index of the point whose angle is nearest to `angle` (linear difference, no wrap at 0/360),
// skipping points without a return; the lower index wins a tie; 0 when none lies within 100°.
int NearestPoint(const PointList& list, float angle);

// Angle at which a list point is drawn (counter-clockwise on screen): a clockwise scanner's
// angles mirrored.
inline float DrawnAngle(float angle, SweepDirection direction)
{
    return direction == SweepDirection::Clockwise ? 360.0f - angle : angle;
}

std::string PointLine(int index, float angle, float depthMetres);
std::string MarkerLine(float angle, float depthMetres);
std::string StatisticsLine(int n, float meanMetres, float spreadMm);
