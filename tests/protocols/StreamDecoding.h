// Feeding byte streams to the parsers of every protocol through a port, split into reads of
// chosen sizes, and collecting the frames they complete; and the protocol-1 packet builders the
// tests of its exact bytes share.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "acquisition/ByteSource.h"
#include "protocols/Revolution.h"

// Hands out a fixed stream in reads of random sizes between `minRead` and `maxRead`.
class SplitReadSource : public ByteSource {
public:
    SplitReadSource(std::vector<uint8_t> bytes, int32_t minRead, int32_t maxRead, uint32_t seed);

    int32_t Waiting() override;
    int32_t Read(uint8_t* buffer, int32_t length) override;
    bool Ended() override;

    size_t Position() const { return m_position; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_position = 0;
    int32_t m_nextRead = 0;
    std::uniform_int_distribution<int32_t> m_readSize;
    std::mt19937 m_random;
};

struct DecodedFrame {
    std::vector<float> angle;
    std::vector<int16_t> distance;
    std::vector<int16_t> lowBits;
    int32_t validSamples = 0;  // g_nValidSamples right after the frame (the protocol-1 parser sets it)
};

// Reads split the way the source says; every read may be up to the parsers' own limits.
struct ReadSplit {
    int32_t minRead;
    int32_t maxRead;
    uint32_t seed;
};

// Starts every parser and the shared state afresh, decodes `bytes` with protocol `protocol`
// (`pointNum` for 0) until the stream ends, and returns the completed frames in
// order. Also checks after every call that the write index stayed inside the frame, and that a
// call completing no frame took new bytes while there were some (callers stop at a call that
// makes no progress).
std::vector<DecodedFrame> DecodeStream(int32_t protocol, const std::vector<uint8_t>& bytes, ReadSplit split,
                                       int32_t pointNum = 30);

// The whole stream in reads as large as the parsers take.
inline constexpr ReadSplit WHOLE_READS{1 << 20, 1 << 20, 1};
// Reads of `size` bytes each.
constexpr ReadSplit Reads(int32_t size) { return {size, size, 1}; }

// A fresh run of `protocol`, as DecodeStream starts it.
void StartStream(int32_t protocol, int32_t pointNum);

// The samples written since the last completed frame (the frame in progress).
DecodedFrame PendingSamples();

// Angles of all samples decoded so far, frame after frame, then those of the frame in progress.
std::vector<float> AllAngles(const std::vector<DecodedFrame>& frames);

// Samples a device of `protocol` sends per revolution (protocol 0: 15 sectors of `pointNum`).
int32_t SamplesPerRevolution(int32_t protocol, int32_t pointNum);

// Revolutions encoded by the protocol's encoder from samples that lie exactly where its device
// sends them, so sample i of the stream carries distance(i).
std::vector<uint8_t> SimulatedStream(int32_t protocol, int32_t pointNum, int32_t revolutions,
                                     const std::function<int16_t(int32_t)>& distance);

// Protocol-1 packets: `count` samples from `firstAngle` on, `step` degrees apart, at `distance`
// millimetres; a data packet of samples; the zero packet that closes a revolution.
std::vector<ScanSample> EvenSamples(int32_t count, float firstAngle, float step, int16_t distance);
std::vector<uint8_t> DataPacket(const std::vector<ScanSample>& samples);
std::vector<uint8_t> ZeroPacket(const ScanSample& sample);

// Bytes without a header after the last packet: they let the protocol-1 parser's full-buffer
// scan reach the packets before them.
std::vector<uint8_t> Filler(int32_t count = 210);

void Append(std::vector<uint8_t>& stream, const std::vector<uint8_t>& more);
