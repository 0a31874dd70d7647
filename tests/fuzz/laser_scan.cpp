// Fuzz target: a LaserScan as a subscribed window receives it, the bytes of one serialized
// message: decoded, then turned into the point list the view draws, in either angle convention.
// Whatever the bytes, the list holds no more than it can, every point has a direction on the
// circle, and a scan that decodes is written and read back unchanged.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "acquisition/ScanFrame.h"
#include "messages/LaserScanCdr.h"
#include "messages/ScanConversion.h"

namespace {

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static LaserScan scan;
    static LaserScan again;
    static std::vector<uint8_t> bytes;
    static const auto list = std::make_unique<PointList>();
    std::string reason;
    if (!DecodeLaserScanCdr(data, size, scan, reason)) {
        FUZZ_CHECK(!reason.empty());
        return 0;
    }
    FUZZ_CHECK(scan.ranges.size() + scan.intensities.size() <= size / 4);
    for (const int32_t protocol : {0, 1}) {
        const bool drawn = LaserScanToPointList(scan, protocol, *list);
        FUZZ_CHECK(drawn == (std::isfinite(scan.angleMin) && std::isfinite(scan.angleIncrement)));
        FUZZ_CHECK(list->count >= 0 && list->count <= SCAN_CAPACITY);
        FUZZ_CHECK(!drawn || scan.ranges.empty() || list->count > 0);
        for (int32_t i = 0; i < list->count; ++i) {
            FUZZ_CHECK(list->angle[i] >= 0.0f && list->angle[i] <= 360.0f);
            FUZZ_CHECK(list->distance[i] >= 0);
        }
    }
    EncodeLaserScanCdr(scan, bytes);
    FUZZ_CHECK(DecodeLaserScanCdr(bytes.data(), bytes.size(), again, reason));
    FUZZ_CHECK(again.frameId == scan.frameId && again.stampSec == scan.stampSec &&
               again.stampNanosec == scan.stampNanosec && SameBits(again.ranges, scan.ranges) &&
               SameBits(again.intensities, scan.intensities));
    return 0;
}
