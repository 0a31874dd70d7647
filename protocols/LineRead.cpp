#include "protocols/LineRead.h"

#include <algorithm>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"

namespace {
constexpr int IDLE_WAIT_MS = 10;
}

LineRead ReadLine(CSerialPort& port, uint8_t* destination, int32_t room)
{
    TakeLinkHealthResetRequest();
    if (Load(port.bStop))
        return {0, false};
    if (!port.IsOpen())
        return {0, port.Pause(IDLE_WAIT_MS)};
    if (port.WaitingBytes() <= 0)
        return {0, port.WaitForData(IDLE_WAIT_MS)};
    const int32_t placed = std::clamp(port.Read(destination, room), 0, room);
    CountLink(g_LinkHealth.bytes, placed);
    return {placed, !Load(port.bStop)};
}
