#include "protocols/NearestSample.h"

#include <algorithm>
#include <cmath>

namespace {

float CircularGap(float a, float b)
{
    const float gap = std::fabs(a - b);
    return std::min(gap, 360.0f - gap);
}

}  // namespace

int16_t NearestDistance(const Revolution& revolution, float degrees)
{
    if (revolution.count <= 0)
        return 0;
    const ScanSample* begin = revolution.samples;
    const ScanSample* end = begin + revolution.count;
    const ScanSample* above = std::lower_bound(
        begin, end, degrees, [](const ScanSample& sample, float angle) { return sample.angle < angle; });
    // The neighbours on either side, wrapping around 0 degrees.
    const ScanSample* after = above == end ? begin : above;
    const ScanSample* before = above == begin ? end - 1 : above - 1;
    return CircularGap(after->angle, degrees) <= CircularGap(before->angle, degrees) ? after->distance
                                                                                      : before->distance;
}
