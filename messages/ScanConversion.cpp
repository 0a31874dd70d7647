#include "messages/ScanConversion.h"

#include <algorithm>
#include <cmath>

#include "protocols/ProtocolTable.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double DEGREES_PER_RADIAN = 180.0 / PI;
constexpr float METRES_PER_MILLIMETRE = 0.001f;
constexpr double MILLIMETRES_PER_METRE = 1000.0;
constexpr double LARGEST_DISTANCE_MM = INT16_MAX;
constexpr int64_t NANOSECONDS_PER_SECOND = 1000000000;

// Order of precedence within one bin, nearest first.
enum class Return { TooClose, Measured, Erroneous, None };

Return Kind(float range)
{
    if (std::isnan(range))
        return Return::Erroneous;
    if (std::isinf(range))
        return range < 0.0f ? Return::TooClose : Return::None;
    return Return::Measured;
}

float RangeOf(int16_t distance, float rangeMin)
{
    if (distance == 0)
        return INFINITY;
    if (distance < 0)
        return NAN;
    const float metres = static_cast<float>(distance) * METRES_PER_MILLIMETRE;
    return metres < rangeMin ? -INFINITY : metres;
}

bool Nearer(float candidate, float held)
{
    const Return a = Kind(candidate);
    const Return b = Kind(held);
    return a < b || (a == Return::Measured && b == Return::Measured && candidate < held);
}

// Bin of a sample's angle: bin k is centred on -pi + k x increment.
int32_t BinOf(float angleDegrees, bool clockwise, double binsPerDegree, int32_t bins)
{
    double degrees = clockwise ? -static_cast<double>(angleDegrees) : angleDegrees;
    if (degrees < -360.0 || degrees > 360.0)
        degrees = std::fmod(degrees, 360.0);
    int64_t bin = static_cast<int64_t>(std::floor((degrees + 180.0) * binsPerDegree + 0.5)) % bins;
    if (bin < 0)
        bin += bins;
    return static_cast<int32_t>(bin);
}

void Stamp(const RevolutionTime& time, LaserScan& scan)
{
    int64_t seconds = time.firstSampleNanoseconds / NANOSECONDS_PER_SECOND;
    int64_t nanoseconds = time.firstSampleNanoseconds % NANOSECONDS_PER_SECOND;
    if (nanoseconds < 0) {
        seconds -= 1;
        nanoseconds += NANOSECONDS_PER_SECOND;
    }
    scan.stampSec = static_cast<int32_t>(seconds);
    scan.stampNanosec = static_cast<uint32_t>(nanoseconds);
}

// One full turn from -pi, the usual start of a full-turn scan; the last bin lies one step short
// of +pi, so that no direction is sent twice.
void Geometry(int32_t bins, LaserScan& scan)
{
    const double increment = 2.0 * PI / bins;
    scan.angleMin = static_cast<float>(-PI);
    scan.angleIncrement = static_cast<float>(increment);
    scan.angleMax = scan.angleMin + static_cast<float>(bins - 1) * scan.angleIncrement;
}

}  // namespace

bool AnglesRunClockwise(int32_t protocol)
{
    return ProtocolFor(protocol).direction == SweepDirection::Clockwise;
}

void RevolutionToLaserScan(const PointList& list, int32_t protocol, const RevolutionTime& time,
                           const ScanShape& shape, LaserScan& scan)
{
    const int32_t bins = std::clamp(shape.bins, 1, MAX_SCAN_BINS);
    Geometry(bins, scan);
    scan.rangeMin = shape.rangeMin;
    scan.rangeMax = shape.rangeMax;
    scan.ranges.assign(static_cast<size_t>(bins), INFINITY);
    scan.intensities.clear();
    const bool clockwise = AnglesRunClockwise(protocol);
    const double binsPerDegree = bins / 360.0;
    const int32_t count = std::clamp(list.count, 0, SCAN_CAPACITY);
    for (int32_t i = 0; i < count; ++i) {
        if (!std::isfinite(list.angle[i]))
            continue;
        const int32_t bin = BinOf(list.angle[i], clockwise, binsPerDegree, bins);
        const float range = RangeOf(list.distance[i], shape.rangeMin);
        if (Nearer(range, scan.ranges[bin]))
            scan.ranges[bin] = range;
    }
    Stamp(time, scan);
    scan.scanTime = static_cast<float>(time.seconds);
    scan.timeIncrement = count > 0 ? static_cast<float>(time.seconds / count) : 0.0f;
}

void LaserScanToPointList(const LaserScan& scan, int32_t protocol, PointList& list)
{
    const bool clockwise = AnglesRunClockwise(protocol);
    const int32_t count = static_cast<int32_t>(std::min<size_t>(scan.ranges.size(), SCAN_CAPACITY));
    for (int32_t i = 0; i < count; ++i) {
        const double radians = static_cast<double>(scan.angleMin) + i * static_cast<double>(scan.angleIncrement);
        double degrees = std::fmod(radians * DEGREES_PER_RADIAN * (clockwise ? -1.0 : 1.0), 360.0);
        if (degrees < 0.0)
            degrees += 360.0;
        list.angle[i] = std::isfinite(degrees) ? static_cast<float>(degrees) : 0.0f;
        const double millimetres = static_cast<double>(scan.ranges[i]) * MILLIMETRES_PER_METRE;
        const bool usable = std::isfinite(millimetres) && scan.ranges[i] >= scan.rangeMin &&
                            scan.ranges[i] <= scan.rangeMax && millimetres >= 0.5 &&
                            millimetres < LARGEST_DISTANCE_MM + 0.5;
        list.distance[i] = usable ? static_cast<int16_t>(std::lround(millimetres)) : int16_t{0};
    }
    list.count = count;
}
