#include "acquisition/ReceiveLoop.h"

#include <mutex>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "processing/AngleCompensation.h"
#include "processing/NoiseFilter.h"
#include "protocols/Protocol0.h"
#include "protocols/Protocol1.h"
#include "protocols/Protocol2.h"
#include "protocols/Protocol3.h"

namespace {

// Shown in the status line from the start of a thread until its first frame completes.
constexpr int32_t RECEIVED_BEFORE_FIRST_FRAME = 720;

// One call of the parser of the current protocol code; true when it completed a frame.
bool ParseNextFrame(CSerialPort& port)
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

uint32_t ReceiveLoop(CSerialPort* port)
{
    port->rxFill = 0;
    Store(g_nReceived, RECEIVED_BEFORE_FIRST_FRAME);
    while (!port->bStop.load(std::memory_order_relaxed)) {
        if (!ParseNextFrame(*port))
            continue;
        Store(g_nReceived, g_ScanFrame.count);
        if (Load(g_bFilter) != 0)
            FilterFrame(g_ScanFrame);
        {
            std::lock_guard<std::mutex> lock(g_PointListMutex);
            BuildPointList(g_ScanFrame, g_PointList);
        }
        // After a stop or the loss of the device no frame may reach the UI any more.
        if (port->bStop.load(std::memory_order_relaxed) || port->LineLost())
            continue;
        if (port->pfnCallback != nullptr)
            port->pfnCallback(port->pCallbackCtx);
    }
    return 1;
}
