#include "acquisition/Pipeline.h"

#include <mutex>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "files/Recording.h"
#include "processing/AngleCompensation.h"
#include "processing/NoiseFilter.h"
#include "protocols/DeviceModel.h"
#include "protocols/Protocol0.h"
#include "protocols/Protocol1.h"
#include "protocols/Protocol2.h"
#include "protocols/Protocol3.h"

RunSettings ModelRunSettings(const DeviceModel& model)
{
    return {&model, CodesForName(model.szName).protocol, model.nPointNum, ProcessingSettings{}};
}

void StartRun(const RunSettings& settings)
{
    ResetSharedState();
    ResetProtocol0();
    ResetProtocol1();
    ResetProtocol2();
    ResetProtocol3();
    ResetPlaybackState();
    ResetRecording();
    Store(g_pModel, settings.model);
    Store(g_nProtocol, settings.protocol);
    Store(g_nFormulaKind, CodesForName(settings.model->szName).formulaKind);
    Store(g_nPointNum, settings.pointNum);
    Store(g_bFilter, settings.processing.filter ? 1 : 0);
    Store(g_fFilterFactor, settings.processing.filterFactor);
    Store(g_nCompensation, settings.processing.compensation);
}

namespace {

// Protocols 0 and 1 return only with a frame; 2 and 3 report every read, 0 for a frame.
bool ParseWithCurrentProtocol(CSerialPort& port)
{
    switch (Load(g_nProtocol)) {
    case 1:
        return ParseProtocol1(port, g_ScanFrame);
    case 2:
        return ParseProtocol2(port, g_ScanFrame) == 0;
    case 3:
        return ParseProtocol3(port, g_ScanFrame) == 0;
    default:
        return ParseProtocol0(port, g_ScanFrame);
    }
}

}  // namespace

ParseResult ParseNextFrame(CSerialPort& port)
{
    if (ParseWithCurrentProtocol(port))
        return ParseResult::Frame;
    return port.InputEnded() ? ParseResult::InputEnded : ParseResult::NoFrame;
}

void ProcessFrame()
{
    Store(g_nReceived, g_ScanFrame.count);
    if (Load(g_bFilter) != 0)
        FilterFrame(g_ScanFrame);
    std::lock_guard<std::mutex> lock(g_PointListMutex);
    BuildPointList(g_ScanFrame, g_PointList);
}
