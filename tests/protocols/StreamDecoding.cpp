#include "StreamDecoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "protocols/Protocol0Encoder.h"
#include "protocols/Protocol1Encoder.h"
#include "protocols/Protocol2Encoder.h"
#include "protocols/Protocol3Encoder.h"
#include "run/Pipeline.h"

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

void StartStream(int32_t protocol, int32_t pointNum)
{
    RunSettings settings = ModelRunSettings(g_ModelTR20_A);
    settings.protocol = protocol;
    settings.pointNum = pointNum;
    StartRun(settings);
}

namespace {

DecodedFrame CopyEntries(const ScanFrame& frame, int32_t count)
{
    return {std::vector<float>(frame.angle, frame.angle + count),
            std::vector<int16_t>(frame.distance, frame.distance + count),
            std::vector<int16_t>(frame.lowBits, frame.lowBits + count), Load(g_nValidSamples)};
}

}  // namespace

std::vector<DecodedFrame> DecodeStream(int32_t protocol, const std::vector<uint8_t>& bytes, ReadSplit split,
                                       int32_t pointNum)
{
    StartStream(protocol, pointNum);
    auto port = std::make_unique<CSerialPort>();
    SplitReadSource source(bytes, split.minRead, split.maxRead, split.seed);
    port->AttachSource(&source);
    std::vector<DecodedFrame> frames;
    // Each call reads at least one byte, completes a frame or ends the stream, and every frame
    // takes at least one byte: this bounds a stuck parser.
    for (size_t calls = 0; calls <= 2 * bytes.size() + 2; ++calls) {
        const size_t position = source.Position();
        const ParseResult outcome = ParseNextFrame(*port);
        if (outcome == ParseResult::NoFrame) {
            EXPECT_NE(source.Position(), position) << "a call without a frame read nothing";
        }
        EXPECT_GE(g_nFrameIndex, 0);
        EXPECT_LE(g_nFrameIndex, SCAN_CAPACITY);
        if (outcome == ParseResult::InputEnded)
            return frames;
        if (outcome == ParseResult::Frame) {
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

int32_t SamplesPerRevolution(int32_t protocol, int32_t pointNum)
{
    return protocol == 0 ? PROTOCOL0_SECTORS * pointNum : 360;
}

namespace {

constexpr uint8_t DEGREE_SPEED = 75;  // protocol 3: one degree per sample at five revolutions a second

float SentAngle(int32_t protocol, int32_t pointNum, int32_t sample)
{
    if (protocol == 0)
        return Protocol0SampleAngle(sample / pointNum, sample % pointNum, pointNum);
    if (protocol == 3)
        return Protocol3SampleAngle(sample, DEGREE_SPEED);
    return static_cast<float>(sample);
}

}  // namespace

std::vector<uint8_t> SimulatedStream(int32_t protocol, int32_t pointNum, int32_t revolutions,
                                     const std::function<int16_t(int32_t)>& distance)
{
    const int32_t perRevolution = SamplesPerRevolution(protocol, pointNum);
    std::vector<ScanSample> samples(static_cast<size_t>(perRevolution));
    std::vector<uint8_t> packets(1 << 16);
    std::vector<uint8_t> stream;
    const EncoderSettings settings{pointNum};
    for (int32_t r = 0; r < revolutions; ++r) {
        for (int32_t i = 0; i < perRevolution; ++i) {
            samples[static_cast<size_t>(i)] = {SentAngle(protocol, pointNum, i),
                                               distance(r * perRevolution + i), 0};
        }
        std::stable_sort(samples.begin(), samples.end(),
                         [](const ScanSample& a, const ScanSample& b) { return a.angle < b.angle; });
        const Revolution revolution{samples.data(), perRevolution, DEGREE_SPEED / 15.0f};
        const auto room = static_cast<int32_t>(packets.size());
        const int32_t size = protocol == 0   ? EncodeProtocol0Revolution(revolution, settings, packets.data(), room)
                             : protocol == 2 ? EncodeProtocol2Revolution(revolution, settings, packets.data(), room)
                                             : EncodeProtocol3Revolution(revolution, settings, packets.data(), room);
        EXPECT_GT(size, 0);
        stream.insert(stream.end(), packets.begin(), packets.begin() + std::max(size, 0));
    }
    return stream;
}

std::vector<ScanSample> EvenSamples(int32_t count, float firstAngle, float step, int16_t distance)
{
    std::vector<ScanSample> samples;
    for (int32_t k = 0; k < count; ++k)
        samples.push_back({firstAngle + static_cast<float>(k) * step, distance, 0});
    return samples;
}

std::vector<uint8_t> DataPacket(const std::vector<ScanSample>& samples)
{
    std::vector<uint8_t> packet(static_cast<size_t>(Protocol1PacketSize(static_cast<int32_t>(samples.size()))));
    EncodeProtocol1DataPacket(samples.data(), static_cast<int32_t>(samples.size()), packet.data());
    return packet;
}

std::vector<uint8_t> ZeroPacket(const ScanSample& sample)
{
    std::vector<uint8_t> packet(P1_ZERO_PACKET_SIZE);
    EncodeProtocol1ZeroPacket(sample, packet.data());
    return packet;
}

std::vector<uint8_t> Filler(int32_t count)
{
    return std::vector<uint8_t>(static_cast<size_t>(count), 0x00);
}

void Append(std::vector<uint8_t>& stream, const std::vector<uint8_t>& more)
{
    stream.insert(stream.end(), more.begin(), more.end());
}
