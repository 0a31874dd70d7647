// The geometry the noise filter judges a frame by: sample positions, gaps and the break test,
// with the frame taken as a closed ring.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"

struct PlanePoint {
    float x;
    float y;
};

// Binds one frame for one filter call. The trigonometry of the angles is evaluated once here,
// since the filter changes only distances; the results are the same bits as evaluating it at
// each use. Uses static scratch, so only one filter call may run at a time (receive thread).
class FilterRing {
public:
    // Needs 4 <= frame.count <= SCAN_CAPACITY.
    FilterRing(ScanFrame& scanFrame, float filterFactor);

    int Size() const { return n; }
    // Member m of the window that starts at sample i (one subtraction of n at the end of the ring).
    int Member(int i, int m) const { return i + m >= n ? i + m - n : i + m; }

    int16_t& Distance(int j) { return frame.distance[j]; }
    PlanePoint Position(int j) const;
    // Law-of-cosines gap between sample j and its successor in the ring, at their true angle.
    float GapToNext(int j) const;
    // The same gap for distances u and v at the nominal step between samples.
    float NominalGap(int16_t u, int16_t v) const;

    // A gap is a break at sample j when it exceeds the range-proportional threshold there.
    bool IsBreak(float gap, int j) const { return gap > threshold * frame.distance[j]; }
    // Strictly below the threshold: a gap equal to it is neither a break nor a non-break.
    bool IsNoBreak(float gap, int j) const { return threshold * frame.distance[j] > gap; }

private:
    ScanFrame& frame;
    int n;
    float threshold;  // the factor times the sine of the nominal step
    float cosStep;
};

float Norm(PlanePoint p);

// d moved 60 % of the way toward the expected distance (a zig-zag straightened).
int16_t PullTowardLine(int16_t d, float expected);
// d moved 40 % of the way toward an extrapolated distance (the edge of a run of returns).
int16_t StepTowardEstimate(int16_t d, float estimate);
