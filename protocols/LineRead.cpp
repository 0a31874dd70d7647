#include "protocols/LineRead.h"

#include <algorithm>

#include "acquisition/LinkHealth.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"

namespace {
constexpr int IDLE_WAIT_MS = 10;
// A line hands its bytes over a few dozen at a time. Reading each piece as it lands woke the
// receive thread thousands of times a second at 10 revolutions of 4000 samples. Waiting briefly
// for the rest of what a parser asked for costs at most this much latency, and often none: the
// protocol-1 parser looks for packets only in a full buffer.
constexpr int FILL_WAIT_MS = 2;
}  // namespace

LineRead ReadLine(CSerialPort& port, uint8_t* destination, int32_t room)
{
    TakeLinkHealthResetRequest();
    if (Load(port.bStop))
        return {0, false};
    if (!port.IsOpen())
        return {0, port.Pause(IDLE_WAIT_MS)};
    const int32_t waiting = port.WaitingBytes();
    if (waiting <= 0)
        return {0, port.WaitForData(IDLE_WAIT_MS)};
    if (!port.LetLineFill(waiting, room, FILL_WAIT_MS))
        return {0, false};
    const int32_t placed = std::clamp(port.Read(destination, room), 0, room);
    CountLink(g_LinkHealth.bytes, placed);
    return {placed, !Load(port.bStop)};
}
