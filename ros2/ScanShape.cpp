#include "ros2/ScanShape.h"

#include "protocols/DeviceModel.h"
#include "protocols/Protocol3Encoder.h"

namespace {

// The models' measuring range. The model table carries none, so every family shares the range
// the viewer's scales are built for; a data sheet's figures belong here per model.
constexpr float RANGE_MIN_METRES = 0.05f;
constexpr float RANGE_MAX_METRES = 12.0f;

// Protocol 1 scanners: the 0.72-degree bins of the viewer's own sorting compensation.
constexpr int32_t PROTOCOL1_BINS = 500;
// Protocol 2 frames stay below 600 samples; one bin a degree.
constexpr int32_t PROTOCOL2_BINS = 360;
// Protocol 0: fifteen sectors of the model's point number each.
constexpr int32_t PROTOCOL0_SECTORS = 15;

int32_t DefaultBins(const DeviceModel& model)
{
    switch (CodesForName(model.szName).protocol) {
    case 1:
        return PROTOCOL1_BINS;
    case 2:
        return PROTOCOL2_BINS;
    case 3:
        return PROTOCOL3_SAMPLES_PER_REVOLUTION;
    default:
        return PROTOCOL0_SECTORS * model.nPointNum;
    }
}

}  // namespace

ScanShape ModelScanShape(const DeviceModel& model)
{
    return {DefaultBins(model), RANGE_MIN_METRES, RANGE_MAX_METRES};
}
