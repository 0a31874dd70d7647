// Recording of what the scanner sends: raw bytes or the samples of completed frames, collected
// in memory on the receive thread and written to a file when the operator stops.
#pragma once

#include <atomic>
#include <cstdint>

#include "acquisition/ScanFrame.h"

// One sample of a recorded frame.
struct AngDepRecord {
    int16_t nIndex;     // index within its frame (low 16 bits)
    float fAngle;       // degrees, as the parser assembled it
    int16_t nDistance;  // millimetres, as the parser assembled it
};

constexpr int32_t RECORD_BYTES_CAPACITY = 1747627;
constexpr int32_t RECORD_VALUES_CAPACITY = 5242880;
// Raw mode keeps at most 1,747,626 bytes, whose dump stays within playback's 5M characters.
constexpr int32_t RECORD_BYTES_LIMIT = RECORD_BYTES_CAPACITY - 1;
constexpr int32_t RECORD_VALUES_LIMIT = RECORD_VALUES_CAPACITY - 1;

// Records held in g_RecordValues (value mode) or bytes in g_RecordBytes (raw mode). Written
// under the store's lock; the UI may read it at any time for a progress display.
extern std::atomic<int32_t> g_nRecordCount;
extern uint8_t g_RecordBytes[RECORD_BYTES_CAPACITY];
extern AngDepRecord g_RecordValues[RECORD_VALUES_CAPACITY];

// Begin collecting in one mode; each does nothing unless g_bFloatFormat selects its mode.
void StartRawRecording();
void StartValueRecording();

// Bytes read from the line, in order (never played-back bytes). A piece that no longer fits is
// not kept, and nothing after it.
void RecordRawBytes(const uint8_t* bytes, int32_t count);

// Every completed frame, as the parser gave it: before filter and compensation.
void RecordFrame(const ScanFrame& frame);

// True once data had to be turned away because the store reached its limit: the recording
// then holds a gap-free beginning of the stream, and the operator should stop it.
bool RecordingFull();

// Ends collecting and returns how many entries the store holds; no append follows it.
int32_t StopRecording();

// Empties the store after its file was written.
void ClearRecording();

// Start-up state: not recording, empty store (tests, the command-line tool).
void ResetRecording();
