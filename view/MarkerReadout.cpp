#include "view/MarkerReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double PI_APPROX = 3.141592654;
constexpr float SEARCH_LIMIT_DEGREES = 100.0f;

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

MarkerReading MeasureMarker(PixelPoint marker, PixelPoint origin, SweepDirection direction)
{
    const int dx = marker.x - origin.x;
    const int dy = marker.y - origin.y;  // y grows downwards
    MarkerReading reading;
    reading.pixels = std::sqrt(static_cast<float>(dx) * dx + static_cast<float>(dy) * dy);
    // Rounding can carry the cosine a hair past 1 far from the origin.
    const float cosine = std::clamp(static_cast<float>(dx) / reading.pixels, -1.0f, 1.0f);
    reading.angle = static_cast<float>(180.0f * std::acos(cosine) / PI_APPROX);
    const bool clockwise = direction == SweepDirection::Clockwise;
    if ((clockwise && dy < 0) || (!clockwise && dy > 0))
        reading.angle = 360.0f - reading.angle;
    return reading;
}

int NearestPoint(const PointList& list, float angle)
{
    float best = SEARCH_LIMIT_DEGREES;
    int index = 0;
    for (int i = 0; i < std::min(list.count, SCAN_CAPACITY); ++i) {
        if (list.distance[i] == 0)
            continue;
        const float diff = list.angle[i] > angle ? list.angle[i] - angle : angle - list.angle[i];
        if (diff < best) {
            best = diff;
            index = i;
        }
    }
    return index;
}

std::string PointLine(int index, float angle, float depthMetres)
{
    return Format("i = %d, Angle=%.2f°, Depth=%.4fm", index, angle, depthMetres);
}

std::string MarkerLine(float angle, float depthMetres)
{
    return Format("Angle=%.2f°, Depth=%.4fm", angle, depthMetres);
}

std::string StatisticsLine(int n, float meanMetres, float spreadMm)
{
    return Format("%d points average depth=%f m, MeanSquareError=%.4f", n, meanMetres, spreadMm);
}
