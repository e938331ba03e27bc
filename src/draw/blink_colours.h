// The tints blinking characters are drawn with under Direct3D, moved once per drawn frame by the
// palette code of the shell and read by the character drawing.
#pragma once

#include <cstdint>

// One tint a character can blink with: an opaque ARGB colour and the texture-stage operation that
// applies it (7 add, 10 subtract).
struct BlinkColour {
    std::uint32_t dwColour = 0;
    std::int32_t nOp = 0;
};
constexpr int BLINK_COLOUR_COUNT = 9;
extern BlinkColour g_BlinkColours[BLINK_COLOUR_COUNT];
