// The link's health as the parsers count it: every packet, skipped byte and cut revolution of
// simulated streams of every protocol, clean and damaged; and the figures derived from readings.
#include <gtest/gtest.h>

#include <vector>

#include "acquisition/LinkHealth.h"
#include "acquisition/MemoryByteSource.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SharedState.h"
#include "protocols/DeviceModel.h"
#include "protocols/PacketRecogniser.h"
#include "run/Pipeline.h"
#include "run/SimulatedScanner.h"

namespace {

constexpr int32_t REVOLUTIONS = 6;
constexpr int32_t READ_CHUNK = 300;

struct Case {
    const char* name;
    int32_t protocol;
    int32_t pointNum;
};

const Case CASES[] = {{"protocol 0", 0, 30}, {"protocol 1", 1, 30}, {"protocol 2", 2, 30}, {"protocol 3", 3, 30}};

std::vector<uint8_t> Simulate(const Case& c)
{
    SimulatedScannerSettings settings = ModelScannerSettings(g_ModelTR20_A, c.protocol);
    settings.samplesPerPacket = c.protocol == 0 ? c.pointNum : 90;
    SimulatedScanner scanner(settings);
    std::vector<uint8_t> bytes;
    for (int32_t r = 0; r < REVOLUTIONS; ++r) {
        scanner.NextRevolution();
        bytes.insert(bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    }
    return bytes;
}

struct Parsed {
    LinkHealthReading health;
    int64_t frames = 0;
    int32_t lastCount = 0;
};

Parsed Parse(const Case& c, const std::vector<uint8_t>& bytes)
{
    RunSettings settings = ModelRunSettings(g_ModelTR20_A);
    settings.protocol = c.protocol;
    settings.pointNum = c.pointNum;
    StartRun(settings);
    MemoryByteSource source(bytes.data(), static_cast<int64_t>(bytes.size()), READ_CHUNK);
    CSerialPort port;
    port.AttachSource(&source);
    Parsed parsed;
    for (ParseResult result; (result = ParseNextFrame(port)) != ParseResult::InputEnded;) {
        if (result == ParseResult::Frame) {
            ProcessFrame(settings.processing, g_PointList);
            ++parsed.frames;
            parsed.lastCount = g_ScanFrame.count;
        }
    }
    port.AttachSource(nullptr);
    parsed.health = ReadLinkHealth();
    return parsed;
}

int64_t PacketsIn(const Case& c, const std::vector<uint8_t>& bytes)
{
    PacketRecogniser recogniser(c.protocol, c.pointNum);
    recogniser.Feed(bytes.data(), static_cast<int32_t>(bytes.size()), 0.0);
    // The recogniser judges a protocol-3 packet by the next one, so the last stays unjudged.
    return recogniser.Stream().accepted + (c.protocol == 3 ? 1 : 0);
}

TEST(LinkHealth, ACleanStreamCountsEveryByteAndPacketAndNothingBad)
{
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = Simulate(c);
        const Parsed parsed = Parse(c, bytes);
        const LinkHealthReading& health = parsed.health;
        EXPECT_EQ(health.bytes, static_cast<int64_t>(bytes.size()));
        EXPECT_EQ(health.revolutions, parsed.frames);
        EXPECT_EQ(health.samples, parsed.lastCount);
        EXPECT_GT(health.validSamples, parsed.lastCount * 9 / 10);
        EXPECT_EQ(health.rejected, 0);
        EXPECT_EQ(health.skipped, 0);
        EXPECT_EQ(health.cutShort, 0);
        // Protocol 1 judges packets in full buffers only, so the last ones may stay unjudged.
        const int64_t packets = PacketsIn(c, bytes);
        EXPECT_LE(health.accepted, packets);
        EXPECT_GE(health.accepted, packets - (c.protocol == 1 ? 2 : 0));
    }
}

TEST(LinkHealth, GarbageIsSkippedAndABadPacketRejectedWithoutLosingTheOthers)
{
    struct Damage {
        const char* name;
        Case stream;
        bool garbage;        // insert zeros between two packets, else flip a check byte
        size_t offset;       // where: a packet boundary, or a check byte (protocol 0: its tail)
        int64_t rejected;
        int64_t skipped;
        int64_t cutShort;
    };
    constexpr int64_t GARBAGE = 50;
    const Damage damages[] = {
        {"protocol 0 garbage", CASES[0], true, 3 * 69, 0, GARBAGE, 0},
        {"protocol 0 tail byte", CASES[0], false, 3 * 69 + 68, 1, 69, 0},
        // A buffer without a further header drops the revolution in progress.
        {"protocol 1 garbage", CASES[1], true, 3 * 190, 0, GARBAGE, 1},
        {"protocol 1 check byte", CASES[1], false, 3 * 190 + 8, 1, 190, 0},
        // The zero packet closing the first revolution: that revolution is dropped.
        {"protocol 1 zero packet", CASES[1], false, 0, 1, 12, 1},
        {"protocol 2 garbage", CASES[2], true, 3 * 36, 0, GARBAGE, 0},
        {"protocol 2 check byte", CASES[2], false, 3 * 36 + 34, 1, 36, 0},
        {"protocol 3 garbage", CASES[3], true, 3 * 22, 0, GARBAGE, 0},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        std::vector<uint8_t> bytes = Simulate(damage.stream);
        const Parsed clean = Parse(damage.stream, bytes);
        size_t offset = damage.offset;
        if (damage.stream.protocol == 1 && offset == 0) {
            // The first zero packet: the 12 bytes before the second revolution's first packet.
            SimulatedScanner scanner(ModelScannerSettings(g_ModelTR20_A, 1));
            scanner.NextRevolution();
            offset = static_cast<size_t>(scanner.ByteCount()) - 12 + 8;
        }
        if (damage.garbage)
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(offset), GARBAGE, uint8_t{0});
        else
            bytes[offset] ^= 0x10;
        const Parsed damaged = Parse(damage.stream, bytes);
        EXPECT_EQ(damaged.health.bytes, static_cast<int64_t>(bytes.size()));
        EXPECT_EQ(damaged.health.rejected - clean.health.rejected, damage.rejected);
        EXPECT_EQ(damaged.health.skipped - clean.health.skipped, damage.skipped);
        EXPECT_EQ(damaged.health.cutShort - clean.health.cutShort, damage.cutShort);
        // A cut revolution still ends in a (shorter) frame, unless its closing packet was the bad one.
        EXPECT_EQ(damaged.frames, clean.frames - (damage.rejected == 1 && damage.cutShort == 1 ? 1 : 0));
        const int64_t lost = damage.rejected;
        EXPECT_EQ(damaged.health.accepted, clean.health.accepted - lost);
    }
}

TEST(LinkHealth, AResetAskedForFromAnotherThreadTakesEffectAtTheNextRead)
{
    const std::vector<uint8_t> bytes = Simulate(CASES[1]);
    const Parsed parsed = Parse(CASES[1], bytes);
    ASSERT_GT(ReadLinkHealth().bytes, 0);
    RequestLinkHealthReset();
    EXPECT_EQ(ReadLinkHealth().bytes, parsed.health.bytes) << "only the receive thread writes";
    MemoryByteSource source(bytes.data(), 100, 100);
    CSerialPort port;
    port.AttachSource(&source);
    static_cast<void>(ParseNextFrame(port));  // only the read matters here
    port.AttachSource(nullptr);
    const LinkHealthReading after = ReadLinkHealth();
    EXPECT_EQ(after.resets, parsed.health.resets + 1);
    EXPECT_GT(source.Position(), 0);
    EXPECT_EQ(after.bytes, source.Position());
}

TEST(LinkHealth, FiguresBetweenTwoReadings)
{
    constexpr int64_t MS = 1000000;
    LinkHealthReading earlier;
    earlier.bytes = 1000;
    earlier.accepted = 100;
    earlier.rejected = 0;
    earlier.revolutions = 10;
    earlier.lastRevolutionNs = 1000 * MS;
    earlier.resets = 1;
    struct Case {
        const char* name;
        LinkHealthReading later;
        double revolutionsPerSecond;
        double bytesPerSecond;
        double badShare;
    };
    auto later = [&](int64_t bytes, int64_t accepted, int64_t rejected, int64_t revolutions, int64_t lastMs,
                     int64_t previousMs, int64_t resets) {
        LinkHealthReading r = earlier;
        r.bytes = bytes;
        r.accepted = accepted;
        r.rejected = rejected;
        r.revolutions = revolutions;
        r.lastRevolutionNs = lastMs * MS;
        r.previousRevolutionNs = previousMs * MS;
        r.resets = resets;
        return r;
    };
    const Case cases[] = {
        {"seven revolutions, timed between completions", later(8700, 170, 0, 17, 2000, 1857, 1), 7.0, 7700.0, 0.0},
        {"one bad packet in four", later(2000, 103, 1, 11, 1200, 1000, 1), 5.0, 1000.0, 0.25},
        {"bytes without packets or revolutions", later(3000, 100, 0, 10, 1000, 900, 1), 0.0, 2000.0, 0.0},
        // After a reset the readings count from it: the first two revolutions are timed by each other.
        {"reset between the readings", later(500, 20, 5, 2, 5100, 4900, 2), 5.0, 500.0, 0.2},
        {"reset and a single revolution", later(500, 20, 0, 1, 5100, 0, 2), 0.0, 500.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LinkHealthFigures figures = FiguresBetween(earlier, c.later, 1.0);
        EXPECT_NEAR(figures.revolutionsPerSecond, c.revolutionsPerSecond, 0.01);
        EXPECT_DOUBLE_EQ(figures.bytesPerSecond, c.bytesPerSecond);
        EXPECT_DOUBLE_EQ(figures.badShare, c.badShare);
    }
}

}  // namespace
