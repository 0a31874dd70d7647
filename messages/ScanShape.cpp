#include "messages/ScanShape.h"

#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"

namespace {

// The models' measuring range. The model table carries none, so every family shares the range
// the viewer's scales are built for; a data sheet's figures belong here per model.
constexpr float RANGE_MIN_METRES = 0.05f;
constexpr float RANGE_MAX_METRES = 12.0f;

// A protocol without bins of its own (protocol 0): fifteen sectors of the model's point number.
constexpr int32_t SECTORS = 15;

int32_t DefaultBins(const DeviceModel& model)
{
    const int32_t bins = ProtocolFor(CodesForName(model.szName).protocol).scanBins;
    return bins > 0 ? bins : SECTORS * model.nPointNum;
}

}  // namespace

ScanShape ModelScanShape(const DeviceModel& model)
{
    return {DefaultBins(model), RANGE_MIN_METRES, RANGE_MAX_METRES};
}
