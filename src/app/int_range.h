// Conversions into int that keep a value beyond its range at the nearest end instead of wrapping
// or being undefined: for arithmetic on values a project or a damaged file can make as large as
// their stored type allows.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The value, or the nearest end of int.
constexpr int SaturateInt(std::int64_t v) {
    constexpr std::int64_t lo = std::numeric_limits<int>::min();
    constexpr std::int64_t hi = std::numeric_limits<int>::max();
    return static_cast<int>(v < lo ? lo : v > hi ? hi : v);
}

// The value cut toward 0 as a conversion to int cuts it, or the nearest end of int; not a number
// gives 0.
inline int SaturateInt(double v) {
#if defined(__SSE2__)
    // The processor's cut gives the least int for any value it cannot hold and for not a number.
    const int cut = _mm_cvttsd_si32(_mm_set_sd(v));
    if (cut != std::numeric_limits<int>::min()) return cut;
#else
    // Inside (-2^31 - 1, 2^31) the cut fits; not a number fails both tests.
    if (v > -2147483649.0 && v < 2147483648.0) return static_cast<int>(v);
#endif
    if (std::isnan(v)) return 0;
    return v > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
}
