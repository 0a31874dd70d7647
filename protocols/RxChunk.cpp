#include "protocols/RxChunk.h"

#include <algorithm>
#include <cstring>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "files/Playback.h"
#include "protocols/ShiftLeft.h"

namespace {
constexpr int32_t PLAYBACK_CHUNK = 50;  // bytes per call while a file plays, then a 10 ms pause
constexpr int IDLE_WAIT_MS = 10;
}

uint8_t g_RxChunk[RX_CHUNK_SIZE];
int32_t g_nRxChunkFill = 0;

bool FetchRxChunk(CSerialPort& port)
{
    if (Load(g_bPlayback)) {
        g_nRxChunkFill = std::max(0, PlaybackReadBytes(g_RxChunk, PLAYBACK_CHUNK));
        return port.Pause(IDLE_WAIT_MS) && g_nRxChunkFill > 0;
    }
    if (!port.IsOpen()) {
        port.Pause(IDLE_WAIT_MS);
        return false;
    }
    if (port.WaitingBytes() <= 0) {
        port.WaitForData(IDLE_WAIT_MS);
        return false;
    }
    g_nRxChunkFill = std::clamp(port.Read(g_RxChunk, RX_CHUNK_SIZE), 0, RX_CHUNK_SIZE);
    return g_nRxChunkFill > 0;
}

int32_t TakeRxChunk(uint8_t* destination, int32_t room)
{
    const int32_t taken = std::min(g_nRxChunkFill, room);
    if (taken <= 0)
        return 0;
    std::memcpy(destination, g_RxChunk, static_cast<size_t>(taken));
    g_nRxChunkFill -= taken;
    ShiftLeft(g_RxChunk, taken, g_nRxChunkFill);
    return taken;
}

void ResetRxChunk()
{
    g_nRxChunkFill = 0;
}
