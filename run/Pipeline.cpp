#include "run/Pipeline.h"

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "files/PlaybackState.h"
#include "files/Recording.h"
#include "processing/NoiseFilter.h"
#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"

namespace {

// Fresh-start processing: the filter on at its factor, the formula compensation.
constexpr bool START_FILTER = true;
constexpr float START_FILTER_FACTOR = 2.5f;
constexpr int32_t START_COMPENSATION = 1;

}  // namespace

RunSettings ModelRunSettings(const DeviceModel& model)
{
    const ModelCodes codes = CodesForName(model.szName);
    return {codes.protocol, model.nPointNum,
            {START_FILTER, START_FILTER_FACTOR, {START_COMPENSATION, &model, codes.formulaKind}}};
}

void StartRun(const RunSettings& settings)
{
    ResetSharedState();
    for (int32_t code = 0; code < ProtocolCount(); ++code)
        ProtocolRows()[code].reset();
    ResetPlaybackState();
    ResetRecording();
    ResetLinkHealth();
    const ProcessingSettings& processing = settings.processing;
    Store(g_pModel, processing.compensation.model);
    Store(g_nProtocol, settings.protocol);
    Store(g_nFormulaKind, processing.compensation.formulaKind);
    Store(g_nPointNum, settings.pointNum);
    Store(g_bFilter, processing.filter ? 1 : 0);
    Store(g_fFilterFactor, processing.filterFactor);
    Store(g_nCompensation, processing.compensation.mode);
}

namespace {

// A parser that scans only a full buffer, which a live line always fills again, has an
// end-of-input scan: at the end of a file the last revolution's closing packet would otherwise
// stay unread.
bool FinishInput(CSerialPort& port, const ProtocolRow& protocol)
{
    return port.InputEnded() && protocol.finishInput != nullptr && protocol.finishInput(port, g_ScanFrame);
}

}  // namespace

ParseResult ParseNextFrame(CSerialPort& port)
{
    const ProtocolRow& protocol = ProtocolFor(Load(g_nProtocol));
    if (protocol.parse(port, g_ScanFrame) || FinishInput(port, protocol)) {
        CountRevolution(g_ScanFrame);
        // A stop that cuts the pace short leaves the revolution unreported.
        return port.PaceFrame() ? ParseResult::Frame : ParseResult::NoFrame;
    }
    return port.InputEnded() ? ParseResult::InputEnded : ParseResult::NoFrame;
}

ProcessingSettings CurrentProcessingSettings()
{
    return {Load(g_bFilter) != 0, Load(g_fFilterFactor),
            {Load(g_nCompensation), Load(g_pModel), Load(g_nFormulaKind)}};
}

void ProcessFrame(const ProcessingSettings& settings, PointList& points)
{
    Store(g_nReceived, g_ScanFrame.count);
    CountValidSamples(g_ScanFrame);
    // The receive indicator's count, for every protocol (the protocol-1 parser also sets it).
    Store(g_nValidSamples, g_LinkHealth.validSamples.load(std::memory_order_relaxed));
    if (settings.filter)
        FilterFrame(g_ScanFrame, settings.filterFactor);
    BuildPointList(g_ScanFrame, points, settings.compensation);
}
