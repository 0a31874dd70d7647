// A scanner without hardware: revolutions of a simulated room with range noise and dropouts,
// as scene samples and as the byte stream of a chosen protocol. Deterministic for a seed; the
// tests, the benchmarks, the command-line tool and the viewer's demo all draw from it.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "protocols/Revolution.h"

struct SimulatedScannerSettings {
    uint32_t seed = 1;
    int32_t protocol = 1;
    int32_t samplesPerSecond = 3600;    // about 70 % of a 115200-baud line in protocol 1
    float revolutionsPerSecond = 7.0f;  // nominal; each revolution varies by about 1 %
    int32_t samplesPerPacket = 90;      // see EncoderSettings
    float dropoutRate = 0.02f;          // share of samples without a return
};

struct DeviceModel;

// The simulated scanner as a model's device sending `protocol`: protocol 0 with the model's point
// number (what decode assumes for the model), protocol 2 at a sample rate its 4.5 bytes a sample
// leave room for on a 115200-baud line, protocol 3 at the speed its receiver expects.
SimulatedScannerSettings ModelScannerSettings(const DeviceModel& model, int32_t protocol, uint32_t seed = 1);

class SimulatedScanner {
public:
    static constexpr int32_t MAX_SAMPLES = 4000;  // per revolution
    static constexpr int32_t BITS_PER_BYTE = 10;  // 8N1 framing: start, 8 data, stop

    // Whether NextRevolution can produce bytes for this protocol code.
    static bool Encodes(int32_t protocol);

    // What a serial line carries at this baud rate, to pace a live stream.
    static double BytesPerSecond(int32_t baudRate) { return static_cast<double>(baudRate) / BITS_PER_BYTE; }

    explicit SimulatedScanner(const SimulatedScannerSettings& settings);

    // Produces the next revolution into the member buffers. False when the protocol has no
    // encoder; the samples are produced all the same and the bytes are empty.
    bool NextRevolution();

    // After the last revolution: produces into Bytes() what closes it for a receiver. Protocols 2
    // and 3 end a revolution at the first sample past the turn to 0°, which may be the next
    // revolution's first (always so for protocol 2): its first packet is produced. Protocols 0
    // and 1 close every revolution with its own last packet, and nothing is produced.
    void EndStream();

    const ScanSample* Samples() const { return m_samples.data(); }
    int32_t SampleCount() const { return m_sampleCount; }
    const uint8_t* Bytes() const { return m_bytes.data(); }
    int32_t ByteCount() const { return m_byteCount; }
    // Speed of the last revolution, and how long it took.
    float RevolutionsPerSecond() const { return m_revolutionsPerSecond; }
    double RevolutionSeconds() const { return 1.0 / m_revolutionsPerSecond; }

private:
    void SampleScene();
    int32_t Encode();
    double Uniform();
    double Gaussian();

    SimulatedScannerSettings m_settings;
    std::mt19937 m_random;
    std::vector<ScanSample> m_samples;
    std::vector<uint8_t> m_bytes;
    int32_t m_sampleCount = 0;
    int32_t m_byteCount = 0;
    float m_revolutionsPerSecond;
};
