#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "acquisition/SharedState.h"
#include "processing/NoiseFilter.h"

namespace {

constexpr int kRing = 500;

using Samples = std::vector<std::pair<int, int16_t>>;  // index, distance

struct FilterCase {
    const char* what;
    int16_t base;      // distance of every sample not listed
    Samples input;
    Samples expected;  // samples that must differ from the input; all others stay as they were
    float factor = 2.5f;
};

// Samples first..last-1 rising by perSample from start; later entries of a list override earlier ones.
Samples Ramp(int first, int last, int start, int perSample)
{
    Samples samples;
    for (int j = first; j < last; ++j)
        samples.emplace_back(j, static_cast<int16_t>(start + perSample * (j - first)));
    return samples;
}

Samples operator+(Samples a, const Samples& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 500 samples evenly spaced over the full turn, as one revolution arrives.
void FillRing(ScanFrame& frame, int16_t base, const Samples& samples)
{
    frame.count = kRing;
    for (int j = 0; j < kRing; ++j) {
        frame.angle[j] = j * 360.0f / (kRing - 1);
        frame.distance[j] = base;
    }
    for (auto [index, distance] : samples)
        frame.distance[index] = distance;
}

class NoiseFilterTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedState(); }
};

TEST_F(NoiseFilterTest, RevolutionOfFiveHundredSamples)
{
    const FilterCase cases[] = {
        {"constant range", 1000, {}, {}},
        {"all without return", 0, {}, {}},
        {"spike in the middle", 1000, {{200, 1500}}, {{200, 0}}},
        {"spike at index 0", 1000, {{0, 1500}}, {{0, 0}}},
        {"spike at index 1", 1000, {{1, 1500}}, {{1, 0}}},
        {"spike kept by a large factor", 1000, {{200, 1500}}, {}, 100.0f},
        {"zig-zag straightened", 1000, {{100, 1010}, {101, 990}}, {{100, 1003}, {101, 995}}},
        {"lone return", 0, {{250, 1000}}, {{250, 0}}},
        {"even pair between gaps", 0, {{250, 1000}, {251, 1000}}, {}},
        {"uneven pair between gaps", 0, {{250, 1000}, {251, 1100}}, {{250, 0}, {251, 0}}},
        {"run with a far first sample", 0,
         {{100, 1040}, {101, 1000}, {102, 1000}, {103, 1000}, {104, 1000}, {105, 1000}, {106, 1000}},
         {{100, 0}}},
        {"run edges drawn toward the run", 0, Ramp(100, 200, 1000, 0) + Samples{{100, 1020}, {199, 1020}},
         {{100, 1012}, {199, 1012}}},
        {"run edge drawn beyond the 16-bit range", 0, Ramp(100, 102, 30000, 0) + Ramp(102, 200, 5000, 0),
         {{100, 32767}}},
        {"spike on a slope averaged", 1000,
         Ramp(300, 320, 1000, 5) + Ramp(320, kRing, 1100, 0) + Samples{{305, 1055}}, {{305, 1025}}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.what);
        FillRing(g_ScanFrame, c.base, c.input);
        ScanFrame& want = g_PointList;  // spare frame of the same layout
        FillRing(want, c.base, c.input);
        for (auto [index, distance] : c.expected)
            want.distance[index] = distance;

        FilterFrame(g_ScanFrame, c.factor);

        EXPECT_EQ(g_ScanFrame.count, kRing);
        for (int j = 0; j < kRing; ++j) {
            ASSERT_EQ(g_ScanFrame.distance[j], want.distance[j]) << "sample " << j;
            ASSERT_EQ(g_ScanFrame.angle[j], want.angle[j]) << "sample " << j;
        }
    }
}

// Too few samples for a four-sample window, or more than the arrays hold: nothing may change,
// not even a lone return, and nothing beyond the count may be read.
TEST_F(NoiseFilterTest, FramesOutsideTheWindowSizesStayUnchanged)
{
    const int counts[] = {0, 1, 2, 3, SCAN_CAPACITY + 1};
    for (int count : counts) {
        SCOPED_TRACE(count);
        ResetSharedState();
        for (int j = 0; j < 8; ++j) {
            g_ScanFrame.angle[j] = j * 0.72f;
            g_ScanFrame.distance[j] = j % 2 == 1 ? 1000 : 0;
        }
        g_ScanFrame.count = count;

        FilterFrame(g_ScanFrame, 2.5f);

        for (int j = 0; j < 8; ++j)
            EXPECT_EQ(g_ScanFrame.distance[j], j % 2 == 1 ? 1000 : 0) << "sample " << j;
    }
}

}  // namespace
