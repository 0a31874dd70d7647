#include "acquisition/SharedState.h"

#include <cstring>

#include "protocols/DeviceModel.h"

ScanFrame g_ScanFrame;
PointList g_PointList;
std::mutex g_PointListMutex;

std::atomic<int32_t> g_nProtocol{0};
std::atomic<const DeviceModel*> g_pModel{&g_ModelTR20_A};
std::atomic<int32_t> g_nFormulaKind{0};
std::atomic<int32_t> g_nCompensation{1};
std::atomic<int32_t> g_bFilter{1};
std::atomic<int32_t> g_nReceived{600};
std::atomic<int32_t> g_nValidSamples{0};
std::atomic<uint8_t> g_bFrameDone{0};
std::atomic<int32_t> g_nPointNum{30};
std::atomic<int32_t> g_bPlayback{0};
std::atomic<uint8_t> g_bRecording{0};
std::atomic<int32_t> g_bFloatFormat{0};
std::atomic<float> g_fFilterFactor{2.5f};
std::atomic<int32_t> g_nStatPoints{20};
std::atomic<uint8_t> g_bHoldFrame{1};

int32_t g_nFrameIndex = 0;

void ResetSharedState()
{
    std::memset(&g_ScanFrame, 0, sizeof g_ScanFrame);
    std::memset(&g_PointList, 0, sizeof g_PointList);
    Store(g_nProtocol, 0);
    Store(g_pModel, &g_ModelTR20_A);
    Store(g_nFormulaKind, 0);
    Store(g_nCompensation, 1);
    Store(g_bFilter, 1);
    Store(g_nReceived, 600);
    Store(g_nValidSamples, 0);
    Store(g_bFrameDone, 0);
    Store(g_nPointNum, 30);
    Store(g_bPlayback, 0);
    Store(g_bRecording, 0);
    Store(g_bFloatFormat, 0);
    Store(g_fFilterFactor, 2.5f);
    Store(g_nStatPoints, 20);
    Store(g_bHoldFrame, 1);
    g_nFrameIndex = 0;
}
