// Runs a plotwell-tool subcommand in-process and parses what decode prints.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/BuiltProgram.h"
#include "tools/ToolCommands.h"

// The plotwell-tool program, for the tests that need it as a process.
inline std::string ToolProgram()
{
    return BuiltProgram("PLOTWELL_TOOL", PLOTWELL_TOOL);
}

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

inline ToolResult RunTool(ToolCommandFunction command, const std::vector<std::string>& args,
                          const std::string& input = {})
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = command(args, in, out, err);
    return {status, out.str(), err.str()};
}

struct DecodedPoint {
    int frame;
    int index;
    double angle;
    int distance;
};

// The lines after the header; an empty list if the header is missing.
inline std::vector<DecodedPoint> ParseDecodeOutput(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    std::vector<DecodedPoint> points;
    if (!std::getline(lines, line) || line != "frame,index,angle,distance")
        return points;
    while (std::getline(lines, line)) {
        DecodedPoint p{};
        char comma = 0;
        std::istringstream fields(line);
        fields >> p.frame >> comma >> p.index >> comma >> p.angle >> comma >> p.distance;
        points.push_back(p);
    }
    return points;
}

// Number of frames in decode's output.
inline int FrameCount(const std::vector<DecodedPoint>& points)
{
    return points.empty() ? 0 : points.back().frame + 1;
}
