// plotwell-tool decode: from a raw data file to the printed point lists, and its refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ios>
#include <sstream>
#include <streambuf>
#include <system_error>
#include <utility>
#include <vector>

#include "RunTool.h"
#include "protocols/DeviceModel.h"
#include "run/SimulatedScanner.h"
#include "tools/ToolArguments.h"

namespace {

std::string Simulated(const std::vector<std::string>& extra)
{
    std::vector<std::string> args = {"--seed", "9", "--frames", "4"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(RunSimulateCommand, args).out;
}

std::vector<DecodedPoint> Decode(const std::vector<std::string>& args, const std::string& input)
{
    const ToolResult result = RunTool(RunDecodeCommand, args, input);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return ParseDecodeOutput(result.out);
}

std::vector<double> AnglesOfFrame(const std::vector<DecodedPoint>& points, int frame)
{
    std::vector<double> angles;
    for (const DecodedPoint& p : points)
        if (p.frame == frame)
            angles.push_back(p.angle);
    return angles;
}

double MedianShift(const std::vector<double>& from, const std::vector<double>& to)
{
    std::vector<double> shifts;
    for (size_t i = 0; i < from.size() && i < to.size(); ++i)
        shifts.push_back(std::fabs(to[i] - from[i]));
    std::sort(shifts.begin(), shifts.end());
    return shifts.empty() ? 0.0 : shifts[shifts.size() / 2];
}

}  // namespace

TEST(DecodeCommand, SimulatedFileDecodesToTheSceneInEveryInputForm)
{
    SimulatedScannerSettings settings;
    settings.seed = 9;
    SimulatedScanner scanner(settings);
    std::vector<std::vector<ScanSample>> scene;
    for (int r = 0; r < 4; ++r) {
        scanner.NextRevolution();
        scene.emplace_back(scanner.Samples(), scanner.Samples() + scanner.SampleCount());
    }
    struct Form {
        std::vector<std::string> args;
        std::string input;
    };
    const std::vector<Form> forms = {
        {{"-"}, Simulated({})},
        {{"--format", "binary", "-"}, Simulated({"--format", "binary"})},
        {{"--chunk", "1", "--model", "TR20", "-"}, Simulated({})},
        {{"--model", "TR20_D", "--protocol", "1", "--chunk", "4096", "-"}, Simulated({"--protocol", "1"})},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.args.front());
        const std::vector<DecodedPoint> points = Decode(form.args, form.input);
        const int frames = FrameCount(points);
        ASSERT_EQ(frames, 4);
        size_t at = 0;
        for (int f = 0; f < frames; ++f) {
            for (size_t k = 0; k < scene[static_cast<size_t>(f)].size(); ++k, ++at) {
                ASSERT_LT(at, points.size());
                const ScanSample& expected = scene[static_cast<size_t>(f)][k];
                ASSERT_EQ(points[at].frame, f);
                ASSERT_EQ(points[at].index, static_cast<int>(k));
                ASSERT_EQ(points[at].distance, expected.distance);
                ASSERT_NEAR(points[at].angle, expected.angle, 1.5 / 128 + 0.00005);
            }
        }
        EXPECT_EQ(at, points.size());
    }
}

TEST(DecodeCommand, ModelAndModeShapeThePointList)
{
    const std::string input = Simulated({});
    const auto none = Decode({"-"}, input);
    const auto fullFormula = Decode({"--compensation", "formula", "-"}, input);
    const auto shortFormula = Decode({"--model", "TR30_A", "--compensation", "formula", "-"}, input);
    // At room distances the full formula turns samples by tenths of a degree, the short one (a
    // result in radians) by thousandths.
    EXPECT_GT(MedianShift(AnglesOfFrame(none, 1), AnglesOfFrame(fullFormula, 1)), 0.2);
    EXPECT_LT(MedianShift(AnglesOfFrame(none, 1), AnglesOfFrame(shortFormula, 1)), 0.01);

    const auto bins = Decode({"--compensation", "ros", "-"}, input);
    ASSERT_GE(FrameCount(bins), 3);
    for (const DecodedPoint& p : bins) {
        ASSERT_LT(p.index, 500);
        if (p.distance != 0) {
            ASSERT_NEAR(p.angle, p.index * 0.72, 0.001);
        }
    }
}

// The whole chain as the operator runs it: simulate 20 revolutions, decode with filter and formula.
TEST(DecodeCommand, FilteredCompensatedRevolutionsArePlausible)
{
    const std::string input = RunTool(RunSimulateCommand, {"--frames", "20"}).out;
    const auto plain = Decode({"--compensation", "formula", "-"}, input);
    const auto filtered = Decode({"--compensation", "formula", "--filter", "2.5", "-"}, input);
    EXPECT_EQ(FrameCount(filtered), 20);
    ASSERT_EQ(filtered.size(), plain.size());
    int changed = 0;
    int removed = 0;
    for (size_t i = 0; i < filtered.size(); ++i) {
        ASSERT_GE(filtered[i].angle, 0.0);
        ASSERT_LE(filtered[i].angle, 360.0);
        ASSERT_GE(filtered[i].distance, 0);
        ASSERT_LT(filtered[i].distance, 8000);
        changed += filtered[i].distance != plain[i].distance;
        removed += filtered[i].distance == 0 && plain[i].distance != 0;
    }
    // The filter straightens the range noise and removes stray returns, not the room.
    EXPECT_GT(changed, 0);
    EXPECT_LT(removed, static_cast<int>(filtered.size()) / 10);
}

// Every pair of models, the sender's and the one decode is told: a model that sends the same
// packets gets every revolution back, the last one included; any other gets none, which is
// said, with exit status 1, even where stray bytes pass its packet check.
TEST(DecodeCommand, EveryPairOfModelsGivesEveryRevolutionOrSaysThereIsNone)
{
    auto packets = [](const DeviceModel& model) {
        const int32_t protocol = CodesForName(model.szName).protocol;
        return std::make_pair(protocol, protocol == 0 ? model.nPointNum : 0);
    };
    for (int sender = 0; g_Models[sender] != nullptr; ++sender) {
        const std::string sent = g_Models[sender]->szName;
        for (const int frames : {1, 3}) {
            const std::string input =
                RunTool(RunSimulateCommand, {"--model", sent, "--frames", std::to_string(frames)}).out;
            for (int told = 0; g_Models[told] != nullptr; ++told) {
                const std::string model = g_Models[told]->szName;
                SCOPED_TRACE(sent + " decoded as " + model + ", " + std::to_string(frames) + " revolutions");
                const ToolResult result = RunTool(RunDecodeCommand, {"--model", model, "-"}, input);
                if (packets(*g_Models[sender]) == packets(*g_Models[told])) {
                    EXPECT_EQ(result.status, EXIT_OK) << result.err;
                    EXPECT_EQ(FrameCount(ParseDecodeOutput(result.out)), frames);
                    continue;
                }
                EXPECT_EQ(result.status, EXIT_FAILED);
                EXPECT_EQ(result.out, "");
                EXPECT_NE(result.err.find("decode: no revolution in " + std::to_string(input.size() / 3) + " bytes"),
                          std::string::npos)
                    << result.err;
                EXPECT_NE(result.err.find("is the model right?"), std::string::npos) << result.err;
            }
        }
    }
}

TEST(DecodeCommand, BadArgumentsAreRefusedWithAReason)
{
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{}, "needs a FILE"},
        {{"a", "b"}, "second input"},
        {{"--speed", "3", "-"}, "--speed is not an option"},
        {{"-", "--model"}, "--model needs a value"},
        {{"--model", "tr20", "-"}, "'tr20' is not a model"},
        {{"--protocol", "4", "-"}, "from 0 to 3"},
        {{"--protocol", "1x", "-"}, "not '1x'"},
        {{"--point-num", "19", "-"}, "from 20 to 200"},
        {{"--point-num", "201", "-"}, "from 20 to 200"},
        {{"--filter", "0", "-"}, "above 0"},
        {{"--filter", "-2", "-"}, "above 0"},
        {{"--filter", "nan", "-"}, "above 0"},
        {{"--filter", "2.5x", "-"}, "above 0"},
        {{"--compensation", "bins", "-"}, "none, formula or ros"},
        {{"--format", "text", "-"}, "hex or binary"},
        {{"--chunk", "0", "-"}, "from 1 to"},
    };
    for (const Case& c : cases) {
        const ToolResult result = RunTool(RunDecodeCommand, c.args, "AA 55 ");
        EXPECT_EQ(result.status, 2) << c.reason;
        EXPECT_EQ(result.out, "") << c.reason;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
    const ToolResult help = RunTool(RunDecodeCommand, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: plotwell-tool decode", 0), 0u);
}

TEST(DecodeCommand, HexDumpMustKeepItsPatternToTheEnd)
{
    struct Case {
        std::string text;
        const char* verdict;  // null: accepted
    };
    const std::vector<Case> cases = {
        {"AA 55 0G ", "character 8 is 'G', where a hexadecimal digit"},
        {"AA,55 ", "character 3 is ',', where a space"},
        {"AA 55\n0A ", "character 6 is byte 0x0A, where a space"},
        {"zz ", "character 1 is 'z'"},
        {"aa 55 0a", nullptr},  // lower case, and two characters left over at the end
        {"AA 55 \n", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const ToolResult result = RunTool(RunDecodeCommand, {"-"}, c.text);
        if (c.verdict == nullptr) {
            // Taken as a dump: whatever is said is about what it holds (no packet in three bytes).
            EXPECT_NE(result.status, EXIT_USAGE) << c.text;
            EXPECT_EQ(result.err.find("not a raw data file"), std::string::npos) << result.err;
            continue;
        }
        EXPECT_EQ(result.status, 2) << c.text;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(c.verdict), std::string::npos) << result.err;
    }
}

// What cannot be decoded is said with its reason and an exit status; nothing aborts.
TEST(DecodeCommand, InputThatCannotBeReadOrHoldsNoDataIsSaidSo)
{
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string said;
    };
    const Case cases[] = {
        {{testing::TempDir()}, "", EXIT_FAILED, ": Is a directory\n"},
        {{"/nonexistent/plotwell/raw.txt"}, "", EXIT_FAILED, "decode: /nonexistent/plotwell/raw.txt: No such file or directory\n"},
        {{"--format", "binary", "/proc/self/mem"}, "", EXIT_FAILED, "decode: /proc/self/mem: Input/output error\n"},
        {{"-"}, "", EXIT_OK, "decode: standard input holds no data\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ToolResult result = RunTool(RunDecodeCommand, c.args, c.input);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    }

    // A closed standard input: its stream throws on the first read.
    struct ClosedInput : std::streambuf {
        int_type underflow() override
        {
            throw std::ios_base::failure("read", std::error_code(EBADF, std::generic_category()));
        }
    } closed;
    std::istream in(&closed);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunDecodeCommand({"-"}, in, out, err), EXIT_FAILED);
    EXPECT_EQ(err.str(), "plotwell-tool decode: standard input: Bad file descriptor\n");
}

// Input that arrives a few characters at a time, as from a pipe: hexadecimal digits split
// between reads decode as the whole file does, and each revolution is out before the input
// goes on.
TEST(DecodeCommand, RevolutionsArePrintedWhileTheInputStillArrives)
{
    class Trickle : public std::streambuf {
    public:
        Trickle(std::string text, const std::ostringstream& out, size_t checkAt)
            : m_text(std::move(text)), m_out(out), m_checkAt(checkAt)
        {
        }
        int framesAtCheck = -1;

    protected:
        int_type underflow() override
        {
            static const size_t PIECES[] = {1, 2, 4, 7};
            if (m_at >= m_text.size())
                return traits_type::eof();
            if (m_at >= m_checkAt && framesAtCheck < 0)
                framesAtCheck = FrameCount(ParseDecodeOutput(m_out.str()));
            const size_t piece = std::min(m_text.size() - m_at, PIECES[m_pieces++ % 4]);
            setg(m_text.data() + m_at, m_text.data() + m_at, m_text.data() + m_at + piece);
            m_at += piece;
            return traits_type::to_int_type(*gptr());
        }

    private:
        std::string m_text;
        const std::ostringstream& m_out;
        size_t m_checkAt;
        size_t m_at = 0;
        size_t m_pieces = 0;
    };

    SimulatedScannerSettings settings;
    settings.seed = 9;
    SimulatedScanner scanner(settings);
    size_t threeRevolutions = 0;
    for (int r = 0; r < 3; ++r) {
        scanner.NextRevolution();
        threeRevolutions += 3 * static_cast<size_t>(scanner.ByteCount());
    }
    const std::string text = Simulated({});
    std::ostringstream out;
    std::ostringstream err;
    Trickle trickle(text, out, threeRevolutions);
    std::istream in(&trickle);
    ASSERT_EQ(RunDecodeCommand({"-"}, in, out, err), EXIT_OK) << err.str();
    EXPECT_EQ(out.str(), RunTool(RunDecodeCommand, {"-"}, text).out);
    // The first two are closed well inside the third revolution's bytes.
    EXPECT_GE(trickle.framesAtCheck, 2);
}
