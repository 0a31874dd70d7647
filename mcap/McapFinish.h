// Finishing a recording that a killed program or a full disk left without its summary: its
// readable part (every whole chunk and record before the cut) is written again as a complete
// file, with summary and footer, under a new name. The original is left as it is.
#pragma once

#include <cstdint>
#include <string>

#include "mcap/McapRecords.h"

struct McapFinishResult {
    bool finished = false;
    uint64_t messages = 0;  // messages in the finished file
    std::string error;      // why it could not be finished
    std::string problem;    // damage found in the original, where its readable part ends
};

McapFinishResult FinishMcapFile(const std::string& inputPath, const std::string& outputPath,
                                McapCompression compression = McapCompression::Zstd);
