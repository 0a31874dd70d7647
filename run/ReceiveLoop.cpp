#include "run/ReceiveLoop.h"

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "run/Pipeline.h"
#include "run/RevolutionFeed.h"

namespace {

// Shown in the status line from the start of a thread until its first frame completes.
constexpr int32_t RECEIVED_BEFORE_FIRST_FRAME = 720;

}  // namespace

uint32_t ReceiveLoop(CSerialPort& port, OutputStage& stage)
{
    port.rxFill = 0;
    // The link's health is counted per receive thread, that is per open port.
    ResetLinkHealth();
    Store(g_nReceived, RECEIVED_BEFORE_FIRST_FRAME);
    RevolutionFeed feed(stage, port);
    while (!port.bStop.load(std::memory_order_relaxed)) {
        if (ParseNextFrame(port) != ParseResult::Frame)
            continue;
        // After a stop or the loss of the device no revolution may reach an output.
        if (port.bStop.load(std::memory_order_relaxed) || port.LineLost())
            continue;
        feed.Complete(CurrentProcessingSettings());
    }
    return 1;
}

bool StartReceiving(CSerialPort& port, OutputStage& stage)
{
    return port.StartReceiving([&port, &stage] { ReceiveLoop(port, stage); });
}
