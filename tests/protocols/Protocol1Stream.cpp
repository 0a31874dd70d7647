#include "Protocol1Stream.h"

#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "protocols/Protocol1Encoder.h"
#include "run/Pipeline.h"

namespace {

bool InBounds()
{
    return g_nFrameIndex >= 0 && g_nFrameIndex <= SCAN_CAPACITY;
}

}  // namespace

P1Decoding DecodeProtocol1(const std::vector<uint8_t>& bytes, int32_t chunk)
{
    StartRun(ModelRunSettings(g_ModelTR20_A));
    MemoryByteSource source(bytes.data(), static_cast<int64_t>(bytes.size()), chunk);
    CSerialPort port;
    port.AttachSource(&source);
    P1Decoding result;
    while (ParseNextFrame(port) == ParseResult::Frame) {
        const int32_t count = g_ScanFrame.count;
        result.stayedInBounds = result.stayedInBounds && InBounds() && count >= 1 && count <= SCAN_CAPACITY;
        if (!result.stayedInBounds)
            break;
        P1Frame frame;
        frame.angle.assign(g_ScanFrame.angle, g_ScanFrame.angle + count);
        frame.distance.assign(g_ScanFrame.distance, g_ScanFrame.distance + count);
        frame.lowBits.assign(g_ScanFrame.lowBits, g_ScanFrame.lowBits + count);
        frame.validSamples = Load(g_nValidSamples);
        result.frames.push_back(std::move(frame));
    }
    result.stayedInBounds = result.stayedInBounds && InBounds();
    port.AttachSource(nullptr);
    return result;
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
