// Writes Windows bitmap files for test and demo projects: 8-bit pictures with a 256-colour palette.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace bmp_writer {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
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
// Drawing into a picture, every shape clipped to it.
void SetPixel(Picture& p, int x, int y, std::uint8_t index);
void FrameRect(Picture& p, int x, int y, int w, int h, std::uint8_t index);
// The ellipse of centre (cx, cy) and radii rx, ry (pixel centres inside it are filled).
void FillEllipse(Picture& p, double cx, double cy, double rx, double ry, std::uint8_t index);
// A polygon of n points (even-odd rule, pixel centres inside it are filled).
void FillPolygon(Picture& p, const double* xs, const double* ys, int n, std::uint8_t index);
void Line(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t index);
// Copies a w x h block of src at (sx, sy) to (x, y); pixels equal to `key` (when 0-255) are skipped.
void Blit(Picture& dst, int x, int y, const Picture& src, int sx, int sy, int w, int h, int key = -1);
// Half the size: each 2 x 2 block becomes its first pixel that is not `key` (lower right, upper
// left, upper right, lower left), or `key`.
Picture HalfSize(const Picture& src, std::uint8_t key);
// Draws a one-index outline around the pixels that are not `key`, inside a w x h cell at (x, y).
void Outline(Picture& p, int x, int y, int w, int h, std::uint8_t key, std::uint8_t index);

// The demo palette: entry 0 magenta (the transparent colour), 1-15 a grey ramp, 16-207 twelve hues of
// 16 shades, 208-239 cycling colours, 240 white, 241 light cream (text), 242-254 greys, 255 black.
Palette DemoPalette();

// Writes a bottom-up 8-bit BMP (BI_RGB, 256 palette entries). False when the file cannot be written.
bool WriteBmp8(const std::string& path, const Picture& picture, const Palette& palette);

} // namespace bmp_writer
