#include "tools/PointLines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace {

constexpr size_t BUFFER_SIZE = 1 << 16;
constexpr size_t LONGEST_LINE = 2 * 12 + 64 + 8 + 4;  // two indexes, an angle, a distance, separators
const char HEADER[] = "frame,index,angle,distance\n";

// Past this the product of a float and 10000 might not be held exactly; printf writes those.
constexpr double EXACT_LIMIT = 1e14;

}  // namespace

int32_t FormatAngle(float value, char* out)
{
    const double wide = value;
    if (!std::isfinite(wide) || std::fabs(wide) >= EXACT_LIMIT)
        return std::snprintf(out, 64, "%.4f", wide);
    // A float has 24 significant bits, so the product with 10000 is exact in a double, and
    // rounding it to an integer in the current mode (to nearest, ties to even) is what printf
    // does to the exact decimal value.
    char* at = out;
    if (std::signbit(wide))
        *at++ = '-';
    const auto units = static_cast<uint64_t>(std::nearbyint(std::fabs(wide) * 10000.0));
    at = std::to_chars(at, out + 64, units / 10000).ptr;
    *at++ = '.';
    uint64_t fraction = units % 10000;
    for (int digit = 3; digit >= 0; --digit) {
        at[digit] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return static_cast<int32_t>(at + 4 - out);
}

PointLines::PointLines(std::ostream& out) : m_out(out), m_buffer(BUFFER_SIZE) {}

void PointLines::Header()
{
    std::copy(HEADER, HEADER + sizeof HEADER - 1, m_buffer.data() + m_used);
    m_used += sizeof HEADER - 1;
}

void PointLines::Write(int32_t frame, const PointList& list)
{
    char* const end = m_buffer.data() + m_buffer.size();
    for (int32_t i = 0; i < list.count; ++i) {
        if (m_buffer.size() - m_used < LONGEST_LINE)
            Flush();
        char* at = m_buffer.data() + m_used;
        at = std::to_chars(at, end, frame).ptr;
        *at++ = ',';
        at = std::to_chars(at, end, i).ptr;
        *at++ = ',';
        at += FormatAngle(list.angle[i], at);
        *at++ = ',';
        at = std::to_chars(at, end, list.distance[i]).ptr;
        *at++ = '\n';
        m_used = static_cast<size_t>(at - m_buffer.data());
    }
}

void PointLines::Flush()
{
    m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_used));
    m_used = 0;
}
