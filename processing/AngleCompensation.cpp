#include "processing/AngleCompensation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "protocols/DeviceModel.h"

namespace {

constexpr float kFullTurn = 360.0f;
constexpr double kNoCorrectionBelow = 0.01;
constexpr float kBinWidth = 0.72f;
constexpr int kBinCount = 500;
constexpr double kRoundingOffset = 0.5;
constexpr float kHalfTurnDegrees = 180.0f;
constexpr double kPi = 3.141592654;

// Every other mode value means no compensation.
enum CompensationMode { kModeFormula = 1, kModeBins = 2 };

// Subtracts the distance-dependent correction and wraps once each way: 360.0 itself stays 360.0.
float CorrectedAngle(float angle, int16_t distance, const CompensationSettings& settings)
{
    const float correction =
        distance < kNoCorrectionBelow ? 0.0f : AngleCorrection(*settings.model, settings.formulaKind, distance);
    float corrected = angle - correction;
    if (corrected > kFullTurn)
        corrected -= kFullTurn;
    if (corrected < 0.0f)
        corrected += kFullTurn;
    return corrected;
}

// A parser that broke its contract must not make the list readers run off the arrays.
int SampleCount(const ScanFrame& src)
{
    return std::min(src.count, SCAN_CAPACITY);
}

void CopyUncorrected(const ScanFrame& src, PointList& dst)
{
    const int n = SampleCount(src);
    dst.count = n;
    for (int i = 0; i < n; ++i) {
        dst.angle[i] = src.angle[i];
        dst.distance[i] = src.distance[i];
    }
}

void CorrectKeepingOrder(const ScanFrame& src, PointList& dst, const CompensationSettings& settings)
{
    const int n = SampleCount(src);
    if (n <= 0)
        return;
    // Angles and distances are all rewritten below; the flags of these entries are only cleared.
    std::memset(dst.flag, 0, n * sizeof dst.flag[0]);
    for (int i = 0; i < n; ++i) {
        dst.angle[i] = CorrectedAngle(src.angle[i], src.distance[i], settings);
        dst.distance[i] = src.distance[i];
    }
    dst.count = n;
}

void SortIntoBins(const ScanFrame& src, PointList& dst, const CompensationSettings& settings)
{
    std::memset(dst.angle, 0, kBinCount * sizeof dst.angle[0]);
    std::memset(dst.distance, 0, kBinCount * sizeof dst.distance[0]);
    const int n = SampleCount(src);
    for (int i = 0; i < n; ++i) {
        const float corrected = CorrectedAngle(src.angle[i], src.distance[i], settings);
        const double rounded = static_cast<double>(corrected / kBinWidth) + kRoundingOffset;
        // Angles outside the turn (raw parser values, NaN) would index past the arrays: skip them.
        // The test is on the value before truncation, so bin 0 still takes everything above -1.
        if (!(rounded > -1.0 && rounded < SCAN_CAPACITY))
            continue;
        const int bin = static_cast<int>(rounded);
        dst.angle[bin] = static_cast<float>(bin) * kBinWidth;
        dst.distance[bin] = src.distance[i];
    }
    if (n > 0)
        dst.count = kBinCount;
}

}  // namespace

float AngleCorrection(const DeviceModel& model, int32_t formulaKind, int16_t distance)
{
    const float x = distance;
    if (formulaKind == 1)
        return std::atan(model.fCompOffset / x);  // radians, as the short-formula models expect
    const float t = model.fCompGain * (x - model.fCompBase) / (model.fCompBase * x);
    const float a = std::atan(t);
    const double degrees = static_cast<double>(a * kHalfTurnDegrees) / kPi - model.fCompOffset;
    return static_cast<float>(degrees);
}

void BuildPointList(const ScanFrame& src, PointList& dst, const CompensationSettings& settings)
{
    switch (settings.mode) {
    case kModeFormula:
        CorrectKeepingOrder(src, dst, settings);
        break;
    case kModeBins:
        SortIntoBins(src, dst, settings);
        break;
    default:
        CopyUncorrected(src, dst);
        break;
    }
}
