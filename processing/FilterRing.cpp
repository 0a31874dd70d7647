#include "processing/FilterRing.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592654;
constexpr double kFullTurnRadians = 6.283185308;
constexpr double kShare = 0.4;

// Per-sample cosine and sine of the angle, and the cosine of the angle to the next sample.
struct RingTrig {
    double cosAngle[SCAN_CAPACITY];
    double sinAngle[SCAN_CAPACITY];
    float cosToNext[SCAN_CAPACITY];
};
RingTrig scratch;

float LawOfCosines(float u, float v, float cosAngle)
{
    return std::sqrt(u * u + v * v - (2.0f * u * v) * cosAngle);
}

// An extrapolated edge can lie beyond the 16-bit range; wrapping would turn it into a
// negative distance on the far side of the plot, so it is held at the range's end.
int16_t TruncateToDistance(double value)
{
    const int32_t truncated = static_cast<int32_t>(value);
    return static_cast<int16_t>(std::clamp<int32_t>(truncated, INT16_MIN, INT16_MAX));
}

}  // namespace

FilterRing::FilterRing(ScanFrame& scanFrame, float filterFactor)
    : frame(scanFrame), n(scanFrame.count)
{
    const float step = static_cast<float>(kFullTurnRadians / (n - 1));
    threshold = filterFactor * std::sin(step);
    cosStep = std::cos(step);
    for (int j = 0; j < n; ++j) {
        const double radians = frame.angle[j] * kPi / 180.0;
        scratch.cosAngle[j] = std::cos(radians);
        scratch.sinAngle[j] = std::sin(radians);
    }
    for (int j = 0; j < n; ++j) {
        const float apart = std::fabs(frame.angle[j] - frame.angle[Member(j, 1)]);
        scratch.cosToNext[j] = std::cos(static_cast<float>(apart * kPi / 180.0));
    }
}

PlanePoint FilterRing::Position(int j) const
{
    const double d = frame.distance[j];
    return {static_cast<float>(d * scratch.cosAngle[j]), static_cast<float>(d * scratch.sinAngle[j])};
}

float FilterRing::GapToNext(int j) const
{
    return LawOfCosines(frame.distance[j], frame.distance[Member(j, 1)], scratch.cosToNext[j]);
}

float FilterRing::NominalGap(int16_t u, int16_t v) const
{
    return LawOfCosines(u, v, cosStep);
}

float Norm(PlanePoint p)
{
    return std::sqrt(p.x * p.x + p.y * p.y);
}

// The difference is single precision, the weighted sum double, the result truncated toward zero.
int16_t PullTowardLine(int16_t d, float expected)
{
    const float deviation = d - expected;
    return TruncateToDistance(expected + kShare * deviation);
}

int16_t StepTowardEstimate(int16_t d, float estimate)
{
    const float difference = estimate - d;
    return TruncateToDistance(d + kShare * difference);
}
