#include "run/SimulatedRoom.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct Segment {
    double x0, y0, x1, y1;
};

struct Pillar {
    double x, y, radius;
};

// A 6 m x 4 m room, the scanner off-centre, with a doorway in the north wall.
constexpr Segment WALLS[] = {
    {-2200, -1600, 3800, -1600},  // south
    {3800, -1600, 3800, 2400},    // east
    {3800, 2400, 600, 2400},      // north, up to the doorway
    {-300, 2400, -2200, 2400},    // north, after the doorway
    {-2200, 2400, -2200, -1600},  // west
    {2800, -1400, 3600, -1400},   // cabinet
    {3600, -1400, 3600, -600},
    {3600, -600, 2800, -600},
    {2800, -600, 2800, -1400},
    {-1800, 1200, -600, 1800},    // partition
};

constexpr Pillar PILLARS[] = {
    {1500, 900, 150},
    {-1200, -800, 250},
};

constexpr double NO_HIT = std::numeric_limits<double>::infinity();
constexpr double DEGREES_TO_RADIANS = 3.14159265358979323846 / 180.0;

double HitSegment(double dx, double dy, const Segment& s)
{
    const double ex = s.x1 - s.x0;
    const double ey = s.y1 - s.y0;
    const double denominator = dx * ey - dy * ex;
    if (std::fabs(denominator) < 1e-12)
        return NO_HIT;
    const double t = (s.x0 * ey - s.y0 * ex) / denominator;  // along the ray
    const double u = (s.x0 * dy - s.y0 * dx) / denominator;  // along the segment
    return t > 0.0 && u >= 0.0 && u <= 1.0 ? t : NO_HIT;
}

double HitPillar(double dx, double dy, const Pillar& p)
{
    const double along = p.x * dx + p.y * dy;
    const double offAxisSquared = p.x * p.x + p.y * p.y - along * along;
    const double halfChordSquared = p.radius * p.radius - offAxisSquared;
    if (along <= 0.0 || halfChordSquared < 0.0)
        return NO_HIT;
    return along - std::sqrt(halfChordSquared);
}

}  // namespace

double RoomDistance(double angleDegrees)
{
    const double dx = std::cos(angleDegrees * DEGREES_TO_RADIANS);
    const double dy = std::sin(angleDegrees * DEGREES_TO_RADIANS);
    double nearest = NO_HIT;
    for (const Segment& s : WALLS)
        nearest = std::min(nearest, HitSegment(dx, dy, s));
    for (const Pillar& p : PILLARS)
        nearest = std::min(nearest, HitPillar(dx, dy, p));
    return nearest == NO_HIT ? -1.0 : nearest;
}
