// A run of the core, from bytes to a point list, the same for every caller (the receive thread,
// plotwell-tool, tests, benchmarks): start a run, ask the current protocol's parser for the next
// revolution, process a completed one.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"
#include "processing/AngleCompensation.h"

class CSerialPort;
struct DeviceModel;

// How a completed revolution becomes the point list.
struct ProcessingSettings {
    bool filter;
    float filterFactor;
    CompensationSettings compensation;  // its model is the run's model
};

// What a run starts with.
struct RunSettings {
    int32_t protocol;  // packet protocol code 0..3
    int32_t pointNum;  // protocol-0 samples per packet
    ProcessingSettings processing;

    const DeviceModel& Model() const { return *processing.compensation.model; }
};

// A model's own protocol code, point number and formula, with the filter and compensation of a
// fresh start (filter on at 2.5, formula compensation).
RunSettings ModelRunSettings(const DeviceModel& model);

// Puts the parsers, the shared state, playback, recording and the link's health back to their
// start-up values, then puts `settings` into the shared state: a run independent of anything
// earlier in the process.
void StartRun(const RunSettings& settings);

enum class ParseResult {
    Frame,       // a revolution is complete in g_ScanFrame
    NoFrame,     // none yet; call again
    InputEnded,  // none, and the attached byte source has nothing more to give
};

// One call of the parser of the protocol code in g_nProtocol; a completed revolution is counted
// in the link's health and then waited for as long as an attached source's pace asks (a
// played-back file). Once an attached source has ended, the parser's end-of-input scan runs on
// what its buffer still holds, so the last revolution of a file is not lost; a live line keeps
// the rule of the full buffer.
[[nodiscard]] ParseResult ParseNextFrame(CSerialPort& port);

// The operator's processing settings as the shared state holds them now: the receive loop reads
// them once per revolution, so a change takes effect at the next one.
ProcessingSettings CurrentProcessingSettings();

// The revolution just completed in g_ScanFrame: publishes its count in g_nReceived and its
// samples with a return in the link's health, filters it in place when the settings ask and
// builds `points` from it.
void ProcessFrame(const ProcessingSettings& settings, PointList& points);
