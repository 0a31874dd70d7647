// Loading and indexing the largest file playback accepts (5,242,880 characters): what the
// operator waits for after a drop, and what the receive thread spends on the lazy index.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "acquisition/SharedState.h"
#include "files/HexDump.h"
#include "files/PlaybackIndex.h"
#include "files/PlaybackLoad.h"
#include "files/PlaybackState.h"
#include "run/SimulatedScanner.h"

namespace {

constexpr int32_t LARGEST_FILE_BYTES = PLAYBACK_MAX_CHARACTERS / 3;

// Revolutions of the simulated scanner in `protocol`, repeated up to the largest file.
std::vector<uint8_t> LargestStream(int32_t protocol)
{
    SimulatedScannerSettings settings;
    settings.protocol = protocol;
    settings.samplesPerPacket = protocol == 0 ? 30 : 90;  // protocol 0: the default point number
    SimulatedScanner scanner(settings);
    std::vector<uint8_t> bytes;
    while (bytes.size() < static_cast<size_t>(LARGEST_FILE_BYTES) && scanner.NextRevolution())
        bytes.insert(bytes.end(), scanner.Bytes(), scanner.Bytes() + scanner.ByteCount());
    bytes.resize(LARGEST_FILE_BYTES, 0x00);
    return bytes;
}

// A temporary raw data file, removed when the benchmark ends.
class DumpFile {
public:
    explicit DumpFile(const std::vector<uint8_t>& bytes)
    {
        char pattern[] = "/tmp/plotwell-bench-XXXXXX";
        const int fd = mkstemp(pattern);
        m_path = pattern;
        std::string text(3 * bytes.size(), ' ');
        for (size_t i = 0; i < bytes.size(); ++i)
            EncodeHexByte(bytes[i], &text[3 * i]);
        if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            m_path.clear();
        if (fd >= 0)
            close(fd);
    }
    ~DumpFile() { std::remove(m_path.c_str()); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

void BM_LoadLargestFile(benchmark::State& state)
{
    DumpFile file(LargestStream(1));
    for (auto _ : state) {
        if (LoadPlaybackFile(file.Path()) != PLAYBACK_LOADED)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * PLAYBACK_MAX_CHARACTERS);
}
BENCHMARK(BM_LoadLargestFile)->Unit(benchmark::kMillisecond);

// Protocol code 1 over a simulated stream (the scan ends at the 1000th marker) and over data
// without any marker (the whole buffer is scanned); protocol code 0 scans sector packets.
void BM_IndexLargestFile(benchmark::State& state)
{
    const int32_t protocol = static_cast<int32_t>(state.range(0));
    const bool withoutMarkers = state.range(1) != 0;
    DumpFile file(withoutMarkers ? std::vector<uint8_t>(LARGEST_FILE_BYTES, 0x5A) : LargestStream(protocol));
    if (LoadPlaybackFile(file.Path()) != PLAYBACK_LOADED)
        state.SkipWithError("load failed");
    Store(g_nProtocol, protocol);
    int32_t frames = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(frames = IndexPlaybackFrames());
    state.counters["frames"] = frames;
    state.SetBytesProcessed(state.iterations() * LARGEST_FILE_BYTES);
}
BENCHMARK(BM_IndexLargestFile)->Args({1, 0})->Args({1, 1})->Args({0, 0})->Unit(benchmark::kMillisecond);

}  // namespace
