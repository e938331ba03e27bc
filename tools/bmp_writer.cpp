#include "bmp_writer.h"

#include <algorithm>
#include <cstdio>

namespace bmp_writer {

Picture MakePicture(int width, int height, std::uint8_t fill) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<std::size_t>(width) * height, fill);
    return p;
}

void FillRect(Picture& p, int x, int y, int w, int h, std::uint8_t index) {
    for (int yy = std::max(0, y); yy < std::min(p.height, y + h); ++yy)
        for (int xx = std::max(0, x); xx < std::min(p.width, x + w); ++xx)
            p.at(xx, yy) = index;
}

Palette DemoPalette() {
    Palette pal{};
    for (int i = 1; i < 16; ++i)
        pal[i] = {static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(i * 17),
                  static_cast<std::uint8_t>(i * 17)};
    // Twelve hues around the colour wheel, each in 16 shades from dark to light.
    static const Rgb hues[12] = {{255, 0, 0}, {255, 128, 0}, {255, 255, 0}, {128, 255, 0},
                                 {0, 255, 0}, {0, 255, 128}, {0, 255, 255}, {0, 128, 255},
                                 {0, 0, 255}, {128, 0, 255}, {255, 0, 255}, {255, 0, 128}};
    for (int h = 0; h < 12; ++h)
        for (int s = 0; s < 16; ++s) {
            auto shade = [&](std::uint8_t c) {
                const int v = s < 8 ? c * (s + 1) / 8 : c + (255 - c) * (s - 7) / 9;
                return static_cast<std::uint8_t>(std::min(255, v));
            };
            pal[16 + h * 16 + s] = {shade(hues[h].r), shade(hues[h].g), shade(hues[h].b)};
        }
    for (int i = 208; i < 240; ++i)
        pal[i] = {static_cast<std::uint8_t>((i - 208) * 8), 64,
                  static_cast<std::uint8_t>(255 - (i - 208) * 8)};
    pal[240] = {255, 255, 255};
    pal[241] = {16, 24, 96};
    for (int i = 242; i < 255; ++i)
        pal[i] = {static_cast<std::uint8_t>((i - 242) * 20), static_cast<std::uint8_t>((i - 242) * 20),
                  static_cast<std::uint8_t>((i - 242) * 20)};
    pal[255] = {255, 0, 255};
    return pal;
}

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

bool WriteBmp8(const std::string& path, const Picture& picture, const Palette& palette) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(picture.width) + 3) & ~3u;
    const std::uint32_t imageBytes = stride * static_cast<std::uint32_t>(picture.height);
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageBytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(picture.width));
    Put32(out, static_cast<std::uint32_t>(picture.height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0); // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 256);
    Put32(out, 0);
    for (const Rgb& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x)
            out.push_back(picture.pixels[static_cast<std::size_t>(y) * picture.width + x]);
        for (std::uint32_t pad = static_cast<std::uint32_t>(picture.width); pad < stride; ++pad)
            out.push_back(0);
    }
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), fp) == out.size();
    return std::fclose(fp) == 0 && ok;
}

} // namespace bmp_writer
