// Conversions into int that keep a value beyond its range at the nearest end instead of wrapping
// or being undefined: for arithmetic on values a project or a damaged file can make as large as
// their stored type allows.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// The value, or the nearest end of int.
constexpr int SaturateInt(std::int64_t v) {
    constexpr std::int64_t lo = std::numeric_limits<int>::min();
    constexpr std::int64_t hi = std::numeric_limits<int>::max();
    return static_cast<int>(v < lo ? lo : v > hi ? hi : v);
}

// The value cut toward 0 as a conversion to int cuts it, or the nearest end of int; not a number
// gives 0.
inline int SaturateInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}
