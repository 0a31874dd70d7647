#include "view/render/DecodedFrames.h"

#include <charconv>
#include <limits>

namespace {

const char HEADER[] = "frame,index,angle,distance";

struct Row {
    long frame;
    long index;
    float angle;
    long distance;
};

// Parses "a,b,c,d" exactly: integers, a decimal angle, nothing left over.
bool ParseRow(const std::string& line, Row& row)
{
    const char* p = line.data();
    const char* end = p + line.size();
    auto field = [&](auto& value, bool last) {
        const auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || next == p)
            return false;
        p = next;
        if (last)
            return p == end;
        if (p == end || *p != ',')
            return false;
        ++p;
        return true;
    };
    return field(row.frame, false) && field(row.index, false) && field(row.angle, false) && field(row.distance, true);
}

bool Fail(std::string& error, long lineNumber, const std::string& what)
{
    error = "line " + std::to_string(lineNumber) + ": " + what;
    return false;
}

}  // namespace

bool ReadDecodedFrames(std::istream& in, size_t keep, std::deque<DecodedFrame>& frames, std::string& error)
{
    frames.clear();
    std::string line;
    long lineNumber = 1;
    if (!std::getline(in, line) || line != HEADER)
        return Fail(error, lineNumber, std::string("the header must be ") + HEADER);

    DecodedFrame current;
    bool open = false;      // `current` holds rows
    bool complete = true;   // its indices ran 0, 1, 2, ...
    auto close = [&] {
        if (open && complete && keep > 0) {
            frames.push_back(std::move(current));
            if (frames.size() > keep)
                frames.pop_front();
        }
        current = DecodedFrame();
        open = false;
        complete = true;
    };

    while (std::getline(in, line)) {
        ++lineNumber;
        // A last line without its newline was cut off, and so was its frame.
        if (in.eof())
            return true;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        Row row{};
        if (!ParseRow(line, row))
            return Fail(error, lineNumber, "expected frame,index,angle,distance, found '" + line + "'");
        if (row.distance < std::numeric_limits<int16_t>::min() || row.distance > std::numeric_limits<int16_t>::max())
            return Fail(error, lineNumber, "distance " + std::to_string(row.distance) + " is not a 16-bit value");
        if (open && row.frame != current.number)
            close();
        if (!open) {
            current.number = row.frame;
            open = true;
        }
        if (current.points.size() >= static_cast<size_t>(SCAN_CAPACITY))
            return Fail(error, lineNumber, "frame " + std::to_string(row.frame) + " has more than " +
                                               std::to_string(SCAN_CAPACITY) + " points");
        complete = complete && row.index == static_cast<long>(current.points.size());
        current.points.push_back({row.angle, static_cast<int16_t>(row.distance)});
    }
    close();
    return true;
}

void CopyToPointList(const DecodedFrame& frame, PointList& list)
{
    list.count = static_cast<int32_t>(frame.points.size());
    for (size_t i = 0; i < frame.points.size(); ++i) {
        list.angle[i] = frame.points[i].angle;
        list.distance[i] = frame.points[i].distance;
    }
}
