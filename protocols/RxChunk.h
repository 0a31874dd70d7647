// The read buffer that protocols 2 and 3 share: one port read, consumed packet buffer by packet buffer.
#pragma once

#include <cstdint>

class CSerialPort;

constexpr int32_t RX_CHUNK_SIZE = 4096;

extern uint8_t g_RxChunk[RX_CHUNK_SIZE];
// Bytes at the start of g_RxChunk not yet moved into a packet buffer. They outlive a call that
// returned a completed frame early, so the next call decodes them before reading again.
extern int32_t g_nRxChunkFill;

// Fills g_RxChunk with one read of the line. False when there is nothing to decode this call: no
// port, nothing waiting, or a stop was asked.
bool FetchRxChunk(CSerialPort& port);

// Moves up to `room` pending bytes to `destination`; the number moved.
int32_t TakeRxChunk(uint8_t* destination, int32_t room);

void ResetRxChunk();
