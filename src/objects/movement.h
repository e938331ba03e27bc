// Unit conversions of movement.
#pragma once

#include <cstdint>

// n half blocks in pixels (integer, truncating).
int HalfBlocksToPixels(std::int8_t n);
// A speed given in hundredths of a pixel per frame, in pixels per sub-step.
double HundredthsToSpeed(std::int16_t n);
// Sub-steps until an upward speed v has been used up by gravity; 0 without usable gravity.
int FramesToApex(double v);
