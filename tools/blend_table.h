// The blend tables of 8-bit displays ("bmp\hbt\hbtNN.dat"): for the colour variant NN of the
// project's palette, entry [a * 256 + b] is the palette index nearest to the average of colours a
// and b.
#pragma once

#include "bmp_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace blend_table {

constexpr int kTableSize = 65536;
// Colour variants 00 to 26 that the options offer.
constexpr int kVariants = 27;

// The palette of colour variant n: below 12 the twelve blocks of 16 entries from entry 16 to 207
// move round by n blocks (block b takes the colours of block b + n, counted round); from 12 on every one of
// those blocks is a copy of the 16 entries starting at entry 16 x (n - 11). Other entries are unchanged.
bmp_writer::Palette PaletteVariant(const bmp_writer::Palette& base, int n);

// The table of one palette (kTableSize bytes). Averages are matched through a 32 x 32 x 32 colour
// cube filled on demand; a colour blended with itself keeps its own (first) index.
std::vector<std::uint8_t> Compute(const bmp_writer::Palette& palette);

// Writes <folder>/bmp/hbt/hbt00.dat ... hbt26.dat for the variants of `base`.
bool WriteAll(const std::string& folder, const bmp_writer::Palette& base);

} // namespace blend_table
