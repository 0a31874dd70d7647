// decode's output: "frame,index,angle,distance" lines, the angle as "%.4f" prints it. A
// revolution has thousands of points and decode prints every one, so the lines are formatted
// without printf, gathered in a buffer and written in blocks.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "acquisition/ScanFrame.h"

// Writes "%.4f" of `value` at `out` (room for 64 characters), exactly as printf would; the
// number of characters.
int32_t FormatAngle(float value, char* out);

class PointLines {
public:
    explicit PointLines(std::ostream& out);

    // Before any line.
    void Header();
    // One line per point of `list`, numbered as frame `frame`.
    void Write(int32_t frame, const PointList& list);
    // Hands the gathered lines to the stream.
    void Flush();

private:
    std::ostream& m_out;
    std::vector<char> m_buffer;
    size_t m_used = 0;
};
