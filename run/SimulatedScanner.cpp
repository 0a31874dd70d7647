#include "run/SimulatedScanner.h"

#include <algorithm>
#include <cmath>

#include "protocols/DeviceModel.h"
#include "protocols/ProtocolTable.h"
#include "run/SimulatedRoom.h"

namespace {

constexpr double MAX_RANGE_MM = 12000.0;
constexpr double NOISE_FLOOR_MM = 3.0;
constexpr double NOISE_PER_MM = 0.002;  // range noise grows with distance
constexpr double SPEED_JITTER = 0.01;
constexpr double TWO_PI = 6.28318530717958647692;

}  // namespace

SimulatedScannerSettings ModelScannerSettings(const DeviceModel& model, int32_t protocol, uint32_t seed)
{
    SimulatedScannerSettings settings;
    settings.seed = seed;
    settings.protocol = protocol;
    const ProtocolRow& row = ProtocolFor(protocol);
    if (row.samplesPerPacket == 0)
        settings.samplesPerPacket = model.nPointNum;
    settings.samplesPerSecond = row.simulatedSamplesPerSecond;
    settings.revolutionsPerSecond = row.simulatedRevolutionsPerSecond;
    return settings;
}

bool SimulatedScanner::Encodes(int32_t protocol)
{
    return KnownProtocol(protocol) && ProtocolFor(protocol).encode != nullptr;
}

SimulatedScanner::SimulatedScanner(const SimulatedScannerSettings& settings)
    : m_settings(settings),
      m_random(settings.seed),
      m_samples(MAX_SAMPLES),
      m_bytes(static_cast<size_t>(MAX_SAMPLES * ENCODER_BYTES_PER_SAMPLE + ENCODER_BYTES_OVERHEAD)),
      m_revolutionsPerSecond(settings.revolutionsPerSecond)
{
}

bool SimulatedScanner::NextRevolution()
{
    SampleScene();
    m_byteCount = std::max(Encode(), 0);
    return Encodes(m_settings.protocol);
}

void SimulatedScanner::EndStream()
{
    const int32_t closingPacket = ProtocolFor(m_settings.protocol).closingBytes;
    if (closingPacket == 0) {
        m_byteCount = 0;
        return;
    }
    NextRevolution();
    m_byteCount = std::min(m_byteCount, closingPacket);
}

int32_t SimulatedScanner::Encode()
{
    if (!Encodes(m_settings.protocol))
        return 0;
    const Revolution revolution{m_samples.data(), m_sampleCount, m_revolutionsPerSecond};
    const EncoderSettings encoder{m_settings.samplesPerPacket};
    const int32_t room = static_cast<int32_t>(m_bytes.size());
    return ProtocolFor(m_settings.protocol).encode(revolution, encoder, m_bytes.data(), room);
}

void SimulatedScanner::SampleScene()
{
    const double nominal = std::max(m_settings.revolutionsPerSecond, 0.1f);
    m_revolutionsPerSecond = static_cast<float>(nominal * (1.0 + SPEED_JITTER * Gaussian()));
    const double perRevolution = m_settings.samplesPerSecond / static_cast<double>(m_revolutionsPerSecond);
    m_sampleCount = std::clamp(static_cast<int32_t>(std::lround(perRevolution)), 1, MAX_SAMPLES);
    const double step = 360.0 / m_sampleCount;
    const double phase = Uniform() * step;  // the first sample falls anywhere in the first step
    for (int32_t i = 0; i < m_sampleCount; ++i) {
        ScanSample& sample = m_samples[static_cast<size_t>(i)];
        sample.angle = static_cast<float>(phase + i * step);
        sample.lowBits = static_cast<uint8_t>(m_random() & 3);
        const double truth = RoomDistance(sample.angle);
        const double measured = truth + (NOISE_FLOOR_MM + NOISE_PER_MM * truth) * Gaussian();
        const bool dropped = truth <= 0.0 || truth > MAX_RANGE_MM || Uniform() < m_settings.dropoutRate;
        sample.distance = dropped ? int16_t{0} : static_cast<int16_t>(std::clamp(std::lround(measured), 1L, 16383L));
    }
}

// Our own conversions, so that a seed gives the same room on every standard library.
double SimulatedScanner::Uniform()
{
    return (m_random() >> 8) * (1.0 / 16777216.0);
}

double SimulatedScanner::Gaussian()
{
    const double u1 = 1.0 - Uniform();  // (0, 1]: the logarithm stays finite
    const double u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(TWO_PI * u2);
}
