// Per-frame cost of the noise filter and the formula compensation, as the receive thread runs them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "acquisition/SharedState.h"
#include "processing/AngleCompensation.h"
#include "processing/NoiseFilter.h"
#include "protocols/DeviceModel.h"

namespace {

// The receive thread's defaults.
constexpr float FACTOR = 2.5f;
const CompensationSettings FORMULA{1, &g_ModelTR20_A, 0};

ScanFrame recorded;  // the revolution every iteration starts from

// A square room seen from its middle, with a little range noise, a few stray returns and gaps.
void MakeRevolution(int count)
{
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    recorded.count = count;
    for (int j = 0; j < count; ++j) {
        const float angle = j * 360.0f / count;
        const double radians = angle * 3.141592654 / 180.0;
        const double wall = 3000.0 / std::fmax(std::fabs(std::cos(radians)), std::fabs(std::sin(radians)));
        int distance = static_cast<int>(wall) + static_cast<int>(next() % 11) - 5;
        const uint32_t roll = next() % 100;
        if (roll < 2)
            distance = 0;
        else if (roll < 4)
            distance += 800;
        recorded.angle[j] = angle;
        recorded.distance[j] = static_cast<int16_t>(distance);
    }
}

void Restore(int count)
{
    g_ScanFrame.count = count;
    std::memcpy(g_ScanFrame.angle, recorded.angle, count * sizeof recorded.angle[0]);
    std::memcpy(g_ScanFrame.distance, recorded.distance, count * sizeof recorded.distance[0]);
}

void Prepare(benchmark::State& state)
{
    ResetSharedState();
    MakeRevolution(static_cast<int>(state.range(0)));
}

void BM_FilterFrame(benchmark::State& state)
{
    Prepare(state);
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Restore(count);
        FilterFrame(g_ScanFrame, FACTOR);
        benchmark::DoNotOptimize(g_ScanFrame.distance[0]);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_FormulaCompensation(benchmark::State& state)
{
    Prepare(state);
    Restore(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        BuildPointList(g_ScanFrame, g_PointList, FORMULA);
        benchmark::DoNotOptimize(g_PointList.angle[0]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// What one revolution costs the receive thread with the default settings.
void BM_FilterThenFormula(benchmark::State& state)
{
    Prepare(state);
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Restore(count);
        FilterFrame(g_ScanFrame, FACTOR);
        BuildPointList(g_ScanFrame, g_PointList, FORMULA);
        benchmark::DoNotOptimize(g_PointList.angle[0]);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(BM_FilterFrame)->Arg(500)->Arg(4000)->Arg(16000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormulaCompensation)->Arg(500)->Arg(4000)->Arg(16000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterThenFormula)->Arg(500)->Arg(4000)->Arg(16000)->Unit(benchmark::kMicrosecond);
