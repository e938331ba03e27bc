#include "demo_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

namespace demo_pictures {

using bmp_writer::FillEllipse;
using bmp_writer::FillPolygon;
using bmp_writer::FillRect;
using bmp_writer::FrameRect;
using bmp_writer::Line;
using bmp_writer::MakePicture;
using bmp_writer::Picture;
using bmp_writer::SetPixel;

std::uint8_t Hue(int h, int s) {
    return static_cast<std::uint8_t>(16 + ((h % 12 + 12) % 12) * 16 + std::clamp(s, 0, 15));
}

std::uint8_t Grey(int g) {
    return static_cast<std::uint8_t>(std::clamp(g, 1, 15));
}

namespace {

constexpr int kCell = 32;

// ---- A 5 x 7 pixel font for the banners, digits and marks ----

const char* Glyph(char c) {
    static const struct {
        char c;
        const char* rows; // 7 rows of 5 columns, '#' set
    } kFont[] = {
        {'0', " ### #   ##  ### # ###  ##   # ### "}, {'1', "  #   ##    #    #    #    #   ### "},
        {'2', " ### #   #    #   #   #   #   #####"}, {'3', "#####   #   #     #     ##   # ### "},
        {'4', "   #   ##  # # #  # #####   #    # "}, {'5', "######    ####     #    ##   # ### "},
        {'6', "  ##  #   #    #### #   ##   # ### "}, {'7', "#####    #   #   #   #    #    #   "},
        {'8', " ### #   ##   # ### #   ##   # ### "}, {'9', " ### #   ##   # ####    #   #  ##  "},
        {'A', " ### #   ##   #######   ##   ##   #"}, {'B', "#### #   ##   ##### #   ##   ##### "},
        {'C', " ### #   ##    #    #    #   # ### "}, {'D', "#### #   ##   ##   ##   ##   ##### "},
        {'E', "######    #    #### #    #    #####"}, {'F', "######    #    #### #    #    #    "},
        {'G', " ### #   ##    # ####   ##   # ####"}, {'H', "#   ##   ##   #######   ##   ##   #"},
        {'I', " ###   #    #    #    #    #   ### "}, {'J', "  ###   #    #    #    # #  #  ##  "},
        {'K', "#   ##  # # #  ##   # #  #  # #   #"}, {'L', "#    #    #    #    #    #    #####"},
        {'M', "#   ### ### # ##   ##   ##   ##   #"}, {'N', "#   ###  ## # ##  ###   ##   ##   #"},
        {'O', " ### #   ##   ##   ##   ##   # ### "}, {'P', "#### #   ##   ##### #    #    #    "},
        {'Q', " ### #   ##   ##   ## # ##  #  ## #"}, {'R', "#### #   ##   ##### # #  #  # #   #"},
        {'S', " #####    #     ###     #    ##### "}, {'T', "#####  #    #    #    #    #    #  "},
        {'U', "#   ##   ##   ##   ##   ##   # ### "}, {'V', "#   ##   ##   ##   ##   # # #   #  "},
        {'W', "#   ##   ##   ## # ## # ## # # # # "}, {'X', "#   ##   # # #   #   # # #   ##   #"},
        {'Y', "#   ##   # # #   #    #    #    #  "}, {'Z', "#####    #   #   #   #   #    #####"},
        {'!', "  #    #    #    #    #         #  "}, {'?', " ### #   #    #   #   #         #  "},
    };
    for (const auto& g : kFont)
        if (g.c == c) return g.rows;
    return nullptr;
}

// Draws text with each font pixel sx x sy big; letters advance by 6 font pixels.
void Text(Picture& p, int x, int y, const char* text, int sx, int sy, std::uint8_t index) {
    for (; *text; ++text, x += 6 * sx) {
        const char* rows = Glyph(*text);
        if (!rows) continue;
        const std::size_t len = std::strlen(rows);
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c) {
                const std::size_t at = static_cast<std::size_t>(r * 5 + c);
                if (at < len && rows[at] == '#') FillRect(p, x + c * sx, y + r * sy, sx, sy, index);
            }
    }
}

int TextWidth(const char* text, int sx) {
    return static_cast<int>(std::strlen(text)) * 6 * sx - sx;
}

// Text with a dark rim and a top-to-bottom shading of hue h.
void BannerText(Picture& p, int x, int y, const char* text, int sx, int sy, int h) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy) Text(p, x + dx * 2, y + dy * 2, text, sx, sy, Hue(h, 1));
    Picture layer = MakePicture(p.width, p.height, kKey);
    Text(layer, x, y, text, sx, sy, 1);
    const int height = 7 * sy;
    for (int yy = std::max(0, y); yy < std::min(p.height, y + height); ++yy)
        for (int xx = 0; xx < p.width; ++xx)
            if (layer.at(xx, yy) == 1) p.at(xx, yy) = Hue(h, 13 - 6 * (yy - y) / height);
}

// ---- Shapes ----

// A five-pointed star, its first point straight up turned by `turn` radians.
void Star(Picture& p, double cx, double cy, double outer, double inner, std::uint8_t index, double turn = 0) {
    double xs[10], ys[10];
    for (int i = 0; i < 10; ++i) {
        const double a = -1.5707963 + turn + i * 0.6283185;
        const double r = i % 2 ? inner : outer;
        xs[i] = cx + r * std::cos(a);
        ys[i] = cy + r * std::sin(a);
    }
    FillPolygon(p, xs, ys, 10, index);
}

void Heart(Picture& p, double cx, double cy, double size, std::uint8_t index) {
    FillEllipse(p, cx - size * 0.5, cy - size * 0.2, size * 0.55, size * 0.5, index);
    FillEllipse(p, cx + size * 0.5, cy - size * 0.2, size * 0.55, size * 0.5, index);
    const double xs[3] = {cx - size * 1.02, cx + size * 1.02, cx};
    const double ys[3] = {cy, cy, cy + size * 1.1};
    FillPolygon(p, xs, ys, 3, index);
}

void Triangle(Picture& p, double x0, double y0, double x1, double y1, double x2, double y2,
              std::uint8_t index) {
    const double xs[3] = {x0, x1, x2}, ys[3] = {y0, y1, y2};
    FillPolygon(p, xs, ys, 3, index);
}

void Diamond(Picture& p, double cx, double cy, double rx, double ry, std::uint8_t index) {
    const double xs[4] = {cx, cx + rx, cx, cx - rx}, ys[4] = {cy - ry, cy, cy + ry, cy};
    FillPolygon(p, xs, ys, 4, index);
}

// An arrow pointing in direction d (0 up, 1 right, 2 down, 3 left) inside a square of side s.
void Arrow(Picture& p, int x, int y, int s, int d, std::uint8_t index) {
    double xs[7] = {0.5, 0.95, 0.68, 0.68, 0.32, 0.32, 0.05};
    double ys[7] = {0.05, 0.5, 0.5, 0.95, 0.95, 0.5, 0.5};
    for (int i = 0; i < 7; ++i) {
        double u = xs[i], v = ys[i];
        for (int k = 0; k < d; ++k) {
            const double t = u;
            u = 1 - v;
            v = t;
        }
        xs[i] = x + u * s;
        ys[i] = y + v * s;
    }
    FillPolygon(p, xs, ys, 7, index);
}

// A cheap repeatable speckle: true for about one pixel in `every`.
bool Speck(int x, int y, int seed, int every) {
    unsigned v = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u ^
                 static_cast<unsigned>(seed) * 83492791u;
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    v ^= v >> 15;
    return v % static_cast<unsigned>(every) == 0;
}

// ---- Block tiles ----

void Bevel(Picture& p, int x, int y, int h, int light, int mid, int dark) {
    FillRect(p, x, y, kCell, kCell, Hue(h, mid));
    FillRect(p, x, y, kCell, 2, Hue(h, light));
    FillRect(p, x, y, 2, kCell, Hue(h, light));
    FillRect(p, x, y + kCell - 2, kCell, 2, Hue(h, dark));
    FillRect(p, x + kCell - 2, y, 2, kCell, Hue(h, dark));
    FillRect(p, x + 5, y + 5, 4, 2, Hue(h, light + 2));
}

void Dirt(Picture& p, int x, int y, int top) {
    FillRect(p, x, y + top, kCell, kCell - top, Hue(1, 4));
    for (int yy = top; yy < kCell; ++yy)
        for (int xx = 0; xx < kCell; ++xx) {
            if (Speck(xx, yy, 1, 23)) SetPixel(p, x + xx, y + yy, Hue(1, 2));
            if (Speck(xx, yy, 2, 31)) SetPixel(p, x + xx, y + yy, Hue(1, 7));
        }
}

void Grass(Picture& p, int x, int y) {
    Dirt(p, x, y, 6);
    FillRect(p, x, y, kCell, 7, Hue(4, 6));
    FillRect(p, x, y, kCell, 2, Hue(4, 10));
    for (int xx = 0; xx < kCell; xx += 4)
        FillRect(p, x + xx + 1, y + 7, 2, 2 + (xx / 4) % 3, Hue(4, 5));
}

void Brick(Picture& p, int x, int y, int h) {
    FillRect(p, x, y, kCell, kCell, Grey(11));
    for (int row = 0; row < 4; ++row) {
        const int shift = row % 2 ? 8 : 0;
        for (int col = -1; col < 2; ++col) {
            const int bx = x + shift + col * 16, by = y + row * 8;
            const int left = std::max(bx, x), right = std::min(bx + 15, x + kCell);
            if (right <= left) continue;
            FillRect(p, left, by, right - left, 7, Hue(h, 4));
            FillRect(p, left, by, right - left, 1, Hue(h, 6));
        }
    }
}

void Crate(Picture& p, int x, int y) {
    FillRect(p, x, y, kCell, kCell, Hue(1, 6));
    for (int i = 0; i < 4; ++i)
        FillRect(p, x + 2, y + 2 + i * 7, kCell - 4, 1, Hue(1, 4));
    FrameRect(p, x, y, kCell, kCell, Hue(1, 2));
    FrameRect(p, x + 1, y + 1, kCell - 2, kCell - 2, Hue(1, 3));
    Line(p, x + 2, y + 2, x + 29, y + 29, Hue(1, 3));
    Line(p, x + 3, y + 2, x + 29, y + 28, Hue(1, 3));
}

void Bonus(Picture& p, int x, int y) {
    Bevel(p, x, y, 2, 12, 8, 3);
    Text(p, x + 9, y + 6, "?", 3, 3, Hue(1, 3));
    for (int i = 0; i < 4; ++i)
        SetPixel(p, x + (i % 2 ? 28 : 3), y + (i / 2 ? 28 : 3), Hue(1, 3));
}

void Water(Picture& p, int x, int y, int h) {
    FillRect(p, x, y, kCell, kCell, Hue(h, 5));
    for (int row = 0; row < 4; ++row)
        for (int xx = 0; xx < kCell; ++xx) {
            const int wave = static_cast<int>(std::lround(1.5 * std::sin((xx + row * 5) * 0.39)));
            SetPixel(p, x + xx, y + 4 + row * 8 + wave, Hue(h, 9));
        }
}

void Blocks(Picture& p) {
    // Row 0: the kinds of ground; further rows: bevelled, brick and chequered blocks in every hue.
    for (int n = 1; n < 15; ++n) {
        const int x = n * kCell;
        switch (n) {
        case 1:
            Grass(p, x, 0);
            break;
        case 2:
            Dirt(p, x, 0, 0);
            break;
        case 3:
            Brick(p, x, 0, 0);
            break;
        case 4:
            FillRect(p, x, 0, kCell, kCell, Grey(8));
            FillRect(p, x, 0, kCell, 2, Grey(12));
            FillRect(p, x, 0, 2, kCell, Grey(12));
            FillRect(p, x, 30, kCell, 2, Grey(4));
            FillRect(p, x + 30, 0, 2, kCell, Grey(4));
            Line(p, x + 8, 10, x + 14, 18, Grey(5));
            Line(p, x + 14, 18, x + 12, 26, Grey(5));
            break;
        case 5:
            Crate(p, x, 0);
            break;
        case 6:
            Bonus(p, x, 0);
            break;
        case 7:
            Bevel(p, x, 0, 6, 14, 10, 5);
            Line(p, x + 6, 24, x + 22, 8, kWhite);
            Line(p, x + 10, 26, x + 24, 12, Hue(6, 13));
            break;
        case 8:
            Water(p, x, 0, 7);
            break;
        case 9:
            FillEllipse(p, x + 10, 18, 9, 8, kWhite);
            FillEllipse(p, x + 20, 14, 10, 10, kWhite);
            FillEllipse(p, x + 24, 21, 8, 6, Grey(14));
            break;
        case 10:
            FillRect(p, x + 4, 0, 4, kCell, Hue(1, 5));
            FillRect(p, x + 24, 0, 4, kCell, Hue(1, 5));
            for (int r = 4; r < kCell; r += 8)
                FillRect(p, x + 8, r, 16, 3, Hue(1, 6));
            break;
        case 11:
            for (int k = 0; k < 4; ++k)
                Triangle(p, x + k * 8, 32, x + k * 8 + 4, 12, x + k * 8 + 8, 32, Grey(k % 2 ? 11 : 13));
            break;
        case 12:
            Water(p, x, 0, 0);
            for (int i = 0; i < 6; ++i)
                FillEllipse(p, x + 4 + i * 5, 6 + (i % 3) * 9, 2, 2, Hue(2, 9));
            break;
        case 13:
            FillEllipse(p, x + 10, 22, 10, 10, Hue(4, 4));
            FillEllipse(p, x + 22, 20, 10, 12, Hue(4, 5));
            FillEllipse(p, x + 16, 12, 9, 9, Hue(4, 7));
            FillEllipse(p, x + 13, 9, 3, 3, Hue(4, 10));
            break;
        default:
            FillRect(p, x, 0, kCell, kCell, Grey(11));
            FrameRect(p, x, 0, kCell, kCell, Grey(6));
            for (int i = 0; i < 4; ++i)
                FillRect(p, x + (i % 2 ? 26 : 4), i / 2 ? 26 : 4, 2, 2, Grey(5));
            break;
        }
    }
    for (int row = 1; row < p.height / kCell; ++row)
        for (int col = 0; col < 15; ++col) {
            const int x = col * kCell, y = row * kCell, h = (col + row * 5) % 12;
            switch (row % 3) {
            case 1:
                Bevel(p, x, y, h, 12, 7, 3);
                break;
            case 2:
                Brick(p, x, y, h);
                break;
            default:
                for (int q = 0; q < 4; ++q)
                    FillRect(p, x + (q % 2) * 16, y + (q / 2) * 16, 16, 16,
                             Hue(h, (q == 0 || q == 3) ? 6 : 9));
                FrameRect(p, x, y, kCell, kCell, Hue(h, 3));
                break;
            }
        }
}

// ---- Characters ----

// Turns every w x h cell of the picture round its vertical axis: the pictures are drawn facing right
// and the object sheets hold them facing left (the player shows a sheet's mirror for facing right).
void MirrorCells(Picture& p, int w, int h) {
    for (int y0 = 0; y0 + h <= p.height; y0 += h)
        for (int x0 = 0; x0 + w <= p.width; x0 += w)
            for (int y = y0; y < y0 + h; ++y)
                for (int x = 0; x < w / 2; ++x)
                    std::swap(p.at(x0 + x, y), p.at(x0 + w - 1 - x, y));
}

// The hero facing right in frame f (0 stand, 1-3 walk, 4 jump, 5 fall, 6 attack, 7 hurt), its
// clothes in hue h.
void Hero(Picture& p, int x, int y, int f, int h) {
    const bool hurt = f == 7;
    const std::uint8_t skin = hurt ? Hue(0, 10) : Hue(1, 12);
    const std::uint8_t cloth = hurt ? Hue(0, 6) : Hue(h, 6);
    const std::uint8_t clothLight = hurt ? Hue(0, 9) : Hue(h, 9);
    const std::uint8_t trousers = Hue(1, 3), boots = Hue(1, 2), hair = Hue(1, 3);
    const int lift = (f == 1 || f == 3) ? -1 : 0;
    y += lift;
    // cap with its peak in front, and hair
    FillRect(p, x + 10, y + 3, 13, 4, cloth);
    FillRect(p, x + 10, y + 3, 13, 1, clothLight);
    FillRect(p, x + 22, y + 6, 5, 2, cloth);
    FillRect(p, x + 10, y + 7, 4, 6, hair);
    // face
    FillRect(p, x + 13, y + 7, 10, 8, skin);
    FillRect(p, x + 19, y + 9, 2, 3, 0);
    FillRect(p, x + 22, y + 11, 2, 2, skin);
    // body
    FillRect(p, x + 11, y + 15, 11, 9, cloth);
    FillRect(p, x + 11, y + 15, 11, 2, clothLight);
    FillRect(p, x + 11, y + 21, 11, 2, Hue(1, 2));
    FillRect(p, x + 15, y + 21, 3, 2, Hue(2, 9));
    // arms
    if (f == 4) {
        FillRect(p, x + 8, y + 11, 3, 6, skin);
        FillRect(p, x + 22, y + 11, 3, 6, skin);
    } else if (f == 6) {
        FillRect(p, x + 8, y + 16, 3, 6, skin);
        FillRect(p, x + 22, y + 16, 6, 3, skin);
        FillRect(p, x + 27, y + 8, 2, 10, Grey(14));
        FillRect(p, x + 25, y + 17, 6, 2, Hue(2, 7));
    } else {
        const int swing = (f == 1) ? 2 : (f == 3) ? -2 : 0;
        FillRect(p, x + 8, y + 16 - swing / 2, 3, 6, skin);
        FillRect(p, x + 22, y + 16 + swing / 2, 3, 6, skin);
    }
    // legs
    int l0 = 12, l1 = 17, h0 = 5, h1 = 5;
    if (f == 1 || f == 3) {
        l0 = 10;
        l1 = 19;
    } else if (f == 2) {
        l0 = 13;
        l1 = 16;
    } else if (f == 4) {
        h0 = 3;
        l1 = 19;
    } else if (f == 5) {
        l0 = 10;
        l1 = 20;
    }
    FillRect(p, x + l0, y + 24, 4, h0, trousers);
    FillRect(p, x + l1, y + 24, 4, h1, trousers);
    FillRect(p, x + l0 - 1, y + 24 + h0, 5, 2, boots);
    FillRect(p, x + l1, y + 24 + h1, 5, 2, boots);
}

void Slime(Picture& p, int x, int y, int f, int h) {
    const double squash[8] = {0, 1, 2, 1, 0, -2, -3, -1};
    const double ry = 9 - squash[f % 8], rx = 12 + squash[f % 8] * 0.7;
    const double cy = 31 - ry;
    FillEllipse(p, x + 16, y + cy, rx, ry, Hue(h, 7));
    FillEllipse(p, x + 16, y + cy + ry * 0.35, rx * 0.9, ry * 0.55, Hue(h, 5));
    FillEllipse(p, x + 11, y + cy - ry * 0.45, 3, 2, Hue(h, 13));
    FillRect(p, x + 17, y + static_cast<int>(cy) - 2, 2, 4, 0);
    FillRect(p, x + 22, y + static_cast<int>(cy) - 2, 2, 4, 0);
}

void Bat(Picture& p, int x, int y, int f, int h) {
    const int up = f % 2 ? 1 : 0;
    const int cy = 14 + (f % 4 == 1 ? 1 : 0);
    if (up) {
        Triangle(p, x + 12, y + cy, x + 1, y + cy - 10, x + 4, y + cy + 4, Hue(h, 4));
        Triangle(p, x + 20, y + cy, x + 31, y + cy - 10, x + 28, y + cy + 4, Hue(h, 4));
    } else {
        Triangle(p, x + 12, y + cy - 2, x + 1, y + cy + 10, x + 6, y + cy + 2, Hue(h, 4));
        Triangle(p, x + 20, y + cy - 2, x + 31, y + cy + 10, x + 26, y + cy + 2, Hue(h, 4));
    }
    FillEllipse(p, x + 16, y + cy, 6, 6, Hue(h, 6));
    Triangle(p, x + 11, y + cy - 4, x + 12, y + cy - 10, x + 15, y + cy - 5, Hue(h, 6));
    Triangle(p, x + 21, y + cy - 4, x + 20, y + cy - 10, x + 17, y + cy - 5, Hue(h, 6));
    SetPixel(p, x + 14, y + cy - 1, kWhite);
    SetPixel(p, x + 18, y + cy - 1, kWhite);
}

// A moving platform: a plank on an iron frame, its lamps blinking in turn.
void Platform(Picture& p, int x, int y, int f) {
    FillRect(p, x + 1, y + 2, 30, 8, Hue(1, 6));
    FillRect(p, x + 1, y + 2, 30, 2, Hue(1, 10));
    for (int k = 8; k < 32; k += 8)
        FillRect(p, x + k, y + 4, 1, 6, Hue(1, 3));
    FillRect(p, x + 3, y + 10, 26, 3, Grey(6));
    Triangle(p, x + 5, y + 13, x + 27, y + 13, x + 16, y + 27, Grey(6));
    Triangle(p, x + 10, y + 13, x + 22, y + 13, x + 16, y + 21, kKey);
    FillEllipse(p, x + 16, y + 27, 3, 3, Grey(9));
    FillEllipse(p, x + 5, y + 11, 1.5, 1.5, Hue(2, f % 2 ? 5 : 11));
    FillEllipse(p, x + 27, y + 11, 1.5, 1.5, Hue(2, f % 2 ? 11 : 5));
}

// A fountain: a stone basin on a pillar, water rising and falling, a coin glinting in the spray.
void Fountain(Picture& p, int x, int y, int f) {
    FillRect(p, x + 12, y + 20, 8, 12, Grey(9));
    FillRect(p, x + 13, y + 20, 2, 12, Grey(12));
    FillEllipse(p, x + 16, y + 20, 13, 4, Grey(8));
    FillEllipse(p, x + 16, y + 19, 11, 2.5, Hue(7, 8));
    const int top = 4 + (f % 4 == 1 || f % 4 == 2 ? 2 : 0);
    FillRect(p, x + 15, y + top, 2, 18 - top, Hue(7, 11));
    FillEllipse(p, x + 11, y + top + 4, 2, 4, Hue(7, 12));
    FillEllipse(p, x + 21, y + top + 4, 2, 4, Hue(7, 12));
    FillEllipse(p, x + 16, y + top, 3, 2, kWhite);
    FillEllipse(p, x + (f % 2 ? 7 : 25), y + top + 8, 2.5, 2.5, Hue(2, 9));
}

// The castle's boss: a slime king in hue h, crowned, with heavy brows (drawn twice as large by its
// giant factor).
void SlimeKing(Picture& p, int x, int y, int f, int h) {
    const double squash[8] = {0, 1, 1.5, 1, 0, -1, -1.5, -1};
    const double ry = 10 - squash[f % 8], rx = 14 + squash[f % 8] * 0.6;
    const double cy = 31 - ry;
    FillEllipse(p, x + 16, y + cy, rx, ry, Hue(h, 6));
    FillEllipse(p, x + 16, y + cy + ry * 0.4, rx * 0.9, ry * 0.5, Hue(h, 4));
    FillEllipse(p, x + 10, y + cy - ry * 0.45, 3, 2, Hue(h, 12));
    // Eyes under slanted brows, and a mouth.
    FillRect(p, x + 17, y + static_cast<int>(cy) - 2, 3, 4, 0);
    FillRect(p, x + 23, y + static_cast<int>(cy) - 2, 3, 4, 0);
    Line(p, x + 16, y + static_cast<int>(cy) - 6, x + 20, y + static_cast<int>(cy) - 4, 0);
    Line(p, x + 27, y + static_cast<int>(cy) - 6, x + 23, y + static_cast<int>(cy) - 4, 0);
    FillRect(p, x + 19, y + static_cast<int>(cy) + 4, 6, 2, Hue(0, 3));
    // The crown on top, a gem in its middle.
    const int cb = y + static_cast<int>(cy - ry) + 1;
    const double xs[7] = {x + 9.0, x + 9.0, x + 12.5, x + 16.0, x + 19.5, x + 23.0, x + 23.0};
    const double ys[7] = {cb + 0.0, cb - 7.0, cb - 3.0, cb - 8.0, cb - 3.0, cb - 7.0, cb + 0.0};
    FillPolygon(p, xs, ys, 7, Hue(2, 8));
    FillRect(p, x + 9, cb - 1, 15, 2, Hue(1, 6));
    FillEllipse(p, x + 16, cb - 3, 1.5, 1.5, Hue(0, 7));
}

void Characters(Picture& p) {
    for (int col = 1; col < 15; ++col)
        for (int f = 0; f < p.height / kCell; ++f) {
            const int x = col * kCell, y = f * kCell;
            if (col == 1)
                Hero(p, x, y, f, 4);
            else if (col == 2)
                Slime(p, x, y, f, 4);
            else if (col == 3)
                Bat(p, x, y, f, 9);
            else if (col == 5)
                Platform(p, x, y, f);
            else if (col == 6)
                Fountain(p, x, y, f);
            else if (col == 9 || col == 10)
                SlimeKing(p, x, y, f, col == 9 ? 6 : 0);
            else if (col < 8)
                Hero(p, x, y, f, (col - 3) * 2 + 4);
            else if (col < 12)
                Slime(p, x, y, f, (col - 8) * 3);
            else
                Bat(p, x, y, f, (col - 12) * 4 + 1);
            bmp_writer::Outline(p, x, y, kCell, kCell, kKey, Hue(8, 0));
        }
    MirrorCells(p, kCell, kCell);
}

// ---- Shots, items, marks ----

// Shot picture n in frame f (0 or 1) drawn flying right in the 16 x 16 cell at (x, y): by n mod 5,
// 1 an arrow, 2 a ball, 3 a star, 4 a bolt, 0 an orb, in a hue of its own.
void ShotPicture(Picture& p, int x, int y, int n, int f) {
    const int h = n < 6 ? (n == 1 ? 1 : n * 2) : (n * 5) % 12;
    switch (n % 5) {
    case 1: // arrow: the fletching flutters
        FillRect(p, x + 2, y + 7, 10, 2, Hue(1, 5));
        Triangle(p, x + 11, y + 4, x + 16, y + 8, x + 11, y + 12, Grey(13));
        FillRect(p, x + 1, y + 5 + f, 2, 6 - 2 * f, Hue(h, 8));
        FillRect(p, x + 3, y + 4 + 2 * f, 2, 8 - 4 * f, Hue(h, 10));
        break;
    case 2: // ball: its shine goes round
        FillEllipse(p, x + 8, y + 8, 6, 6, Hue(h, 6));
        FillEllipse(p, x + 8, y + 8, 4, 4, Hue(h, 11));
        FillEllipse(p, x + (f ? 9 : 6.5), y + (f ? 9 : 6.5), 1.5, 1.5, kWhite);
        break;
    case 3: // star: it turns
        Star(p, x + 8, y + 8, 7.5, 3.2, Hue(h, 9), f * 0.6283185);
        break;
    case 4: // bolt: a trail behind a bright head
        FillEllipse(p, x + 8, y + 8, 7, 3 - f, Hue(h, 7));
        FillEllipse(p, x + 10, y + 8, 4, 1.5, kWhite);
        FillRect(p, x + 1, y + (f ? 5 : 10), 3, 1, Hue(h, 10));
        break;
    default: // orb: it pulses
        FillEllipse(p, x + 8, y + 8, 7 - f, 7 - f, Hue(h, 5));
        FillEllipse(p, x + 8, y + 8, 4 + f, 4 + f, Hue(h, 10));
        SetPixel(p, x + 8, y + 8, kWhite);
        break;
    }
}

// The shot sheet: 16 x 16 cells, 30 to a row; shot picture n stands in column n mod 30, its first
// frame in row (n / 30) x 2 and its second in the row below. The pictures fly left on the sheet (the
// player shows its mirror for a shot flying right).
void Shots(Picture& p) {
    constexpr int s = 16;
    for (int n = 1; n < 30 * (p.height / (2 * s)); ++n)
        for (int f = 0; f < 2; ++f) {
            const int x = (n % 30) * s, y = ((n / 30) * 2 + f) * s;
            ShotPicture(p, x, y, n, f);
            bmp_writer::Outline(p, x, y, s, s, kKey, Hue(8, 0));
        }
    MirrorCells(p, s, s);
}

void Item(Picture& p, int x, int y, int n, int h) {
    switch (n) {
    case 0: // coin
        FillEllipse(p, x + 16, y + 16, 11, 12, Hue(1, 6));
        FillEllipse(p, x + 15, y + 16, 9, 10, Hue(2, 8));
        FillRect(p, x + 14, y + 10, 3, 12, Hue(1, 6));
        FillEllipse(p, x + 11, y + 11, 2, 3, kWhite);
        break;
    case 1:
        Heart(p, x + 16, y + 13, 10, Hue(h, 7));
        FillEllipse(p, x + 10, y + 10, 2.5, 2, Hue(h, 13));
        break;
    case 2: // gem
        Diamond(p, x + 16, y + 16, 12, 14, Hue(h, 6));
        Diamond(p, x + 16, y + 14, 7, 8, Hue(h, 10));
        Diamond(p, x + 13, y + 11, 2, 3, kWhite);
        break;
    case 3: // key
        FillEllipse(p, x + 9, y + 16, 7, 7, Hue(2, 7));
        FillEllipse(p, x + 9, y + 16, 3, 3, kKey);
        FillRect(p, x + 15, y + 14, 14, 4, Hue(2, 7));
        FillRect(p, x + 23, y + 18, 3, 5, Hue(2, 7));
        FillRect(p, x + 27, y + 18, 2, 4, Hue(2, 7));
        break;
    case 4:
        Star(p, x + 16, y + 17, 15, 6.5, Hue(2, 8));
        Star(p, x + 16, y + 17, 9, 4, Hue(2, 12));
        break;
    case 5: // potion
        FillEllipse(p, x + 16, y + 21, 10, 9, Hue(h, 6));
        FillEllipse(p, x + 16, y + 23, 8, 6, Hue(h, 9));
        FillRect(p, x + 13, y + 5, 7, 9, Grey(13));
        FillRect(p, x + 12, y + 2, 9, 4, Hue(1, 4));
        FillEllipse(p, x + 11, y + 18, 2, 3, kWhite);
        break;
    case 6: // apple
        FillEllipse(p, x + 16, y + 19, 11, 10, Hue(0, 6));
        FillEllipse(p, x + 11, y + 15, 3, 3, Hue(0, 11));
        FillRect(p, x + 15, y + 4, 2, 6, Hue(1, 3));
        FillEllipse(p, x + 21, y + 7, 5, 2.5, Hue(4, 6));
        break;
    case 7: { // shield
        const double xs[6] = {5, 27, 27, 16, 16, 5}, ys[6] = {4, 4, 18, 30, 30, 18};
        double px[6], py[6];
        for (int i = 0; i < 6; ++i) {
            px[i] = x + xs[i];
            py[i] = y + ys[i];
        }
        FillPolygon(p, px, py, 6, Hue(8, 6));
        FillRect(p, x + 14, y + 7, 4, 18, Hue(2, 8));
        FillRect(p, x + 8, y + 12, 16, 4, Hue(2, 8));
        break;
    }
    case 8: // sword
        Triangle(p, x + 6, y + 26, x + 24, y + 4, x + 28, y + 8, Grey(14));
        Line(p, x + 5, y + 21, x + 11, y + 27, Hue(2, 7));
        Line(p, x + 6, y + 21, x + 12, y + 27, Hue(2, 7));
        Line(p, x + 3, y + 29, x + 7, y + 25, Hue(1, 3));
        Line(p, x + 4, y + 29, x + 8, y + 25, Hue(1, 3));
        break;
    case 9: // clock
        FillEllipse(p, x + 16, y + 16, 13, 13, Hue(h, 5));
        FillEllipse(p, x + 16, y + 16, 11, 11, kWhite);
        Line(p, x + 16, y + 16, x + 16, y + 8, 0);
        Line(p, x + 16, y + 16, x + 22, y + 18, 0);
        break;
    case 10: // bomb
        FillEllipse(p, x + 15, y + 19, 11, 11, Grey(3));
        FillEllipse(p, x + 11, y + 15, 3, 3, Grey(9));
        Line(p, x + 20, y + 9, x + 25, y + 4, Hue(1, 5));
        Star(p, x + 26, y + 4, 4, 1.8, Hue(1, 9));
        break;
    case 11: // flower
        for (int i = 0; i < 5; ++i) {
            const double a = i * 1.2566;
            FillEllipse(p, x + 16 + 7 * std::cos(a), y + 14 + 7 * std::sin(a), 5, 5, Hue(h, 9));
        }
        FillEllipse(p, x + 16, y + 14, 4, 4, Hue(2, 8));
        FillRect(p, x + 15, y + 21, 2, 10, Hue(4, 5));
        break;
    case 12: { // crown
        const double xs[7] = {4, 4, 10, 16, 22, 28, 28}, ys[7] = {26, 8, 16, 6, 16, 8, 26};
        double px[7], py[7];
        for (int i = 0; i < 7; ++i) {
            px[i] = x + xs[i];
            py[i] = y + ys[i];
        }
        FillPolygon(p, px, py, 7, Hue(2, 8));
        FillRect(p, x + 4, y + 22, 24, 4, Hue(1, 6));
        FillEllipse(p, x + 16, y + 18, 2.5, 2.5, Hue(0, 7));
        break;
    }
    case 13: // sign
        FillRect(p, x + 14, y + 16, 4, 15, Hue(1, 3));
        FillRect(p, x + 3, y + 4, 26, 15, Hue(1, 7));
        FrameRect(p, x + 3, y + 4, 26, 15, Hue(1, 3));
        for (int r = 0; r < 3; ++r)
            FillRect(p, x + 7, y + 8 + r * 4, r == 2 ? 10 : 18, 1, Hue(1, 2));
        break;
    default: // ring
        FillEllipse(p, x + 16, y + 19, 10, 10, Hue(2, 7));
        FillEllipse(p, x + 16, y + 19, 7, 7, kKey);
        Diamond(p, x + 16, y + 8, 5, 5, Hue(h, 9));
        break;
    }
}

// Item picture n (1 to 29) in frame f (0 or 1) in the 32 x 32 cell at (x, y): 1 a coin, 2 a gem,
// 3 a key, 4 a heart, 5 a star, 6 a sign, 7 a potion, 8 an apple, 9 a shield, 10 a sword, 11 a clock,
// 12 a bomb, 13 a flower, 14 a crown; 15 to 29 gems, potions and flowers in every hue. The second
// frame turns the coin edge-on, lets the heart beat and the star turn, and puts a glint on the others
// (the sign stays as it is).
void ItemPicture(Picture& p, int x, int y, int n, int f) {
    constexpr int kKinds[15] = {14, 0, 2, 3, 1, 4, 13, 5, 6, 7, 8, 9, 10, 11, 12};
    const int kind = n < 15 ? kKinds[n] : (n % 3 == 0 ? 2 : n % 3 == 1 ? 5 : 11);
    const int h = n < 15 ? 0 : n - 15;
    if (f == 1 && kind == 0) { // the coin seen edge-on
        FillEllipse(p, x + 16, y + 16, 4, 12, Hue(1, 6));
        FillEllipse(p, x + 16, y + 16, 2, 10, Hue(2, 8));
        return;
    }
    if (f == 1 && kind == 1) { // a beat of the heart
        Heart(p, x + 16, y + 13, 12, Hue(0, 7));
        FillEllipse(p, x + 9, y + 9, 3, 2.5, Hue(0, 13));
        return;
    }
    if (f == 1 && kind == 4) { // the star turned
        Star(p, x + 16, y + 17, 15, 6.5, Hue(2, 8), 0.6283185);
        Star(p, x + 16, y + 17, 9, 4, Hue(2, 12), 0.6283185);
        return;
    }
    Item(p, x, y, kind, kind == 1 ? 0 : h);
    if (f == 1 && kind != 13) {
        FillRect(p, x + 24, y + 2, 1, 7, kWhite);
        FillRect(p, x + 21, y + 5, 7, 1, kWhite);
    }
}

// The item sheet: item picture n stands in column n mod 15, its first frame in row (n / 15) x 2
// and its second in the row below.
void Items(Picture& p) {
    for (int n = 1; n < 15 * (p.height / (2 * kCell)); ++n)
        for (int f = 0; f < 2; ++f) {
            const int x = (n % 15) * kCell, y = ((n / 15) * 2 + f) * kCell;
            ItemPicture(p, x, y, n, f);
            bmp_writer::Outline(p, x, y, kCell, kCell, kKey, Hue(8, 0));
        }
}

void Balloon(Picture& p, int x, int y, const char* text, std::uint8_t ink) {
    FillEllipse(p, x + 16, y + 13, 13, 12, kWhite);
    Triangle(p, x + 10, y + 22, x + 20, y + 22, x + 12, y + 31, kWhite);
    Text(p, x + 9, y + 3, text, 3, 3, ink);
}

void Marks(Picture& p) {
    for (int col = 1; col < 15; ++col) {
        const int x = col * kCell;
        switch (col) {
        case 1:
            Balloon(p, x, 0, "!", Hue(0, 6));
            break;
        case 2:
            Balloon(p, x, 0, "?", Hue(8, 6));
            break;
        case 3:
            Star(p, x + 16, 16, 15, 3, Hue(2, 12));
            Star(p, x + 16, 16, 7, 2, kWhite);
            break;
        case 4:
        case 5:
        case 6:
        case 7:
            Arrow(p, x + 2, 2, 28, col - 4, Hue(2, 8));
            break;
        case 8:
            FillEllipse(p, x + 16, 16, 14, 14, Hue(0, 7));
            FillEllipse(p, x + 16, 16, 10, 10, kKey);
            break;
        case 9:
            for (int d = -2; d <= 2; ++d) {
                Line(p, x + 4 + d, 4, x + 27 + d, 27, Hue(0, 7));
                Line(p, x + 27 + d, 4, x + 4 + d, 27, Hue(0, 7));
            }
            break;
        case 10:
            Heart(p, x + 16, 13, 11, Hue(11, 7));
            Heart(p, x + 16, 13, 6, kKey);
            break;
        case 11: // note
            FillEllipse(p, x + 11, 25, 6, 4.5, Hue(9, 7));
            FillRect(p, x + 15, 4, 3, 21, Hue(9, 7));
            FillRect(p, x + 15, 4, 11, 4, Hue(9, 7));
            break;
        case 12: // smoke
            FillEllipse(p, x + 11, 19, 8, 8, Grey(12));
            FillEllipse(p, x + 20, 15, 9, 9, Grey(13));
            FillEllipse(p, x + 17, 23, 8, 6, Grey(11));
            break;
        case 13: // target
            for (int r = 14, i = 0; r > 0; r -= 4, ++i)
                FillEllipse(p, x + 16, 16, r, r, i % 2 ? kWhite : Hue(0, 7));
            break;
        default: { // drop
            Triangle(p, x + 16, 2, x + 8, 20, x + 24, 20, Hue(7, 8));
            FillEllipse(p, x + 16, 21, 8, 8, Hue(7, 8));
            FillEllipse(p, x + 13, 20, 2, 3, kWhite);
            break;
        }
        }
    }
    // Row 1: the digits on coloured disks; row 2: sparkles in every hue.
    for (int col = 0; col < 15; ++col) {
        const int x = col * kCell;
        if (col < 10) {
            FillEllipse(p, x + 16, 48, 14, 14, Hue(col, 6));
            const char digit[2] = {static_cast<char>('0' + col), 0};
            Text(p, x + 11, 38, digit, 2, 3, kWhite);
        }
        Star(p, x + 16, 80, 14, 4, Hue(col, 10));
        bmp_writer::Outline(p, x, 0, kCell, p.height, kKey, Hue(8, 0));
    }
}

// The marks as the player reads them: mark n in column n / 15, row n mod 15 (drawn above in rows).
void MarkColumns(Picture& p) {
    Picture rows = MakePicture(15 * kCell, 3 * kCell, kKey);
    Marks(rows);
    for (int n = 0; n < 45; ++n)
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x)
                p.at((n / 15) * kCell + x, (n % 15) * kCell + y) =
                    rows.at((n % 15) * kCell + x, (n / 15) * kCell + y);
}

// ---- Screens and sheets ----

void Gradient(Picture& p, int x, int y, int w, int h, int hue, int fromShade, int toShade) {
    // Bands of shades with a two-pixel dither where they meet.
    for (int yy = 0; yy < h; ++yy) {
        const double t = h > 1 ? static_cast<double>(yy) / (h - 1) : 0;
        const double shade = fromShade + (toShade - fromShade) * t;
        const int low = static_cast<int>(std::floor(shade));
        const double frac = shade - low;
        for (int xx = 0; xx < w; ++xx) {
            const double threshold = ((xx + yy) % 2 == 0) ? 0.25 : 0.75;
            SetPixel(p, x + xx, y + yy, Hue(hue, frac > threshold ? low + 1 : low));
        }
    }
}

Picture WindowFill() {
    Picture p = MakePicture(640, 480, Hue(8, 1));
    Gradient(p, 0, 0, 640, 480, 8, 3, 1);
    for (int y = 0; y < 480; y += 8)
        for (int x = (y / 8) % 2 * 4; x < 640; x += 8)
            SetPixel(p, x, y, Hue(8, 4));
    return p;
}

Picture StatusSheet() {
    // Taller than 208 rows: the gauges over characters take their own strips from row 208.
    Picture p = MakePicture(640, 224, kKey);
    // The bar behind the status items (640 x 20).
    Gradient(p, 0, 0, 640, 20, 8, 4, 1);
    FillRect(p, 0, 0, 640, 1, Hue(8, 9));
    FillRect(p, 0, 19, 640, 1, 0);
    // Icons (16 x 16) from (0, 32): score, total score, HP, SP, lives.
    FillEllipse(p, 8, 40, 6, 6, Hue(2, 8));
    FillRect(p, 7, 36, 2, 8, Hue(1, 5));
    FillEllipse(p, 22, 41, 5, 5, Hue(2, 6));
    FillEllipse(p, 26, 38, 5, 5, Hue(2, 9));
    Heart(p, 40, 39, 5.5, Hue(0, 7));
    Star(p, 56, 40, 7.5, 3.2, Hue(7, 9));
    FillEllipse(p, 72, 39, 5, 5, Hue(1, 12));
    FillRect(p, 66, 33, 12, 4, Hue(4, 6));
    FillRect(p, 73, 38, 1, 2, 0);
    bmp_writer::Outline(p, 0, 32, 80, 16, kKey, Hue(8, 0));
    // Gauge frames (50 x 16) at (0, 128) and (64, 128); their fills, full at row 144, low at 160.
    for (int g = 0; g < 2; ++g) {
        const int x = g * 64;
        FillRect(p, x, 128, 50, 16, Grey(2));
        FrameRect(p, x, 128, 50, 16, Grey(13));
        Gradient(p, x, 144, 50, 16, g == 0 ? 4 : 7, 11, 5);
        Gradient(p, x, 160, 50, 16, 0, 11, 5);
    }
    // The gauges over characters, 50 x 2 strips from row 208 (HP from x 0, SP from x 64): the empty
    // gauge, its fill, its fill when low, what a loss took away and what a gain added.
    for (int g = 0; g < 2; ++g) {
        const int x = g * 64;
        FillRect(p, x, 208, 50, 2, Grey(2));
        FillRect(p, x, 210, 50, 2, Hue(g == 0 ? 4 : 7, 9));
        FillRect(p, x, 212, 50, 2, Hue(0, 8));
        FillRect(p, x, 214, 50, 2, Hue(1, 12));
        FillRect(p, x, 216, 50, 2, kWhite);
    }
    return p;
}

Picture TitlePicture() {
    Picture p = MakePicture(640, 480, 0);
    Gradient(p, 0, 0, 640, 360, 7, 3, 12);
    FillEllipse(p, 520, 90, 40, 40, Hue(2, 12));
    FillEllipse(p, 520, 90, 32, 32, Hue(2, 14));
    const int clouds[4][3] = {{90, 150, 0}, {250, 110, 1}, {420, 190, 0}, {570, 230, 1}};
    for (const auto& c : clouds) {
        FillEllipse(p, c[0], c[1], 40, 14, kWhite);
        FillEllipse(p, c[0] - 22, c[1] + 4, 24, 11, Grey(14));
        FillEllipse(p, c[0] + 20, c[1] - 8, 26, 14, kWhite);
    }
    // Far mountains, then green hills.
    const int peaks[5][2] = {{60, 210}, {190, 170}, {330, 220}, {450, 160}, {600, 200}};
    for (const auto& m : peaks) {
        Triangle(p, m[0] - 150, 360, m[0], m[1], m[0] + 150, 360, Hue(9, 4));
        Triangle(p, m[0] - 30, m[1] + 36, m[0], m[1], m[0] + 30, m[1] + 36, Grey(14));
    }
    FillEllipse(p, 120, 390, 260, 90, Hue(4, 5));
    FillEllipse(p, 520, 400, 240, 100, Hue(4, 4));
    // A castle on the right hill.
    FillRect(p, 480, 250, 90, 70, Grey(10));
    for (int t = 0; t < 3; ++t) {
        FillRect(p, 470 + t * 45, 220, 20, 100, Grey(11));
        Triangle(p, 466 + t * 45, 222, 480 + t * 45, 195, 494 + t * 45, 222, Hue(0, 5));
    }
    FillEllipse(p, 525, 310, 12, 16, Grey(3));
    FillRect(p, 513, 310, 24, 10, Grey(3));
    for (int w = 0; w < 3; ++w)
        FillRect(p, 476 + w * 45, 240, 6, 10, Grey(3));
    // Ground of grass blocks with the hero on it.
    for (int x = 0; x < 640; x += kCell) {
        Grass(p, x, 416);
        Dirt(p, x, 448, 0);
    }
    Picture hero = MakePicture(kCell, kCell, kKey);
    Hero(hero, 0, 0, 0, 4);
    bmp_writer::Outline(hero, 0, 0, kCell, kCell, kKey, Hue(8, 0));
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell; ++x)
            if (hero.at(x, y) != kKey) FillRect(p, 96 + x * 2, 352 + y * 2, 2, 2, hero.at(x, y));
    // The title.
    const char* title = "MIRELDA4";
    BannerText(p, (640 - TextWidth(title, 8)) / 2, 48, title, 8, 8, 2);
    const char* demo = "DEMO";
    BannerText(p, (640 - TextWidth(demo, 4)) / 2, 124, demo, 4, 4, 0);
    return p;
}

Picture Accessories() {
    Picture p = MakePicture(128, 128, kKey);
    // The menu cursor (32 x 32 at (0, 0)) in two positions, the list cursor (16 x 16 at (64, 0)).
    for (int k = 0; k < 2; ++k) {
        Triangle(p, 4 + k * 34, 4, 28 + k * 34, 16, 4 + k * 34, 28, Hue(2, 8));
        Triangle(p, 8 + k * 34, 10, 20 + k * 34, 16, 8 + k * 34, 22, Hue(2, 12));
        Triangle(p, 66 + k * 16, 2, 78 + k * 16, 8, 66 + k * 16, 14, Hue(2, 9));
    }
    // Life icon (0, 48) and the new-record mark (16, 48), 16 x 16 each.
    FillEllipse(p, 8, 57, 5, 5, Hue(1, 12));
    FillRect(p, 2, 50, 12, 4, Hue(4, 6));
    FillRect(p, 9, 56, 1, 2, 0);
    Star(p, 24, 56, 8, 3.6, Hue(0, 7));
    Text(p, 22, 53, "N", 1, 1, kWhite);
    // The challenge menu's cleared mark (96, 0), 32 x 32.
    Star(p, 112, 16, 14, 6, Hue(0, 7));
    Star(p, 112, 16, 8, 3.4, Hue(0, 12));
    bmp_writer::Outline(p, 0, 0, 128, 64, kKey, Hue(8, 0));
    // The world map's marker, 32 x 32, two frames side by side for each facing: down at (0, 64), up
    // at (64, 64), left at (64, 96), right at (0, 96). A round walker with a nose towards its facing;
    // the second frame bobs one pixel.
    const struct {
        int x, y, dx, dy;
    } facings[] = {{0, 64, 0, 1}, {64, 64, 0, -1}, {64, 96, -1, 0}, {0, 96, 1, 0}};
    for (const auto& f : facings)
        for (int k = 0; k < 2; ++k) {
            const int cx = f.x + 32 * k + 16, cy = f.y + 17 - k;
            FillEllipse(p, cx, cy, 10, 11, Hue(6, 6));
            FillEllipse(p, cx, cy - 2, 7, 7, Hue(6, 11));
            FillEllipse(p, cx + 7 * f.dx, cy + 7 * f.dy, 3, 3, Hue(0, 10));
            FillRect(p, cx - 7, f.y + 28 - k, 5, 3, Hue(8, 3));
            FillRect(p, cx + 2, f.y + 28 - k, 5, 3, Hue(8, 3));
        }
    return p;
}

Picture Symbols() {
    // One 16 x 16 symbol for each letter a to z.
    Picture p = MakePicture(26 * 16, 16, kKey);
    for (int k = 0; k < 26; ++k) {
        const int x = k * 16, h = k % 2 ? (k * 5) % 12 : (k * 7 + 3) % 12;
        switch (k % 13) {
        case 0:
            FillEllipse(p, x + 8, 8, 6, 6, Hue(h, 8));
            break;
        case 1:
            Triangle(p, x + 8, 2, x + 14, 14, x + 2, 14, Hue(h, 8));
            break;
        case 2:
            FillRect(p, x + 3, 3, 10, 10, Hue(h, 8));
            break;
        case 3:
            Diamond(p, x + 8, 8, 6, 7, Hue(h, 8));
            break;
        case 4:
            Star(p, x + 8, 8.5, 7.5, 3.2, Hue(h, 9));
            break;
        case 5:
            Heart(p, x + 8, 7, 5, Hue(h, 7));
            break;
        case 6:
        case 7:
        case 8:
        case 9:
            Arrow(p, x + 1, 1, 14, k % 13 - 6, Hue(h, 8));
            break;
        case 10:
            Line(p, x + 3, 3, x + 12, 12, Hue(h, 7));
            Line(p, x + 4, 3, x + 13, 12, Hue(h, 7));
            Line(p, x + 12, 3, x + 3, 12, Hue(h, 7));
            Line(p, x + 13, 3, x + 4, 12, Hue(h, 7));
            break;
        case 11:
            Triangle(p, x + 8, 1, x + 4, 9, x + 12, 9, Hue(h, 8));
            FillEllipse(p, x + 8, 10, 4, 4, Hue(h, 8));
            break;
        default: {
            const double xs[6] = {9.0 + x, 3.0 + x, 8.0 + x, 6.0 + x, 13.0 + x, 8.0 + x};
            const double ys[6] = {1, 9, 9, 15, 6, 6};
            FillPolygon(p, xs, ys, 6, Hue(2, 9));
            break;
        }
        }
    }
    bmp_writer::Outline(p, 0, 0, p.width, p.height, kKey, Hue(8, 0));
    return p;
}

Picture Words() {
    Picture p = MakePicture(320, 192, kKey);
    // Banners: stage (0, 0), replay (0, 32), clear (0, 64), 128 x 32; game over (0, 96), 144 x 32.
    const struct {
        const char* text;
        int y, width, sx, hue;
    } banners[4] = {{"STAGE", 0, 128, 3, 2},
                    {"REPLAY", 32, 128, 3, 6},
                    {"CLEAR!", 64, 128, 3, 4},
                    {"GAME OVER", 96, 144, 2, 0}};
    for (const auto& b : banners)
        BannerText(p, (b.width - TextWidth(b.text, b.sx)) / 2, b.y + 5, b.text, b.sx, 3, b.hue);
    // Digits 32 x 32: from (0, 128) for the stage number, from (0, 160) for the time.
    for (int d = 0; d < 10; ++d) {
        const char digit[2] = {static_cast<char>('0' + d), 0};
        BannerText(p, d * 32 + 6, 130, digit, 4, 4, 2);
        BannerText(p, d * 32 + 6, 162, digit, 4, 4, 7);
    }
    return p;
}

void MapChip(Picture& p, int x, int y, int n) {
    const auto grass = [&](int shade) {
        FillRect(p, x, y, kCell, kCell, Hue(4, shade));
        for (int yy = 0; yy < kCell; ++yy)
            for (int xx = 0; xx < kCell; ++xx)
                if (Speck(xx, yy, n, 17)) SetPixel(p, x + xx, y + yy, Hue(4, shade + 2));
    };
    switch (n) {
    case 0: // sea
        Water(p, x, y, 8);
        break;
    case 1: // mountain
        grass(5);
        Triangle(p, x + 1, y + 30, x + 16, y + 3, x + 31, y + 30, Hue(1, 4));
        Triangle(p, x + 11, y + 12, x + 16, y + 3, x + 21, y + 12, kWhite);
        break;
    case 2: // forest
        grass(4);
        for (int t = 0; t < 4; ++t) {
            const int tx = x + 8 + (t % 2) * 16, ty = y + 8 + (t / 2) * 14;
            Triangle(p, tx - 7, ty + 8, tx, ty - 8, tx + 7, ty + 8, Hue(4, 3));
            FillRect(p, tx - 1, ty + 8, 2, 3, Hue(1, 3));
        }
        break;
    case 3: // rocks
        grass(5);
        FillEllipse(p, x + 11, y + 18, 9, 8, Grey(8));
        FillEllipse(p, x + 22, y + 12, 7, 7, Grey(10));
        break;
    case 4: // lava
        Water(p, x, y, 0);
        break;
    case 5:
        grass(6);
        break;
    case 6: // road
        grass(6);
        FillRect(p, x, y + 10, kCell, 12, Hue(2, 10));
        break;
    case 7: // bridge
        Water(p, x, y, 8);
        FillRect(p, x, y + 8, kCell, 16, Hue(1, 6));
        for (int i = 0; i < kCell; i += 6)
            FillRect(p, x + i, y + 8, 1, 16, Hue(1, 3));
        break;
    case 8: // flowers
        grass(6);
        for (int i = 0; i < 6; ++i)
            FillEllipse(p, x + 5 + (i * 11) % 24, y + 5 + (i * 7) % 24, 2, 2, Hue(i * 2, 10));
        break;
    case 9: // sand
        FillRect(p, x, y, kCell, kCell, Hue(2, 11));
        for (int yy = 0; yy < kCell; ++yy)
            for (int xx = 0; xx < kCell; ++xx)
                if (Speck(xx, yy, 9, 13)) SetPixel(p, x + xx, y + yy, Hue(1, 9));
        break;
    default:
        grass(3 + n % 5);
        break;
    }
}

Picture MapChips() {
    Picture p = MakePicture(5 * kCell, 4 * kCell, kKey);
    for (int n = 0; n < 20; ++n)
        MapChip(p, (n % 5) * kCell, (n / 5) * kCell, n);
    return p;
}

Picture NodeIcons() {
    // Row r is icon r (0 a round marker, 1 a castle, 2 a gate, 3 a house, 4 a cave); column 0 a node
    // not yet cleared, column 1 a cleared one.
    Picture p = MakePicture(2 * kCell, 5 * kCell, kKey);
    for (int c = 0; c < 2; ++c) {
        const int x = c * kCell;
        FillEllipse(p, x + 16, 16, 11, 9, Hue(c ? 8 : 0, 4));
        FillEllipse(p, x + 16, 14, 9, 7, Hue(c ? 8 : 0, 8));
        FillEllipse(p, x + 13, 11, 3, 2, kWhite);
        // castle
        FillRect(p, x + 6, 46, 20, 14, Grey(11));
        FillRect(p, x + 4, 40, 6, 20, Grey(12));
        FillRect(p, x + 22, 40, 6, 20, Grey(12));
        FillRect(p, x + 13, 52, 6, 8, Grey(3));
        if (c) {
            FillRect(p, x + 15, 34, 1, 12, Grey(4));
            Triangle(p, x + 16, 34, x + 24, 37, x + 16, 40, Hue(0, 7));
        }
        // gate: closed bars, or open
        FillRect(p, x + 4, 70, 24, 24, Grey(6));
        if (c == 0)
            for (int b = 0; b < 5; ++b)
                FillRect(p, x + 7 + b * 4, 72, 2, 22, Grey(12));
        else
            FillRect(p, x + 8, 74, 16, 20, Grey(2));
        // house
        Triangle(p, x + 3, 110, x + 16, 98, x + 29, 110, Hue(0, 5));
        FillRect(p, x + 6, 110, 20, 14, Hue(2, 11));
        FillRect(p, x + 14, 116, 5, 8, Hue(1, 4));
        if (c) FillRect(p, x + 8, 113, 4, 4, Hue(2, 8));
        // cave: a rock with a dark mouth, lit once cleared
        FillEllipse(p, x + 16, 146, 14, 13, Grey(7));
        FillEllipse(p, x + 12, 140, 5, 4, Grey(10));
        FillRect(p, x + 2, 152, 28, 7, Grey(6));
        FillEllipse(p, x + 16, 152, 7, 8, c ? Hue(1, 8) : Grey(1));
        FillRect(p, x + 9, 152, 15, 7, c ? Hue(1, 8) : Grey(1));
    }
    bmp_writer::Outline(p, 0, 0, p.width, p.height, kKey, Hue(8, 0));
    return p;
}

// The world map's back picture, the size of the 20 x 15 cell map: open sea with rows of waves.
Picture WorldBack() {
    Picture p = MakePicture(20 * kCell, 15 * kCell, Hue(8, 5));
    for (int y = 0; y < p.height; y += 16)
        for (int x = (y / 16) % 2 * 24; x < p.width; x += 48) {
            Line(p, x, y + 8, x + 6, y + 5, Hue(8, 9));
            Line(p, x + 6, y + 5, x + 12, y + 8, Hue(8, 9));
        }
    return p;
}

Picture GameModes() {
    // One 32-pixel row per title menu item, in item order: new game, continue, challenge, free play,
    // replay, options, quit.
    const char* const items[] = {"NEW GAME", "CONTINUE", "CHALLENGE", "FREE PLAY",
                                 "REPLAY",   "OPTIONS",  "QUIT"};
    Picture p = MakePicture(192, 7 * kCell, kKey);
    for (int k = 0; k < 7; ++k)
        BannerText(p, (p.width - TextWidth(items[k], 3)) / 2, k * kCell + 5, items[k], 3, 3, 2 + k % 3 * 3);
    return p;
}

// Character sheet n (2 to 8): the sheet of sheet 1 with its characters in other colours, for the
// characters a project puts on its further sheets.
void OtherCharacters(Picture& p, int n) {
    for (int col = 1; col < 15; ++col)
        for (int f = 0; f < p.height / kCell; ++f) {
            const int x = col * kCell, y = f * kCell, hue = (col + n * 5) % 12;
            if (col % 3 == 1)
                Hero(p, x, y, f, hue);
            else if (col % 3 == 2)
                Slime(p, x, y, f, hue);
            else
                Bat(p, x, y, f, hue);
            bmp_writer::Outline(p, x, y, kCell, kCell, kKey, Hue(8, 0));
        }
    MirrorCells(p, kCell, kCell);
}

Picture DebugSheet() {
    // Frames for showing boxes: hit box, attack box, block box, centre mark.
    Picture p = MakePicture(4 * kCell, kCell, kKey);
    const std::uint8_t colours[4] = {Hue(0, 8), Hue(4, 8), Hue(8, 9), Hue(2, 8)};
    for (int i = 0; i < 4; ++i) {
        FrameRect(p, i * kCell, 0, kCell, kCell, colours[i]);
        FrameRect(p, i * kCell + 1, 1, kCell - 2, kCell - 2, colours[i]);
    }
    FillRect(p, 3 * kCell + 15, 8, 2, 16, colours[3]);
    FillRect(p, 3 * kCell + 8, 15, 16, 2, colours[3]);
    return p;
}

Picture PalettePicture() {
    // The palette as the drawing library reads it from pixels: entry i at (i % 16, 8 + i / 16); the
    // top-left pixel gives the transparent colour. Beside it the same colours in 8 x 8 squares, for
    // people looking at the file.
    Picture p = MakePicture(160, 136, FileIndex(kKey));
    for (int i = 0; i < 256; ++i) {
        const auto index = static_cast<std::uint8_t>(i);
        p.at(i % 16, 8 + i / 16) = index;
        FillRect(p, 24 + (i % 16) * 8, 8 + (i / 16) * 8, 8, 8, index);
    }
    return p;
}

Picture Drawn(int w, int h, void (*draw)(Picture&)) {
    Picture p = MakePicture(w, h, kKey);
    draw(p);
    return p;
}

} // namespace

// Pictures are drawn with black as entry 0 and the transparent colour as entry 255; the files hold them
// the other way round (the demo palette's order).
void ToFileIndexes(Picture& p) {
    for (auto& px : p.pixels)
        px = FileIndex(px);
}

std::vector<Sheet> SystemPictures() {
    std::vector<Sheet> sheets;
    sheets.push_back({"bmp\\plt\\Palette.bmp", PalettePicture()});
    sheets.push_back({"bmp\\Debug.bmp", DebugSheet()});
    sheets.push_back({"bmp\\Block.bmp", Drawn(15 * kCell, 8 * kCell, Blocks)});
    sheets.push_back({"bmp\\Character1.bmp", Drawn(15 * kCell, 8 * kCell, Characters)});
    for (int n = 2; n <= 8; ++n) {
        Picture p = MakePicture(15 * kCell, 8 * kCell, kKey);
        OtherCharacters(p, n);
        sheets.push_back({"bmp\\Character" + std::to_string(n) + ".bmp", std::move(p)});
    }
    sheets.push_back({"bmp\\Shot.bmp", Drawn(30 * 16, 4 * 16, Shots)});
    Picture items = Drawn(15 * kCell, 4 * kCell, Items);
    sheets.push_back({"bmp\\Item_Mini.bmp", bmp_writer::HalfSize(items, kKey)});
    sheets.push_back({"bmp\\Item.bmp", std::move(items)});
    sheets.push_back({"bmp\\Mark.bmp", Drawn(3 * kCell, 15 * kCell, MarkColumns)});
    sheets.push_back({"bmp\\Window.bmp", WindowFill()});
    sheets.push_back({"bmp\\StatusWindow.bmp", StatusSheet()});
    sheets.push_back({"bmp\\Title.bmp", TitlePicture()});
    sheets.push_back({"bmp\\GameMode.bmp", GameModes()});
    sheets.push_back({"bmp\\Accessory.bmp", Accessories()});
    sheets.push_back({"bmp\\Symbol.bmp", Symbols()});
    sheets.push_back({"bmp\\Word.bmp", Words()});
    sheets.push_back({"bmp\\WorldMapChip.bmp", MapChips()});
    sheets.push_back({"bmp\\WorldEvent.bmp", NodeIcons()});
    sheets.push_back({"bmp\\WorldBack.bmp", WorldBack()});
    // The palette picture is laid out in file indexes already.
    for (std::size_t i = 1; i < sheets.size(); ++i)
        ToFileIndexes(sheets[i].picture);
    return sheets;
}

bool WriteAll(const std::string& folder) {
    const bmp_writer::Palette palette = bmp_writer::DemoPalette();
    for (const Sheet& sheet : SystemPictures()) {
        std::string relative = sheet.file;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const std::filesystem::path path = std::filesystem::path(folder) / relative;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (!bmp_writer::WriteBmp8(path.string(), sheet.picture, palette)) return false;
    }
    return true;
}

} // namespace demo_pictures
