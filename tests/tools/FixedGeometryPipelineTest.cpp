// simulate | decode for the models of protocols 0, 2 and 3: one frame per simulated revolution,
// with the samples that protocol's device sends per revolution.
#include <gtest/gtest.h>

#include <map>

#include "RunTool.h"

namespace {

std::map<int, int> SamplesPerFrame(const std::string& model)
{
    const ToolResult simulated = RunTool(RunSimulateCommand, {"--model", model, "--frames", "20", "--seed", "4"});
    EXPECT_EQ(simulated.status, 0) << simulated.err;
    const ToolResult decoded = RunTool(RunDecodeCommand, {"--model", model, "-"}, simulated.out);
    EXPECT_EQ(decoded.status, 0) << decoded.err;
    std::map<int, int> samples;
    for (const DecodedPoint& point : ParseDecodeOutput(decoded.out))
        ++samples[point.frame];
    return samples;
}

TEST(FixedGeometryPipeline, EverySimulatedRevolutionDecodesAsOneFrame)
{
    struct Case {
        const char* model;
        int fewest;
        int most;
    };
    const Case cases[] = {
        {"TR10", 900, 900},      // protocol 0: 15 sectors of 60
        {"TR20_D", 360, 360},    // protocol 3: 90 packets of 4
        {"TR20_C", 272, 296},    // protocol 2: whole packets of about 286 samples
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const std::map<int, int> samples = SamplesPerFrame(c.model);
        ASSERT_EQ(samples.size(), 20u);
        for (const auto& [frame, count] : samples) {
            if (frame == 0)
                continue;  // the stream's first frame also holds what came before the first wrap
            EXPECT_GE(count, c.fewest) << "frame " << frame;
            EXPECT_LE(count, c.most) << "frame " << frame;
        }
    }
}

}  // namespace
