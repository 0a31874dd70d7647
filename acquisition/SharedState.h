// The process-wide acquisition state shared by the UI thread and the receive thread.
//
// Every shared scalar is a relaxed atomic: one store per write, read afresh at each use,
// so a setting changed by the UI reaches the receive thread at its next read.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "acquisition/ScanFrame.h"

struct DeviceModel;

extern ScanFrame g_ScanFrame;  // receive thread only
// The list the view draws: written from each revolution the view takes (on the UI thread) or
// from each subscribed scan (on the subscriber's thread).
extern PointList g_PointList;

// Held while g_PointList is written and by every redraw while it reads the list, so that one
// picture shows one revolution.
extern std::mutex g_PointListMutex;

extern std::atomic<int32_t> g_nProtocol;
extern std::atomic<const DeviceModel*> g_pModel;
extern std::atomic<int32_t> g_nFormulaKind;
extern std::atomic<int32_t> g_nCompensation;
extern std::atomic<int32_t> g_bFilter;
extern std::atomic<int32_t> g_nReceived;
extern std::atomic<int32_t> g_nValidSamples;
extern std::atomic<uint8_t> g_bFrameDone;
extern std::atomic<int32_t> g_nPointNum;
extern std::atomic<int32_t> g_bPlayback;
extern std::atomic<uint8_t> g_bRecording;
extern std::atomic<int32_t> g_bFloatFormat;
extern std::atomic<float> g_fFilterFactor;
extern std::atomic<int32_t> g_nStatPoints;
extern std::atomic<uint8_t> g_bHoldFrame;

// Receive thread only: the parsers' common write index into g_ScanFrame.
extern int32_t g_nFrameIndex;

// Relaxed access: each of these values stands on its own (a setting, a counter), and no reader
// takes it as a sign that other memory is ready; the point list is handed over under its lock.
template <typename T>
inline T Load(const std::atomic<T>& value) { return value.load(std::memory_order_relaxed); }
template <typename T, typename U>
inline void Store(std::atomic<T>& value, U newValue) { value.store(static_cast<T>(newValue), std::memory_order_relaxed); }

// Puts every variable above back to its start-up value (tests and the command-line tool
// run several independent streams in one process).
void ResetSharedState();
