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

// Bin of a sample's angle in the scanner's own degrees: bin k covers k x 360/N up to
// (k + 1) x 360/N, so the bins follow the order in which the scanner sweeps through them.
int32_t BinOf(float angleDegrees, double binsPerDegree, int32_t bins)
{
    double degrees = std::fmod(static_cast<double>(angleDegrees), 360.0);
    if (degrees < 0.0)
        degrees += 360.0;
    const auto bin = static_cast<int64_t>(std::floor(degrees * binsPerDegree));
    return static_cast<int32_t>(std::clamp<int64_t>(bin, 0, bins - 1));
}

// The stamp is the time of ranges[0]: the middle of the first bin's sweep, half a bin after
// the revolution's first sample.
void Stamp(const RevolutionTime& time, int32_t bins, LaserScan& scan)
{
    const int64_t stamp = time.firstSampleNanoseconds +
                          std::llround(time.seconds * static_cast<double>(NANOSECONDS_PER_SECOND) / (2.0 * bins));
    int64_t seconds = stamp / NANOSECONDS_PER_SECOND;
    int64_t nanoseconds = stamp % NANOSECONDS_PER_SECOND;
    if (nanoseconds < 0) {
        seconds -= 1;
        nanoseconds += NANOSECONDS_PER_SECOND;
    }
    scan.stampSec = static_cast<int32_t>(seconds);
    scan.stampNanosec = static_cast<uint32_t>(nanoseconds);
}

// The rays in the order they were measured: ranges[0] is the bin swept first, centred half a
// step past the 0 mark, and each next range lies one step further in the sweep's direction,
// which for a clockwise scanner is a negative angle_increment. So stamp + i x time_increment is
// the time ray i was measured, as laser_geometry and every consumer of a moving scan assume.
void Geometry(int32_t bins, bool clockwise, LaserScan& scan)
{
    const double increment = (clockwise ? -2.0 : 2.0) * PI / bins;
    scan.angleMin = static_cast<float>(increment / 2.0);
    scan.angleIncrement = static_cast<float>(increment);
    scan.angleMax = static_cast<float>(increment / 2.0 + (bins - 1) * increment);
}

// A received range in the point list's millimetres; 0, which the view does not draw, for a range
// that is not a finite value within range_min..range_max or beyond what an entry holds.
int16_t DrawnDistance(const LaserScan& scan, float range)
{
    const double millimetres = static_cast<double>(range) * MILLIMETRES_PER_METRE;
    const bool usable = std::isfinite(millimetres) && range >= scan.rangeMin && range <= scan.rangeMax &&
                        millimetres >= 0.5 && millimetres < LARGEST_DISTANCE_MM + 0.5;
    return usable ? static_cast<int16_t>(std::lround(millimetres)) : int16_t{0};
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
    const bool clockwise = AnglesRunClockwise(protocol);
    Geometry(bins, clockwise, scan);
    scan.rangeMin = shape.rangeMin;
    scan.rangeMax = shape.rangeMax;
    scan.ranges.assign(static_cast<size_t>(bins), INFINITY);
    scan.intensities.clear();
    const double binsPerDegree = bins / 360.0;
    const int32_t count = std::clamp(list.count, 0, SCAN_CAPACITY);
    for (int32_t i = 0; i < count; ++i) {
        if (!std::isfinite(list.angle[i]))
            continue;
        const int32_t bin = BinOf(list.angle[i], binsPerDegree, bins);
        const float range = RangeOf(list.distance[i], shape.rangeMin);
        if (Nearer(range, scan.ranges[bin]))
            scan.ranges[bin] = range;
    }
    Stamp(time, bins, scan);
    scan.scanTime = static_cast<float>(time.seconds);
    scan.timeIncrement = static_cast<float>(time.seconds / bins);
}

bool LaserScanToPointList(const LaserScan& scan, int32_t protocol, PointList& list)
{
    list.count = 0;
    if (!std::isfinite(scan.angleMin) || !std::isfinite(scan.angleIncrement))
        return false;
    const double sign = AnglesRunClockwise(protocol) ? -1.0 : 1.0;
    const size_t ranges = scan.ranges.size();
    // Ranges per entry: 1 while they fit; beyond that, neighbours share an entry, which keeps
    // the nearest of them at its own angle, so that a scan of any size is drawn whole.
    const size_t group = std::max<size_t>(1, (ranges + SCAN_CAPACITY - 1) / SCAN_CAPACITY);
    for (size_t first = 0; first < ranges; first += group) {
        size_t chosen = first;
        int16_t nearest = 0;
        for (size_t i = first; i < std::min(first + group, ranges); ++i) {
            const int16_t distance = DrawnDistance(scan, scan.ranges[i]);
            if (distance > 0 && (nearest == 0 || distance < nearest)) {
                nearest = distance;
                chosen = i;
            }
        }
        const double radians = static_cast<double>(scan.angleMin) + chosen * static_cast<double>(scan.angleIncrement);
        double degrees = std::fmod(radians * DEGREES_PER_RADIAN * sign, 360.0);
        if (degrees < 0.0)
            degrees += 360.0;
        list.angle[list.count] = static_cast<float>(degrees);
        list.distance[list.count] = nearest;
        ++list.count;
    }
    return true;
}
