// decode's own number formatting against printf's, which the output format is defined by.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "tools/PointLines.h"

namespace {

std::string Printf(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(value));
    return text;
}

std::string Formatted(float value)
{
    char text[64];
    return std::string(text, static_cast<size_t>(FormatAngle(value, text)));
}

TEST(PointLines, AnglesReadAsPrintfWritesThem)
{
    // Ties that round to even (1/32 is 0.03125), values just below a carry, signs of zero,
    // tiny and huge magnitudes, and what is not a number.
    const float special[] = {0.0f, -0.0f, 0.03125f, 0.09375f, -0.03125f, 359.99995f, 359.9999f, 9.99995f,
                             -0.00004f, 1e-30f, 123456.789f, 1e13f, 1e15f, 3.4e38f, -3.4e38f,
                             std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::denorm_min()};
    for (float value : special)
        EXPECT_EQ(Formatted(value), Printf(value)) << value;

    std::mt19937 random(3);
    std::uniform_real_distribution<float> angle(-720.0f, 720.0f);
    for (int k = 0; k < 200000; ++k) {
        const float value = k % 2 == 0 ? angle(random) : std::ldexp(static_cast<float>(random() % 46080), -7);
        ASSERT_EQ(Formatted(value), Printf(value)) << value;
    }
}

}  // namespace
