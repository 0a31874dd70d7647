// The packet recognisers on simulated streams of every protocol, on each other's streams, on
// damaged packets and on noise.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "protocols/PacketRecogniser.h"
#include "protocols/Protocol0Encoder.h"
#include "protocols/Protocol1Encoder.h"
#include "protocols/Protocol3Encoder.h"
#include "run/SimulatedScanner.h"

namespace {

constexpr int32_t REVOLUTIONS = 8;
constexpr int32_t P1_SAMPLES_PER_PACKET = 90;

struct Stream {
    std::vector<uint8_t> bytes;
    std::vector<size_t> revolutionEnds;  // offset after each revolution's bytes
    std::vector<double> revolutionTimes; // when each revolution's bytes were complete
    int64_t packets = 0;
    std::vector<int32_t> samples;        // samples each revolution carries on the wire
};

struct Case {
    const char* name;
    int32_t protocol;
    int32_t pointNum;
    SimulatedScannerSettings Settings() const
    {
        SimulatedScannerSettings settings;
        settings.protocol = protocol;
        settings.samplesPerPacket = protocol == 0 ? pointNum : P1_SAMPLES_PER_PACKET;
        settings.revolutionsPerSecond = protocol == 3 ? PROTOCOL3_REVOLUTIONS_PER_SECOND : 7.0f;
        return settings;
    }
};

const Case CASES[] = {
    {"protocol 0 at 30 points", 0, 30}, {"protocol 0 at 60 points", 0, 60}, {"protocol 1", 1, 30},
    {"protocol 2", 2, 30},              {"protocol 3", 3, 30},
};

// Packets and samples of one simulated revolution as its encoder sends them.
void CountRevolution(const Case& c, int32_t sampleCount, Stream& stream)
{
    switch (c.protocol) {
    case 0:
        stream.packets += PROTOCOL0_SECTORS;
        stream.samples.push_back(PROTOCOL0_SECTORS * c.pointNum);
        break;
    case 1:
        stream.packets += (sampleCount - 1 + P1_SAMPLES_PER_PACKET - 1) / P1_SAMPLES_PER_PACKET + 1;
        stream.samples.push_back(sampleCount);
        break;
    case 2:
        stream.packets += sampleCount / 8;
        stream.samples.push_back(sampleCount / 8 * 8);
        break;
    default:
        stream.packets += PROTOCOL3_PACKETS_PER_REVOLUTION;
        stream.samples.push_back(PROTOCOL3_SAMPLES_PER_REVOLUTION);
        break;
    }
}

Stream Simulate(const Case& c)
{
    SimulatedScanner scanner(c.Settings());
    Stream stream;
    double seconds = 0.0;
    for (int32_t r = 0; r < REVOLUTIONS; ++r) {
        scanner.NextRevolution();
        stream.bytes.insert(stream.bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
        seconds += scanner.RevolutionSeconds();
        stream.revolutionEnds.push_back(stream.bytes.size());
        stream.revolutionTimes.push_back(seconds);
        CountRevolution(c, scanner.SampleCount(), stream);
    }
    return stream;
}

// Each revolution's bytes in reads of random sizes, stamped with the time the revolution ended.
RecognisedStream Recognise(int32_t protocol, int32_t pointNum, const Stream& stream, int32_t maxRead,
                           uint32_t seed = 1)
{
    PacketRecogniser recogniser(protocol, pointNum);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> readSize(1, maxRead);
    size_t position = 0;
    for (size_t r = 0; r < stream.revolutionEnds.size(); ++r) {
        while (position < stream.revolutionEnds[r]) {
            const auto length = std::min<size_t>(static_cast<size_t>(readSize(random)),
                                                 stream.revolutionEnds[r] - position);
            recogniser.Feed(stream.bytes.data() + position, static_cast<int32_t>(length),
                            stream.revolutionTimes[r]);
            position += length;
        }
    }
    return recogniser.Stream();
}

TEST(PacketRecogniser, FindsEveryPacketAndRevolutionOfItsOwnProtocolHoweverTheBytesAreSplit)
{
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        const Stream stream = Simulate(c);
        // Protocol 3 judges a packet by the one after it, so the stream's last, which closes the
        // last revolution, stays unjudged; protocol 2 sees a revolution end only at the next
        // revolution's first packet.
        const int64_t unjudged = c.protocol == 3 ? 1 : 0;
        const int32_t ends = c.protocol == 2 || c.protocol == 3 ? REVOLUTIONS - 1 : REVOLUTIONS;
        for (const int32_t maxRead : {1, 7, 100, 4096}) {
            SCOPED_TRACE(testing::Message() << "reads up to " << maxRead);
            const RecognisedStream seen = Recognise(c.protocol, c.pointNum, stream, maxRead);
            EXPECT_EQ(seen.bytes, static_cast<int64_t>(stream.bytes.size()));
            EXPECT_EQ(seen.accepted, stream.packets - unjudged);
            EXPECT_EQ(seen.rejected, 0);
            EXPECT_EQ(seen.skipped, 0);
            EXPECT_EQ(seen.revolutions, ends);
        }
        // The whole revolutions between the first end seen and the last, and their time: an end
        // is stamped with the time of the bytes that showed it (for protocols 2 and 3, the next
        // revolution's).
        int64_t samples = 0;
        for (int32_t r = 1; r < ends; ++r)
            samples += stream.samples[static_cast<size_t>(r)];
        const size_t stamp = c.protocol == 2 || c.protocol == 3 ? 1 : 0;
        const auto whole = static_cast<double>(ends - 1);
        const double expected = whole / (stream.revolutionTimes[stamp + static_cast<size_t>(ends) - 1] -
                                         stream.revolutionTimes[stamp]);
        const RecognisedStream seen = Recognise(c.protocol, c.pointNum, stream, 4096);
        EXPECT_DOUBLE_EQ(seen.SamplesPerRevolution(), static_cast<double>(samples) / whole);
        EXPECT_NEAR(seen.RevolutionsPerSecond(), expected, expected * 1e-9);
    }
}

// Shared header bytes (0x55 0xAA opens protocols 0 and 2) must not make one protocol's stream
// pass for another's.
TEST(PacketRecogniser, AnotherProtocolsStreamPassesAlmostNothing)
{
    for (const Case& sent : CASES) {
        const Stream stream = Simulate(sent);
        for (const Case& tried : CASES) {
            if (tried.protocol == sent.protocol && tried.pointNum == sent.pointNum)
                continue;
            SCOPED_TRACE(testing::Message() << tried.name << " on " << sent.name);
            const RecognisedStream seen = Recognise(tried.protocol, tried.pointNum, stream, 4096);
            EXPECT_LE(seen.accepted * 50, stream.packets);
        }
    }
}

TEST(PacketRecogniser, NoiseNamesNothing)
{
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> noise(1 << 18);
        for (uint8_t& byte : noise)
            byte = static_cast<uint8_t>(random());
        for (const Case& c : CASES) {
            SCOPED_TRACE(testing::Message() << c.name << ", seed " << seed);
            PacketRecogniser recogniser(c.protocol, c.pointNum);
            recogniser.Feed(noise.data(), static_cast<int32_t>(noise.size()), 0.0);
            EXPECT_EQ(recogniser.Stream().accepted, 0);
            EXPECT_EQ(recogniser.Stream().revolutions, 0);
            EXPECT_GT(recogniser.Stream().skipped, static_cast<int64_t>(noise.size()) - 512);
        }
    }
}

TEST(PacketRecogniser, ADamagedPacketIsRejectedAndTheRestStillPass)
{
    struct Damage {
        const char* name;
        Case stream;
        size_t packetBytes;
        size_t damagedOffset;     // within the packet: a check byte, or what stands in for one
        int64_t lostPackets;      // accepted packets fewer than in the clean stream
    };
    const Damage damages[] = {
        {"protocol 0 tail byte", CASES[0], static_cast<size_t>(Protocol0PacketBytes(30)), 68, 1},
        // The 90-sample data packets of protocol 1: the check byte at offset 8.
        {"protocol 1 check byte", CASES[2], static_cast<size_t>(Protocol1PacketSize(90)), 8, 1},
        {"protocol 2 check byte", CASES[3], 36, 34, 1},
        // A wrong index fails the packet before it, and itself, whose successor does not follow.
        {"protocol 3 index byte", CASES[4], PROTOCOL3_PACKET_BYTES, 1, 2},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        Stream stream = Simulate(damage.stream);
        const RecognisedStream clean = Recognise(damage.stream.protocol, damage.stream.pointNum, stream, 4096);
        stream.bytes[3 * damage.packetBytes + damage.damagedOffset] ^= 0x10;
        const RecognisedStream seen = Recognise(damage.stream.protocol, damage.stream.pointNum, stream, 4096);
        EXPECT_EQ(seen.accepted, clean.accepted - damage.lostPackets);
        EXPECT_EQ(seen.rejected, damage.lostPackets);
        EXPECT_GE(seen.skipped, static_cast<int64_t>(damage.packetBytes));
    }
}

}  // namespace
