// How the probe judges what it heard: which candidate fits a model clearly, and when none does.
#include <gtest/gtest.h>

#include "protocols/DeviceModel.h"
#include "run/ScannerProbe.h"

namespace {

ProbeCandidate Heard(int32_t baudRate, int32_t protocol, int64_t passed, int64_t failed)
{
    RecognisedStream stream;
    stream.accepted = passed;
    stream.rejected = failed;
    std::vector<const DeviceModel*> models;
    for (int i = 0; g_Models[i] != nullptr; ++i) {
        if (g_Models[i]->nBaudRate == baudRate && CodesForName(g_Models[i]->szName).protocol == protocol)
            models.push_back(g_Models[i]);
    }
    return {baudRate, protocol, 0, stream, models};
}

TEST(ScannerProbe, OneCandidateFitsOnlyWhenItPassedEnoughAndNoOtherModelComesClose)
{
    struct Case {
        const char* name;
        std::vector<ProbeCandidate> heard;
        int32_t foundProtocol;  // -1: nothing found
        bool rival;
    };
    const Case cases[] = {
        {"the stream at a rate no model uses does not compete",
         {Heard(230400, 1, 900, 0), Heard(115200, 1, 800, 0), Heard(115200, 0, 5, 300)}, 1, false},
        {"a few packets are chance", {Heard(115200, 2, 9, 0)}, -1, false},
        {"more failed than passed", {Heard(115200, 2, 100, 101)}, -1, false},
        {"two protocols at a model's rate", {Heard(115200, 2, 100, 0), Heard(115200, 3, 30, 0)}, -1, true},
        {"a weak second protocol", {Heard(115200, 3, 30, 0), Heard(115200, 2, 121, 0)}, 2, false},
        {"nothing heard", {}, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeResult result;
        result.candidates = c.heard;
        JudgeCandidates(result);
        for (size_t i = 1; i < result.candidates.size(); ++i)
            EXPECT_GE(result.candidates[i - 1].stream.accepted, result.candidates[i].stream.accepted);
        const ProbeCandidate* found = result.Found();
        EXPECT_EQ(found != nullptr ? found->protocol : -1, c.foundProtocol);
        EXPECT_EQ(result.rival >= 0, c.rival);
    }
}

}  // namespace
