// Geometry of the polar view without any drawing: the nine ranges, their ring labels, the scale,
// the (angle, distance) to pixel transform and the zoom about an anchor.
#pragma once

#include <string>

#include "acquisition/ScanFrame.h"

constexpr int RANGE_COUNT = 9;
constexpr int RING_COUNT = 5;

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Left, top, right, bottom; right and bottom lie just outside the ellipse drawn in the box.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Metres of a range index 0..8; any other index returns `fallback`.
float RangeMetres(int index, float fallback);
bool IsRangeIndex(int index);

// Radius of ring k (1..5) of a range, in metres: one fifth of the range times k.
double RingRadius(int index, int k);
// "0.04m" in range 0 (two decimals), "0.2m", "18.0m" in every other range.
std::string RingLabel(int index, double radius);

// The smallest range index whose range holds at least `share` of the list's points with a
// return (18 m when none does); -1 when no point has a return.
int SmallestRangeHolding(const PointList& list, double share);

// Pixels per metre: the range spans half the width.
double ScaleFor(int width, float rangeMetres);

// Pixel offsets (dx, dy) of a point before scaling; an angle outside 0..360 (or NaN) puts it
// on the origin. Angles run counter-clockwise on screen, 0 pointing right.
void PolarOffset(float angle, float distance, float& dx, float& dy);
// Bounding box of the circle of `radius` pixels drawn for a point.
PixelBox PointBox(PixelPoint origin, double scale, float angle, float distance, int radius);
// Ring radius in whole pixels.
int RingPixels(double scale, float radiusMetres);

// Origin after a change of scale that keeps the metres under `anchor` in place.
PixelPoint ZoomOrigin(PixelPoint origin, PixelPoint anchor, double oldScale, double newScale);

// The place of `point` in a view of `oldWidth` x `oldHeight` pixels, carried over to a view of the
// new size: the same fraction of the width and of the height, pixel centre to pixel centre.
PixelPoint ResizedPoint(PixelPoint point, int oldWidth, int oldHeight, int newWidth, int newHeight);
