// Conversions of doubles into int: a value is cut toward 0, a value beyond int's range gives the
// nearest end, not a number gives 0 (the conversion takes a fast path for the values that fit).
#include "app/int_range.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

TEST(IntRangeTest, DoublesAreCutTowardZeroAndSaturateAtTheEndsOfInt) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int expected;
    } cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {0.9, 0},
        {-0.9, 0},
        {123.9, 123},
        {-123.9, -123},
        {2147483646.5, INT_MAX - 1},
        {2147483647.0, INT_MAX},
        {2147483647.9, INT_MAX},
        {2147483648.0, INT_MAX},
        {4294967296.0, INT_MAX},
        {1e300, INT_MAX},
        {inf, INT_MAX},
        {-2147483647.5, INT_MIN + 1},
        {-2147483648.0, INT_MIN},
        {-2147483648.9, INT_MIN},
        {-2147483649.0, INT_MIN},
        {-1e300, INT_MIN},
        {-inf, INT_MIN},
        {std::nan(""), 0},
        {-std::nan(""), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaturateInt(c.value), c.expected) << c.value;
}

} // namespace
