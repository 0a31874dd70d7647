// Whole simulated revolutions through the protocol-1 parser: what arrives must be what the scene
// held, however the bytes are split and whatever lies between the packets.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "StreamDecoding.h"
#include "protocols/Protocol1Encoder.h"
#include "run/SimulatedScanner.h"

namespace {

struct Simulated {
    std::vector<std::vector<ScanSample>> revolutions;
    std::vector<std::vector<uint8_t>> bytes;  // one entry per revolution
};

Simulated Simulate(uint32_t seed, int32_t revolutions, int32_t samplesPerPacket)
{
    SimulatedScannerSettings settings;
    settings.seed = seed;
    settings.samplesPerPacket = samplesPerPacket;
    SimulatedScanner scanner(settings);
    Simulated result;
    for (int32_t r = 0; r < revolutions; ++r) {
        scanner.NextRevolution();
        result.revolutions.emplace_back(scanner.Samples(), scanner.Samples() + scanner.SampleCount());
        result.bytes.emplace_back(scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    return result;
}

std::vector<uint8_t> Concatenate(const std::vector<std::vector<uint8_t>>& parts)
{
    std::vector<uint8_t> stream;
    for (const auto& part : parts)
        Append(stream, part);
    return stream;
}

// Angles travel in 1/128 degree, so a decoded angle lies within one such unit of the scene's.
void ExpectSameRevolution(const DecodedFrame& frame, const std::vector<ScanSample>& scene)
{
    ASSERT_EQ(frame.distance.size(), scene.size());
    int32_t valid = 0;
    for (size_t k = 0; k < scene.size(); ++k) {
        ASSERT_EQ(frame.distance[k], scene[k].distance) << "sample " << k;
        ASSERT_NEAR(frame.angle[k], scene[k].angle, 1.5 / 128) << "sample " << k;
        if (k + 1 < scene.size()) {
            ASSERT_EQ(frame.lowBits[k], scene[k].lowBits) << "sample " << k;
        }
        valid += scene[k].distance > 0;
    }
    EXPECT_EQ(frame.validSamples, valid);
}

}  // namespace

TEST(Protocol1Stream, SimulatedRevolutionsArriveAsTheSceneHeldThemHoweverTheBytesAreSplit)
{
    struct Case {
        uint32_t seed;
        int32_t samplesPerPacket;
        int32_t chunk;
    };
    const Case cases[] = {{1, 90, 50}, {2, 99, 1}, {3, 1, 209}, {4, 37, 210}, {5, 90, 11}, {6, 64, 4096}};
    for (const Case c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed << ", " << c.samplesPerPacket << " per packet, "
                                        << c.chunk << " per read");
        const Simulated simulated = Simulate(c.seed, 5, c.samplesPerPacket);
        std::vector<uint8_t> stream = Concatenate(simulated.bytes);
        Append(stream, Filler());
        const std::vector<DecodedFrame> decoded = DecodeStream(1, stream, Reads(c.chunk));
        ASSERT_EQ(decoded.size(), simulated.revolutions.size());
        for (size_t r = 0; r < decoded.size(); ++r)
            ExpectSameRevolution(decoded[r], simulated.revolutions[r]);
    }
}

// Garbage after a zero packet is skipped as long as the header behind the next packet still
// reaches into the buffer: with 190-byte packets that allows up to 19 bytes, the last of which
// leaves only the next header's 0xAA in the buffer.
TEST(Protocol1Stream, ShortGarbageBetweenRevolutionsLosesNothing)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        const Simulated simulated = Simulate(seed, 4, 90);
        std::mt19937 random(seed);
        std::vector<uint8_t> stream;
        for (size_t r = 0; r < simulated.bytes.size(); ++r) {
            Append(stream, simulated.bytes[r]);
            const uint32_t garbage = r == 0 ? 19 : random() % 20;
            for (uint32_t g = 0; g < garbage; ++g)
                stream.push_back(static_cast<uint8_t>(random() % 2 ? 0xAA : random() % 0x55));
        }
        Append(stream, Filler());
        const std::vector<DecodedFrame> decoded =
            DecodeStream(1, stream, Reads(1 + static_cast<int32_t>(seed * 13 % 97)));
        ASSERT_EQ(decoded.size(), 4u);
        for (size_t r = 0; r < decoded.size(); ++r)
            ExpectSameRevolution(decoded[r], simulated.revolutions[r]);
    }
}

// Damaged streams from random seeds: whatever arrives, the parser stays inside its buffers and
// the frame, reports only plausible samples, and is back in step once a clean revolution passed.
TEST(Protocol1Stream, DamagedStreamsStayInsideTheBuffersAndRecover)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const Simulated simulated = Simulate(seed, 4, 1 + static_cast<int32_t>(seed * 7 % 99));
        std::mt19937 random(seed);
        std::vector<uint8_t> stream;
        for (const auto& revolution : simulated.bytes) {
            std::vector<uint8_t> part = revolution;
            const uint32_t flips = random() % 8;
            for (uint32_t f = 0; f < flips; ++f)
                part[random() % part.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            if (random() % 2)
                part.resize(random() % part.size());
            for (uint32_t g = random() % 300; g > 0; --g)
                part.insert(part.begin() + static_cast<long>(random() % (part.size() + 1)),
                            static_cast<uint8_t>(random()));
            Append(stream, part);
        }
        const Simulated clean = Simulate(seed + 1000, 3, 90);
        Append(stream, Concatenate(clean.bytes));
        Append(stream, Filler());
        const std::vector<DecodedFrame> decoded =
            DecodeStream(1, stream, Reads(1 + static_cast<int32_t>(random() % 300)));
            ASSERT_GE(decoded.size(), 3u);
        const size_t last = decoded.size() - 1;
        ExpectSameRevolution(decoded[last - 1], clean.revolutions[1]);
        ExpectSameRevolution(decoded[last], clean.revolutions[2]);
        for (const DecodedFrame& frame : decoded) {
            for (size_t k = 0; k < frame.angle.size(); ++k) {
                ASSERT_TRUE(std::isfinite(frame.angle[k]));
                ASSERT_GE(frame.angle[k], 0.0f);
                ASSERT_LE(frame.angle[k], 512.0f);  // the largest angle word, 65535 / 128
                ASSERT_GE(frame.distance[k], 0);
            }
        }
    }
}
