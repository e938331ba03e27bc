// Writes Windows bitmap files for test and demo projects: 8-bit pictures with a 256-colour palette.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace bmp_writer {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};
using Palette = std::array<Rgb, 256>;

// A picture of palette indexes, rows from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width x height indexes
    std::uint8_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Picture MakePicture(int width, int height, std::uint8_t fill);
// Fills a rectangle (clipped to the picture).
void FillRect(Picture& p, int x, int y, int w, int h, std::uint8_t index);

// The demo palette: entry 0 black, 1-15 a grey ramp, 16-207 twelve hues of 16 shades, 208-239 cycling
// colours, 240 white, 241 a dark blue, 242-254 greys, 255 magenta (the transparent colour).
Palette DemoPalette();

// Writes a bottom-up 8-bit BMP (BI_RGB, 256 palette entries). False when the file cannot be written.
bool WriteBmp8(const std::string& path, const Picture& picture, const Palette& palette);

} // namespace bmp_writer
