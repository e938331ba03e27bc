#include "bmp_writer.h"

#include <algorithm>
#include <cstdlib>
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

void SetPixel(Picture& p, int x, int y, std::uint8_t index) {
    if (x >= 0 && y >= 0 && x < p.width && y < p.height) p.at(x, y) = index;
}

void FrameRect(Picture& p, int x, int y, int w, int h, std::uint8_t index) {
    FillRect(p, x, y, w, 1, index);
    FillRect(p, x, y + h - 1, w, 1, index);
    FillRect(p, x, y, 1, h, index);
    FillRect(p, x + w - 1, y, 1, h, index);
}

void FillEllipse(Picture& p, double cx, double cy, double rx, double ry, std::uint8_t index) {
    if (rx <= 0 || ry <= 0) return;
    for (int y = std::max(0, static_cast<int>(cy - ry) - 1);
         y <= std::min(p.height - 1, static_cast<int>(cy + ry) + 1); ++y)
        for (int x = std::max(0, static_cast<int>(cx - rx) - 1);
             x <= std::min(p.width - 1, static_cast<int>(cx + rx) + 1); ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) p.at(x, y) = index;
        }
}

void FillPolygon(Picture& p, const double* xs, const double* ys, int n, std::uint8_t index) {
    if (n < 3) return;
    double top = ys[0], bottom = ys[0];
    for (int i = 1; i < n; ++i) {
        top = std::min(top, ys[i]);
        bottom = std::max(bottom, ys[i]);
    }
    for (int y = std::max(0, static_cast<int>(top)); y <= std::min(p.height - 1, static_cast<int>(bottom));
         ++y) {
        const double py = y + 0.5;
        for (int x = 0; x < p.width; ++x) {
            const double px = x + 0.5;
            bool inside = false;
            for (int i = 0, j = n - 1; i < n; j = i++)
                if ((ys[i] > py) != (ys[j] > py) &&
                    px < (xs[j] - xs[i]) * (py - ys[i]) / (ys[j] - ys[i]) + xs[i])
                    inside = !inside;
            if (inside) p.at(x, y) = index;
        }
    }
}

void Line(Picture& p, int x0, int y0, int x1, int y1, std::uint8_t index) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        SetPixel(p, x0, y0, index);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Blit(Picture& dst, int x, int y, const Picture& src, int sx, int sy, int w, int h, int key) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            if (sx + i < 0 || sy + j < 0 || sx + i >= src.width || sy + j >= src.height) continue;
            const std::uint8_t v = src.pixels[static_cast<std::size_t>(sy + j) * src.width + sx + i];
            if (v != key) SetPixel(dst, x + i, y + j, v);
        }
}

Picture HalfSize(const Picture& src, std::uint8_t key) {
    Picture out = MakePicture(src.width / 2, src.height / 2, key);
    const auto get = [&](int x, int y) { return src.pixels[static_cast<std::size_t>(y) * src.width + x]; };
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const std::uint8_t order[4] = {get(2 * x + 1, 2 * y + 1), get(2 * x, 2 * y),
                                           get(2 * x + 1, 2 * y), get(2 * x, 2 * y + 1)};
            for (std::uint8_t v : order)
                if (v != key) {
                    out.at(x, y) = v;
                    break;
                }
        }
    return out;
}

void Outline(Picture& p, int x, int y, int w, int h, std::uint8_t key, std::uint8_t index) {
    const Picture before = p;
    const auto solid = [&](int xx, int yy) {
        if (xx < x || yy < y || xx >= x + w || yy >= y + h || xx >= p.width || yy >= p.height) return false;
        const std::uint8_t v = before.pixels[static_cast<std::size_t>(yy) * p.width + xx];
        return v != key && v != index;
    };
    for (int yy = std::max(0, y); yy < std::min(p.height, y + h); ++yy)
        for (int xx = std::max(0, x); xx < std::min(p.width, x + w); ++xx)
            if (before.pixels[static_cast<std::size_t>(yy) * p.width + xx] == key &&
                (solid(xx - 1, yy) || solid(xx + 1, yy) || solid(xx, yy - 1) || solid(xx, yy + 1)))
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
    pal[241] = {255, 248, 208};
    for (int i = 242; i < 255; ++i)
        pal[i] = {static_cast<std::uint8_t>((i - 242) * 20), static_cast<std::uint8_t>((i - 242) * 20),
                  static_cast<std::uint8_t>((i - 242) * 20)};
    // The transparent colour is entry 0, as in the projects the kit makes: the drawing library fills
    // new surfaces with entry 0 and under Direct3D entry 0 is transparent. Black moves to entry 255.
    pal[0] = {255, 0, 255};
    pal[255] = {0, 0, 0};
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
