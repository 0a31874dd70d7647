// Fuzz target: `plotwell-tool decode` with arbitrary arguments and arbitrary standard input.
//
// Script: argument count, then per argument one byte (below 0xC0: a word of the command's
// vocabulary; else a raw argument of the low six bits' length follows), then standard input.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "acquisition/SharedState.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

const char* const WORDS[] = {
    "-", "--help", "--model", "TR20", "TR20_A", "TR20_B", "TR20_C", "TR20_D", "TR30_A", "TR30_E", "TR10",
    "--protocol", "0", "1", "2", "3", "4", "-1", "--point-num", "20", "30", "200", "19", "201",
    "--filter", "2.5", "0.001", "1e30", "nan", "inf", "--compensation", "none", "formula", "ros",
    "--format", "hex", "binary", "--chunk", "7", "50", "4096", "1048576", "1048577", "",
    "/nonexistent/raw.txt", "/dev/null", "--", "-x",
};
constexpr size_t WORD_COUNT = sizeof WORDS / sizeof WORDS[0];

std::vector<std::string> Arguments(FuzzInput& input)
{
    std::vector<std::string> args;
    const int32_t count = input.Between(0, 7);
    for (int32_t k = 0; k < count; ++k) {
        const uint8_t choice = input.Byte();
        if (choice < 0xC0) {
            args.emplace_back(WORDS[choice % WORD_COUNT]);
            continue;
        }
        size_t length = 0;
        const uint8_t* raw = input.Bytes(choice & 0x3F, &length);
        args.emplace_back(raw, raw + length);
    }
    return args;
}

// Every point line is "frame,index,angle,distance" with a finite angle and an index inside the
// point list (500 bins in bin mode).
void CheckPointLines(const std::string& output)
{
    const int32_t capacity = Load(g_nCompensation) == 2 ? 500 : SCAN_CAPACITY;
    std::istringstream lines(output);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        const char* text = line.c_str();
        char* end = nullptr;
        std::strtol(text, &end, 10);
        FUZZ_CHECK(*end == ',');
        const long index = std::strtol(end + 1, &end, 10);
        FUZZ_CHECK(*end == ',' && index >= 0 && index < capacity);
        const double angle = std::strtod(end + 1, &end);
        FUZZ_CHECK(*end == ',' && std::isfinite(angle));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const std::vector<std::string> args = Arguments(input);
    size_t length = 0;
    const uint8_t* stdinBytes = input.Bytes(input.Remaining(), &length);
    std::istringstream in(std::string(stdinBytes, stdinBytes + length));
    std::ostringstream out;
    std::ostringstream err;
    Store(g_nCompensation, 0);
    const int status = RunDecodeCommand(args, in, out, err);
    FUZZ_CHECK(status == EXIT_OK || status == EXIT_FAILED || status == EXIT_USAGE);
    FUZZ_CHECK(status == EXIT_OK || !err.str().empty());
    const bool help = out.str().rfind("usage:", 0) == 0;
    if (status == EXIT_OK && !help)
        CheckPointLines(out.str());
    return 0;
}
