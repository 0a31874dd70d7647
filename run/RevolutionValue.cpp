#include "run/RevolutionValue.h"

#include <algorithm>
#include <cstring>

void CopySamples(const ScanFrame& from, ScanFrame& to)
{
    const int32_t count = std::clamp(from.count, 0, SCAN_CAPACITY);
    to.count = from.count;
    const auto n = static_cast<size_t>(count);
    std::memcpy(to.angle, from.angle, n * sizeof from.angle[0]);
    std::memcpy(to.flag, from.flag, n * sizeof from.flag[0]);
    std::memcpy(to.distance, from.distance, n * sizeof from.distance[0]);
    std::memcpy(to.lowBits, from.lowBits, n * sizeof from.lowBits[0]);
}
