// Reading the point lists that `plotwell-tool decode` prints: a header line
// "frame,index,angle,distance", then one line per point, frame after frame.
#pragma once

#include <cstdint>
#include <deque>
#include <istream>
#include <string>
#include <vector>

#include "acquisition/ScanFrame.h"

struct DecodedPoint {
    float angle;       // degrees
    int16_t distance;  // millimetres
};

struct DecodedFrame {
    long number = 0;
    std::vector<DecodedPoint> points;
};

// Keeps the last `keep` complete frames, oldest first. A frame is complete when its indices run
// 0, 1, 2, ... and it is followed by another frame or by the end of the input after a whole line.
// False, with the reason in `error`, for input that is not such a list.
bool ReadDecodedFrames(std::istream& in, size_t keep, std::deque<DecodedFrame>& frames, std::string& error);

void CopyToPointList(const DecodedFrame& frame, PointList& list);
