// What a recording says about the run that made it, in a Metadata record named "plotwell": the
// model, its protocol and baud rate, the filter and compensation the point lists were made
// with, the program's version. Playback takes the model and protocol from it, so that a file
// decodes as it was recorded whatever model the window has selected.
#pragma once

#include <string>
#include <vector>

#include "mcap/McapRecords.h"
#include "run/Pipeline.h"
#include "run/RevolutionValue.h"

inline constexpr char RECORDING_METADATA_NAME[] = "plotwell";

McapMetadata RecordingMetadata(const RunInfo& run, const ProcessingSettings& processing);

// The model and protocol a recording's metadata names; model null when it names none we know
// (a file from another program), protocol -1 when it names none.
struct RecordedRun {
    const DeviceModel* model = nullptr;
    int32_t protocol = -1;
};
RecordedRun ReadRecordedRun(const std::vector<McapMetadata>& metadata);
