#include "view/ViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The drawing code has always used this value of pi; keeping it keeps pixels where they were.
constexpr double PI_APPROX = 3.141592654;

constexpr float RANGE_METRES[RANGE_COUNT] = {0.2f, 0.5f, 1.0f, 2.0f, 4.0f, 6.0f, 8.0f, 10.0f, 18.0f};
constexpr double ORIGIN_LIMIT = 1.0e9;

constexpr double RING_STEP[RANGE_COUNT] = {0.04, 0.1, 0.2, 0.4, 0.8, 1.2, 1.6, 2.0, 3.6};

}  // namespace

bool IsRangeIndex(int index) { return index >= 0 && index < RANGE_COUNT; }

float RangeMetres(int index, float fallback) { return IsRangeIndex(index) ? RANGE_METRES[index] : fallback; }

double RingRadius(int index, int k) { return IsRangeIndex(index) ? RING_STEP[index] * k : 0.0; }

std::string RingLabel(int index, double radius)
{
    char text[32];
    std::snprintf(text, sizeof text, index == 0 ? "%0.02fm" : "%0.1fm", radius);
    return text;
}

int SmallestRangeHolding(const PointList& list, double share)
{
    int held[RANGE_COUNT] = {};
    int returns = 0;
    for (int i = 0; i < std::min(list.count, SCAN_CAPACITY); ++i) {
        if (list.distance[i] == 0)
            continue;
        ++returns;
        for (int index = 0; index < RANGE_COUNT; ++index)
            held[index] += std::abs(list.distance[i]) <= RANGE_METRES[index] * 1000.0f ? 1 : 0;
    }
    if (returns == 0)
        return -1;
    for (int index = 0; index < RANGE_COUNT; ++index)
        if (held[index] >= share * returns)
            return index;
    return RANGE_COUNT - 1;
}

double ScaleFor(int width, float rangeMetres) { return (width / 2.0) / rangeMetres; }

void PolarOffset(float angle, float distance, float& dx, float& dy)
{
    if (!(angle >= 0.0f && angle <= 360.0f)) {
        dx = dy = 0.0f;
        return;
    }
    const double radians = static_cast<double>(angle / 180.0f) * PI_APPROX;
    dx = static_cast<float>(distance * std::cos(radians));
    dy = static_cast<float>(-distance * std::sin(radians));
}

PixelBox PointBox(PixelPoint origin, double scale, float angle, float distance, int radius)
{
    float dx = 0.0f;
    float dy = 0.0f;
    PolarOffset(angle, distance, dx, dy);
    const float px = static_cast<float>(origin.x) + static_cast<float>(dx * scale);
    const float py = static_cast<float>(origin.y) + static_cast<float>(dy * scale);
    const auto r = static_cast<float>(radius);
    return {static_cast<int>(px - r), static_cast<int>(py - r), static_cast<int>(px + r),
            static_cast<int>(py + r)};
}

int RingPixels(double scale, float radiusMetres) { return static_cast<int>(scale * radiusMetres); }

PixelPoint ZoomOrigin(PixelPoint origin, PixelPoint anchor, double oldScale, double newScale)
{
    // Before the first InitView there is no scale to zoom from.
    if (!(oldScale > 0.0))
        return origin;
    auto zoom = [&](int c, int a) {
        const double moved = a + (c - a) * newScale / oldScale;
        // Many pans and zooms could push the origin beyond what an int holds.
        return static_cast<int>(std::clamp(moved, -ORIGIN_LIMIT, ORIGIN_LIMIT));
    };
    return {zoom(origin.x, anchor.x), zoom(origin.y, anchor.y)};
}

PixelPoint ResizedPoint(PixelPoint point, int oldWidth, int oldHeight, int newWidth, int newHeight)
{
    auto carry = [](int c, int from, int to) {
        if (from <= 0)
            return c;
        const double moved = std::round((c + 0.5) * to / from - 0.5);
        return static_cast<int>(std::clamp(moved, -ORIGIN_LIMIT, ORIGIN_LIMIT));
    };
    return {carry(point.x, oldWidth, newWidth), carry(point.y, oldHeight, newHeight)};
}
