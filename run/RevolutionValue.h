// One finished revolution as every output sees it: an immutable value that the outputs share
// read-only, made once per revolution by the thread that runs the parsers and handed to each
// output's queue (see OutputStage).
#pragma once

#include <cstdint>

#include "acquisition/LinkHealth.h"
#include "acquisition/ScanFrame.h"
#include "protocols/ProtocolTable.h"

struct DeviceModel;

// Room for every byte read between two hand-outs: the largest revolution any protocol sends
// (16000 samples of two bytes with their headers) with room to spare. Bytes that would not fit
// go out first in a value of their own (see RevolutionValue::complete).
constexpr int32_t REVOLUTION_BYTES_CAPACITY = 65536;

// Nanoseconds: monotonic on the steady clock, wall on the system clock (since the epoch).
struct RevolutionTimes {
    int64_t firstByteNs = 0;  // the first read after the previous value was handed out
    int64_t completedNs = 0;  // the revolution was complete (or the bytes were handed out)
    int64_t firstByteWallNs = 0;
    int64_t completedWallNs = 0;
};

// What a run is: the outputs learn it when the run starts, and every value repeats it.
struct RunInfo {
    uint64_t run = 0;  // from 1, one number per run of the stage
    const DeviceModel* model = nullptr;
    int32_t protocol = 0;
    SweepDirection direction = SweepDirection::Clockwise;
    int64_t startNs = 0;  // steady clock
    int64_t startWallNs = 0;
};

struct RevolutionValue {
    RunInfo run;
    uint64_t sequence = 0;  // from 1 across the stage's life: a gap is a value an output did not get
    // True: `parsed` and `points` hold a revolution. False: a value that only carries bytes,
    // handed out because they filled the room or the run ended before a revolution closed.
    bool complete = false;
    RevolutionTimes times;
    LinkHealthReading health;  // right after the revolution was counted
    ScanFrame parsed;          // the samples as the parser gave them (first `count` entries)
    PointList points;          // after filter and compensation: what the view draws
    // The bytes read from the line since the previous value, in order, so that the values'
    // bytes laid end to end are the whole stream. A played-back file's bytes are not carried:
    // they are a recording already.
    int32_t byteCount = 0;
    uint8_t bytes[REVOLUTION_BYTES_CAPACITY];
};

// The first `from.count` entries of every array and the count: a revolution of 500 samples costs
// a few kilobytes, not the whole frame.
void CopySamples(const ScanFrame& from, ScanFrame& to);
