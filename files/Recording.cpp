#include "files/Recording.h"

#include <cstring>
#include <mutex>

#include "acquisition/SharedState.h"

std::atomic<int32_t> g_nRecordCount{0};
uint8_t g_RecordBytes[RECORD_BYTES_CAPACITY];
AngDepRecord g_RecordValues[RECORD_VALUES_CAPACITY];

namespace {

// Appends (receive thread) and start/stop (UI thread) hold it for a copy or a flag change at
// most, so a stop never lets an append slip in while the file is written from the store.
std::mutex g_recordMutex;
std::atomic<bool> g_recordFull{false};

void Start(int32_t floatFormat)
{
    if (Load(g_bFloatFormat) != floatFormat)
        return;
    std::lock_guard<std::mutex> lock(g_recordMutex);
    Store(g_nRecordCount, 0);
    Store(g_recordFull, false);
    Store(g_bRecording, 1);
}

// Whether an append in the mode `floatFormat` may go ahead; call with the lock held. Once full,
// nothing more is taken, so the file never has a hole in the middle.
bool Accepting(int32_t floatFormat)
{
    return Load(g_bRecording) != 0 && Load(g_bFloatFormat) == floatFormat && !Load(g_recordFull);
}

}  // namespace

void StartRawRecording()
{
    Start(0);
}

void StartValueRecording()
{
    Start(1);
}

void RecordRawBytes(const uint8_t* bytes, int32_t count)
{
    if (Load(g_bRecording) == 0 || count <= 0)
        return;
    std::lock_guard<std::mutex> lock(g_recordMutex);
    if (!Accepting(0))
        return;
    const int32_t held = Load(g_nRecordCount);
    if (held + count > RECORD_BYTES_LIMIT) {
        Store(g_recordFull, true);
        return;
    }
    std::memcpy(g_RecordBytes + held, bytes, static_cast<size_t>(count));
    Store(g_nRecordCount, held + count);
}

void RecordFrame(const ScanFrame& frame)
{
    if (Load(g_bRecording) == 0)
        return;
    std::lock_guard<std::mutex> lock(g_recordMutex);
    if (!Accepting(1))
        return;
    const int32_t held = Load(g_nRecordCount);
    const int32_t count = frame.count < SCAN_CAPACITY ? frame.count : SCAN_CAPACITY;
    if (held + count > RECORD_VALUES_LIMIT) {
        Store(g_recordFull, true);
        return;
    }
    for (int32_t i = 0; i < count; ++i)
        g_RecordValues[held + i] = {static_cast<int16_t>(i), frame.angle[i], frame.distance[i]};
    Store(g_nRecordCount, held + (count > 0 ? count : 0));
}

bool RecordingFull()
{
    return Load(g_recordFull);
}

int32_t StopRecording()
{
    std::lock_guard<std::mutex> lock(g_recordMutex);
    Store(g_bRecording, 0);
    return Load(g_nRecordCount);
}

void ClearRecording()
{
    std::lock_guard<std::mutex> lock(g_recordMutex);
    Store(g_nRecordCount, 0);
}

void ResetRecording()
{
    std::lock_guard<std::mutex> lock(g_recordMutex);
    Store(g_bRecording, 0);
    Store(g_nRecordCount, 0);
    Store(g_recordFull, false);
}
