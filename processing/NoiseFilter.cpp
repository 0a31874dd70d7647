#include "processing/NoiseFilter.h"

#include "processing/FilterRing.h"

namespace {

// Below four samples the ring windows would wrap more than once and one sample has no step.
constexpr int kSmallestFilteredFrame = 4;

// Four samples, all with a return: delete isolated breaks, then straighten a zig-zag.
void FullFourSampleTest(FilterRing& ring, const int s[4])
{
    int16_t& d1 = ring.Distance(s[1]);
    int16_t& d2 = ring.Distance(s[2]);
    const PlanePoint p0 = ring.Position(s[0]);
    const PlanePoint p3 = ring.Position(s[3]);
    const float expected1 = Norm({(2.0f * p0.x + p3.x) / 3.0f, (2.0f * p0.y + p3.y) / 3.0f});
    const float expected2 = Norm({(p0.x + 2.0f * p3.x) / 3.0f, (p0.y + 2.0f * p3.y) / 3.0f});
    const float h = ring.GapToNext(s[0]);
    const float k = ring.GapToNext(s[1]);
    const float nGap = ring.GapToNext(s[2]);

    if (ring.IsBreak(h, s[1]) && ring.IsBreak(k, s[1]))
        d1 = 0;
    if (ring.IsBreak(k, s[2]) && ring.IsBreak(nGap, s[2]))
        d2 = 0;
    if (d1 == 0 || d2 == 0)
        return;

    const bool zigZag = (d1 > expected1 && expected2 > d2) || (expected1 > d1 && d2 > expected2);
    if (!zigZag)
        return;
    const bool breakBeforeOnly = ring.IsBreak(h, s[0]) && ring.IsNoBreak(k, s[1]) && ring.IsNoBreak(nGap, s[2]);
    const bool breakBetweenOnly = ring.IsNoBreak(h, s[0]) && ring.IsBreak(k, s[1]) && ring.IsNoBreak(nGap, s[2]);
    const bool breakAfterOnly = ring.IsNoBreak(h, s[0]) && ring.IsNoBreak(k, s[1]) && ring.IsBreak(nGap, s[2]);
    if (breakBeforeOnly || breakBetweenOnly || breakAfterOnly)
        return;
    d1 = PullTowardLine(d1, expected1);
    d2 = PullTowardLine(d2, expected2);
}

void FourSampleWindow(FilterRing& ring, int i)
{
    const int s[4] = {i, ring.Member(i, 1), ring.Member(i, 2), ring.Member(i, 3)};
    int16_t& d0 = ring.Distance(s[0]);
    int16_t& d1 = ring.Distance(s[1]);
    int16_t& d2 = ring.Distance(s[2]);
    int16_t& d3 = ring.Distance(s[3]);
    const int occupancy = (d0 != 0) + 2 * (d1 != 0) + 4 * (d2 != 0) + 8 * (d3 != 0);

    switch (occupancy) {
    case 15:
        FullFourSampleTest(ring, s);
        break;
    case 4:
    case 5:
        d2 = 0;
        break;
    case 2:
    case 10:
        d1 = 0;
        break;
    case 3:
    case 11:
        if (ring.IsBreak(ring.NominalGap(d0, d1), s[1]))
            d1 = 0;
        break;
    case 14:
        if (ring.IsBreak(ring.NominalGap(d1, d2), s[1]))
            d1 = 0;
        break;
    case 12:
    case 13:
        if (ring.IsBreak(ring.NominalGap(d2, d3), s[2]))
            d2 = 0;
        break;
    case 7:
        if (ring.IsBreak(ring.NominalGap(d1, d2), s[2]))
            d2 = 0;
        break;
    case 6:
        if (ring.IsBreak(ring.NominalGap(d1, d2), s[1])) {
            d1 = 0;
            d2 = 0;
        }
        break;
    default:  // 0, 1, 8, 9: nothing to judge
        break;
    }
}

// A middle sample that breaks away while its neighbours follow one trend is a spike.
void SpikeTest(FilterRing& ring, const int s[5])
{
    const int16_t d0 = ring.Distance(s[0]);
    const int16_t d1 = ring.Distance(s[1]);
    const int16_t d3 = ring.Distance(s[3]);
    const int16_t d4 = ring.Distance(s[4]);
    const bool smoothOutside = ring.IsNoBreak(ring.GapToNext(s[0]), s[1]) && ring.IsNoBreak(ring.GapToNext(s[3]), s[3]);
    const bool middleBreaks = ring.IsBreak(ring.GapToNext(s[1]), s[2]) || ring.IsBreak(ring.GapToNext(s[2]), s[2]);
    const bool sameTrend = (d0 < d1 && d3 < d4) || (d0 > d1 && d3 > d4);
    if (smoothOutside && middleBreaks && sameTrend)
        ring.Distance(s[2]) = static_cast<int16_t>((d1 + d3) / 2);
}

// The sample at a run's edge moves toward the line through its two inner neighbours.
void EdgeTest(FilterRing& ring, int edge, int inner, int further)
{
    const PlanePoint pInner = ring.Position(inner);
    const PlanePoint pFurther = ring.Position(further);
    const float estimate = Norm({2.0f * pInner.x - pFurther.x, 2.0f * pInner.y - pFurther.y});
    ring.Distance(edge) = StepTowardEstimate(ring.Distance(edge), estimate);
}

void FiveSampleWindow(FilterRing& ring, int i)
{
    const int s[5] = {i, ring.Member(i, 1), ring.Member(i, 2), ring.Member(i, 3), ring.Member(i, 4)};
    bool present[5];
    for (int m = 0; m < 5; ++m)
        present[m] = ring.Distance(s[m]) != 0;
    const bool middleRun = present[1] && present[2] && present[3];
    if (!middleRun)
        return;
    if (present[0] && present[4])
        SpikeTest(ring, s);
    else if (!present[0] && present[4])
        EdgeTest(ring, s[1], s[2], s[3]);
    else if (present[0] && !present[4])
        EdgeTest(ring, s[3], s[2], s[1]);
}

}  // namespace

void FilterFrame(ScanFrame& frame, float filterFactor)
{
    if (frame.count < kSmallestFilteredFrame || frame.count > SCAN_CAPACITY)
        return;
    FilterRing ring(frame, filterFactor);
    for (int i = 0; i < ring.Size(); ++i)
        FourSampleWindow(ring, i);
    for (int i = 0; i < ring.Size(); ++i)
        FiveSampleWindow(ring, i);
}
