#include "StreamDecoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/Protocol0.h"
#include "protocols/Protocol2.h"
#include "protocols/Protocol3.h"

SplitReadSource::SplitReadSource(std::vector<uint8_t> bytes, int32_t minRead, int32_t maxRead, uint32_t seed)
    : m_bytes(std::move(bytes)), m_readSize(minRead, maxRead), m_random(seed)
{
}

int32_t SplitReadSource::Waiting()
{
    const auto left = static_cast<int32_t>(m_bytes.size() - m_position);
    if (m_nextRead == 0)
        m_nextRead = m_readSize(m_random);
    return std::min(left, m_nextRead);
}

int32_t SplitReadSource::Read(uint8_t* buffer, int32_t length)
{
    const int32_t n = std::min(Waiting(), length);
    if (n <= 0)
        return 0;
    std::memcpy(buffer, m_bytes.data() + m_position, static_cast<size_t>(n));
    m_position += static_cast<size_t>(n);
    m_nextRead = 0;
    return n;
}

bool SplitReadSource::Ended()
{
    return m_position >= m_bytes.size();
}

void ResetAllParsers()
{
    ResetSharedState();
    ResetProtocol0();
    ResetProtocol2();
    ResetProtocol3();
}

namespace {

DecodedFrame CopyEntries(const ScanFrame& frame, int32_t count)
{
    return {std::vector<float>(frame.angle, frame.angle + count),
            std::vector<int16_t>(frame.distance, frame.distance + count)};
}

// Parses once: 1 for a completed frame, 0 for none, -1 when the stream is used up.
int32_t ParseOnce(int32_t protocol, CSerialPort& port, SplitReadSource& source)
{
    if (protocol == 0)
        return ParseProtocol0(port, g_ScanFrame) ? 1 : -1;
    const int32_t result = protocol == 2 ? ParseProtocol2(port, g_ScanFrame) : ParseProtocol3(port, g_ScanFrame);
    if (result == 0)
        return 1;
    return source.Ended() ? -1 : 0;
}

}  // namespace

std::vector<DecodedFrame> DecodeStream(int32_t protocol, const std::vector<uint8_t>& bytes, ReadSplit split,
                                       int32_t pointNum)
{
    ResetAllParsers();
    Store(g_nPointNum, pointNum);
    auto port = std::make_unique<CSerialPort>();
    SplitReadSource source(bytes, split.minRead, split.maxRead, split.seed);
    port->AttachSource(&source);
    std::vector<DecodedFrame> frames;
    // Each call reads at least one byte, completes a frame or ends the stream, and every frame
    // takes at least one byte: this bounds a stuck parser.
    for (size_t calls = 0; calls <= 2 * bytes.size() + 2; ++calls) {
        const int32_t outcome = ParseOnce(protocol, *port, source);
        EXPECT_GE(g_nFrameIndex, 0);
        EXPECT_LE(g_nFrameIndex, SCAN_CAPACITY);
        if (outcome < 0)
            return frames;
        if (outcome > 0) {
            const int32_t count = g_ScanFrame.count;
            if (count < 1 || count > SCAN_CAPACITY) {
                ADD_FAILURE() << "frame count " << count << " outside the frame";
                return frames;
            }
            frames.push_back(CopyEntries(g_ScanFrame, count));
        }
    }
    ADD_FAILURE() << "parser kept returning without using the stream up";
    return frames;
}

DecodedFrame PendingSamples()
{
    return CopyEntries(g_ScanFrame, std::clamp(g_nFrameIndex, 0, SCAN_CAPACITY));
}

std::vector<float> AllAngles(const std::vector<DecodedFrame>& frames)
{
    std::vector<float> angles;
    for (const DecodedFrame& frame : frames)
        angles.insert(angles.end(), frame.angle.begin(), frame.angle.end());
    const DecodedFrame pending = PendingSamples();
    angles.insert(angles.end(), pending.angle.begin(), pending.angle.end());
    return angles;
}
