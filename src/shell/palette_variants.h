// Palette variants of 8-bit displays and the blinking colours of characters.
#pragma once

#include "draw/blink_colours.h"

#include <cstdint>

constexpr int PALETTE_VARIANT_COUNT = 27;

// Applies palette variant n (the options' choice) on an 8-bit DirectDraw display: blend table
// "bmp\hbt\hbtNN.dat", the base palette from the palette picture, hues rotated (n < 12) or one hue
// (12 to 26). Does nothing and succeeds on other displays. A choice outside 0-26 is refused.
bool LoadHbtPalettes(int n);

// Once per drawn frame: the pulsing tints under Direct3D, or the cycling palette block of an 8-bit
// display.
void UpdateBlinkColours();

// The Direct3D part of UpdateBlinkColours: sets the nine tints from their channels, then moves them.
void StepBlinkColours();

// Moves value by step towards high (direction 0) or low (1), turning at the ends; true when it turned
// at the low end.
bool PingPong(int& value, int& direction, int step, int low, int high);

// Back to the start state (channels 0 rising, phase 0, frame counter 0).
void ResetBlinkColours();
