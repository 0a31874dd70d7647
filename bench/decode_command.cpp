// plotwell-tool decode end to end on 100 MB of raw bytes, as a pipe would feed it: reading the
// input in blocks, the parsers, the point lists and every printed line, to a reader that takes
// the lines as fast as they come.
#include <benchmark/benchmark.h>

#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "run/SimulatedScanner.h"
#include "tools/ToolCommands.h"

namespace {

constexpr size_t INPUT_BYTES = 100u << 20;

// Simulated protocol-1 revolutions, repeated up to INPUT_BYTES.
const std::string& Input()
{
    static const std::string input = [] {
        SimulatedScanner scanner{SimulatedScannerSettings{}};
        std::string revolutions;
        for (int r = 0; r < 200; ++r) {
            scanner.NextRevolution();
            revolutions.append(reinterpret_cast<const char*>(scanner.Bytes()), static_cast<size_t>(scanner.ByteCount()));
        }
        std::string all;
        all.reserve(INPUT_BYTES + revolutions.size());
        while (all.size() < INPUT_BYTES)
            all += revolutions;
        return all;
    }();
    return input;
}

// The input in place, without a copy.
class MemoryInput : public std::streambuf {
public:
    explicit MemoryInput(const std::string& bytes)
    {
        char* begin = const_cast<char*>(bytes.data());
        setg(begin, begin, begin + bytes.size());
    }
};

// Takes every line and keeps only their count of characters.
class CountingOutput : public std::streambuf {
public:
    int64_t characters = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override
    {
        characters += count;
        return count;
    }
    int_type overflow(int_type c) override
    {
        ++characters;
        return c;
    }
};

void BM_DecodeCommand(benchmark::State& state, std::vector<std::string> args)
{
    const std::string& input = Input();
    args.insert(args.end(), {"--format", "binary", "-"});
    int64_t characters = 0;
    for (auto _ : state) {
        MemoryInput memory(input);
        std::istream in(&memory);
        CountingOutput counting;
        std::ostream out(&counting);
        std::ostringstream err;
        if (RunDecodeCommand(args, in, out, err) != 0)
            state.SkipWithError(err.str().c_str());
        characters += counting.characters;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(input.size()));
    state.counters["output_MB/s"] =
        benchmark::Counter(static_cast<double>(characters) / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(BM_DecodeCommand, plain, std::vector<std::string>{})
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_DecodeCommand, filter_formula,
                  std::vector<std::string>{"--filter", "2.5", "--compensation", "formula"})
    ->Unit(benchmark::kMillisecond)->Iterations(3);
