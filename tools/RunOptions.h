// The options of the commands that run the core on a model's bytes (decode, monitor): which
// model, and what is done to every revolution.
#pragma once

#include <cstdint>
#include <vector>

#include "protocols/DeviceModel.h"
#include "recording/RecordingMetadata.h"
#include "run/Pipeline.h"
#include "tools/ToolArguments.h"

struct RunOptions {
    const DeviceModel* model = &g_ModelTR20_A;
    int32_t protocol = -1;  // -1: the model's
    int32_t pointNum = -1;  // -1: the model's
    bool filter = true;
    float filterFactor = 2.5f;
    int32_t compensation = 1;  // 0 none, 1 formula, 2 bins ("ros")
    bool modelGiven = false;     // --model or --protocol was given: a recording's own
    bool protocolGiven = false;  // model and protocol do not replace them

    // A recording's model and protocol, where it names them and the options did not.
    void TakeRecorded(const RecordedRun& recorded);

    // What the run starts with: the model's settings with these options applied.
    RunSettings Settings() const;
};

// --model NAME, --filter FACTOR|off, --compensation none|formula|ros; with `packetOptions` also
// --protocol 0-3 and --point-num N.
std::vector<OptionRule> RunOptionRules(RunOptions& options, bool packetOptions);
