#include "protocols/RxChunk.h"

#include <algorithm>
#include <cstring>

#include "protocols/LineRead.h"
#include "protocols/ShiftLeft.h"

uint8_t g_RxChunk[RX_CHUNK_SIZE];
int32_t g_nRxChunkFill = 0;

bool FetchRxChunk(CSerialPort& port)
{
    const LineRead read = ReadLine(port, g_RxChunk, RX_CHUNK_SIZE);
    g_nRxChunkFill = read.placed;
    return read.proceed && read.placed > 0;
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
