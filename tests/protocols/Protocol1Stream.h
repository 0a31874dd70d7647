// Feeding byte streams to the protocol-1 parser through a port and collecting the frames it
// completes, plus the packet builders the protocol-1 tests share.
#pragma once

#include <cstdint>
#include <vector>

#include "protocols/Revolution.h"

struct P1Frame {
    std::vector<float> angle;
    std::vector<int16_t> distance;
    std::vector<int16_t> lowBits;
    int32_t validSamples;  // g_nValidSamples right after the frame
};

struct P1Decoding {
    std::vector<P1Frame> frames;
    bool stayedInBounds = true;  // write index and every count stayed inside their arrays
};

// Starts the parser and the shared state afresh and decodes `bytes`, `chunk` bytes per read,
// until the parser gives up at the end of the stream.
P1Decoding DecodeProtocol1(const std::vector<uint8_t>& bytes, int32_t chunk = 50);

// `count` samples from `firstAngle` on, `step` degrees apart, at `distance` millimetres.
std::vector<ScanSample> EvenSamples(int32_t count, float firstAngle, float step, int16_t distance);

std::vector<uint8_t> DataPacket(const std::vector<ScanSample>& samples);
std::vector<uint8_t> ZeroPacket(const ScanSample& sample);

// Bytes without a header after the last packet: they let the parser's full-buffer scan reach
// the packets before them.
std::vector<uint8_t> Filler(int32_t count = 210);

void Append(std::vector<uint8_t>& stream, const std::vector<uint8_t>& more);
