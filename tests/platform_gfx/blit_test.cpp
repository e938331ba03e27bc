// Copies between pixel buffers against the per-pixel rule of blit.h, for every pixel size and every
// width of instructions: whole surfaces and parts of rows, keyed and unkeyed, scaled, mirrored and
// clipped, and nothing outside the visible rectangle is touched.
#include "platform/gfx/blit.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <vector>

using namespace gfx;

namespace {

struct CopyCase {
    int dx, dy, dw, dh;
    int i0, j0, i1, j1;
    int sx, sy, sw, sh;
    bool keyed;
};

constexpr int kW = 80, kH = 24; // the destination; the source is as high and kW or kW - 3 wide

const CopyCase kFixedCases[] = {
    {0, 0, 80, 24, 0, 0, 80, 24, 0, 0, 80, 24, false},   // the whole surface
    {0, 0, 80, 24, 0, 0, 80, 24, 0, 0, 80, 24, true},    // the whole surface, keyed
    {0, 5, 80, 10, 0, 0, 80, 10, 0, 9, 80, 10, false},   // whole rows of a band
    {3, 2, 17, 9, 0, 0, 17, 9, 11, 4, 17, 9, false},     // part of each row
    {-4, -3, 20, 12, 4, 3, 20, 12, 2, 1, 20, 12, false}, // clipped top and left
    {70, 18, 20, 12, 0, 0, 10, 6, 0, 0, 20, 12, true},   // clipped right and bottom
    {1, 1, 38, 22, 0, 0, 38, 22, 0, 0, 19, 11, false},   // doubled
    {2, 3, 30, 15, 0, 0, 30, 15, 29, 0, -30, 15, true},  // mirrored
    {0, 0, 80, 24, 0, 0, 80, 24, 0, 23, 80, -24, false}, // upside down
    {5, 6, 13, 7, 0, 0, 13, 7, 3, 2, 31, 19, false},     // shrunk
    {-7, -2, 90, 27, 7, 2, 87, 26, 1, 2, 15, 6, true},   // enlarged unevenly, keyed and clipped
    {4, 1, 64, 21, 0, 0, 64, 21, 40, 17, -16, -7, true}, // enlarged, mirrored both ways, keyed
    {0, 0, 50, 24, 0, 0, 50, 24, 6, 3, 70, 8, true},     // enlarged down, shrunk across, keyed
};

// The cases above, and unscaled copies of every width from 1 to 70, keyed and not, at several
// offsets in both buffers, over source rows of every key pattern (see the test).
std::vector<CopyCase> Cases() {
    std::vector<CopyCase> cases(std::begin(kFixedCases), std::end(kFixedCases));
    for (int w = 1; w <= 70; ++w)
        for (bool keyed : {false, true}) {
            const int dx = (w * 7) % (kW - w + 1), sx = (w * 3) % (kW - 3 - w + 1), sy = w % 3;
            cases.push_back({dx, 2, w, 9, 0, 0, w, 9, sx, sy, w, 9, keyed});
        }
    return cases;
}

std::uint32_t Mask(PixelFormat f) {
    const int bits = BitsPerPixel(f);
    return bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

// Every way of copying (the widest instructions the processor runs, and each narrower one) gives
// the pixels of the per-pixel rule.
TEST(ScaledCopy, EveryPixelSizeAndWidthOfInstructionsFollowsThePixelRule) {
    const PixelFormat formats[] = {PixelFormat::Index8, PixelFormat::R5G6B5, PixelFormat::R8G8B8,
                                   PixelFormat::X8R8G8B8};
    const std::vector<CopyCase> cases = Cases();
    std::mt19937 rng(5);
    for (CopyWidth width : {CopyWidth::Baseline, CopyWidth::Avx2, CopyWidth::Avx512}) {
        LimitCopyWidth(width);
        if (UsedCopyWidth() != width) continue; // the processor does not run these
        for (PixelFormat f : formats)
            for (int srcWidth : {kW, kW - 3}) // a pitch equal to the destination's, and another
                for (const CopyCase& c : cases) {
                    PixelBuffer src, dst;
                    src.Allocate(srcWidth, kH, f);
                    dst.Allocate(kW, kH, f);
                    const std::uint32_t key = 0x5A5A5A5Au & Mask(f);
                    // Source rows by sixes: all key, none, the key where x + y is a multiple of 5, a run
                    // of key pixels, key and other pixels in turn, and the key only at the row's ends.
                    for (int y = 0; y < kH; ++y)
                        for (int x = 0; x < kW; ++x) {
                            std::uint32_t v = rng() & Mask(f);
                            if (v == key) v ^= 1;
                            const bool isKey = y % 6 == 0 || (y % 6 == 2 && (x + y) % 5 == 0) ||
                                               (y % 6 == 3 && x >= 9 && x < 27) ||
                                               (y % 6 == 4 && x % 2 == 0) ||
                                               (y % 6 == 5 && (x == 0 || x == srcWidth - 1));
                            if (x < srcWidth) src.Set(x, y, isKey ? key : v);
                            dst.Set(x, y, rng() & Mask(f));
                        }
                    if (c.sx + std::max(c.sw, 0) > srcWidth || c.sx >= srcWidth) continue;
                    const PixelBuffer before = dst;
                    BlitParams p;
                    p.dst = &dst;
                    p.src = &src;
                    p.dx = c.dx, p.dy = c.dy, p.dw = c.dw, p.dh = c.dh;
                    p.i0 = c.i0, p.j0 = c.j0, p.i1 = c.i1, p.j1 = c.j1;
                    p.sx = c.sx, p.sy = c.sy, p.sw = c.sw, p.sh = c.sh;
                    p.keyed = c.keyed;
                    p.key = key;
                    ScaledCopy(p);
                    int wrong = 0;
                    for (int y = 0; y < kH; ++y)
                        for (int x = 0; x < kW; ++x) {
                            const int i = x - c.dx, j = y - c.dy;
                            std::uint32_t want = before.Get(x, y);
                            if (i >= c.i0 && i < c.i1 && j >= c.j0 && j < c.j1) {
                                const int cx = i * std::abs(c.sw) / c.dw, cy = j * std::abs(c.sh) / c.dh;
                                const int sx = c.sw < 0 ? c.sx - cx : c.sx + cx;
                                const int sy = c.sh < 0 ? c.sy - cy : c.sy + cy;
                                const std::uint32_t v = src.Get(sx, sy);
                                if (!c.keyed || v != key) want = v;
                            }
                            wrong += dst.Get(x, y) != want;
                        }
                    EXPECT_EQ(wrong, 0)
                        << "instructions " << static_cast<int>(width) << ", bits " << BitsPerPixel(f)
                        << " source width " << srcWidth << " at " << c.dx << "," << c.dy << " size " << c.dw
                        << "x" << c.dh << " from " << c.sx << "," << c.sy << " " << c.sw << "x" << c.sh
                        << (c.keyed ? " keyed" : "");
                    // The keyed row copy alone, as the rows of an unscaled 32-bit copy.
                    if (!c.keyed || f != PixelFormat::X8R8G8B8 || c.sw != c.dw || c.sh != c.dh) continue;
                    PixelBuffer rows = before;
                    for (int j = c.j0; j < c.j1; ++j)
                        CopyKeyed32(reinterpret_cast<std::uint32_t*>(rows.Row(c.dy + j)) + c.dx + c.i0,
                                    reinterpret_cast<const std::uint32_t*>(src.Row(c.sy + j)) + c.sx + c.i0,
                                    c.i1 - c.i0, key);
                    EXPECT_EQ(rows.bytes, dst.bytes) << "row by row, instructions " << static_cast<int>(width)
                                                     << ", width " << c.i1 - c.i0;
                }
    }
    LimitCopyWidth(CopyWidth::Avx512);
}

} // namespace

namespace {

// Whether a keyed copy's source may hold the key: never looked into for the first copy from a state
// of the pixels, then by 32 x 32 tiles, each compared as the keyed copies compare its pixel size.
TEST(MayHoldKey, LooksFromTheSecondCopyOfAStateOnAndOnlyAtTheTilesRead) {
    struct Case {
        const char* what;
        PixelFormat format;
        std::uint32_t key;
        int keyX, keyY;     // the one key pixel of the picture (-1: none)
        std::uint32_t near; // a value that only differs from the key in bits the copy ignores
        int x0, y0, x1, y1; // the rectangle asked about
        bool first, second; // answers to the first and second asking
    };
    const Case cases[] = {
        {"key in another tile", PixelFormat::X8R8G8B8, 0xFF00FF, 40, 5, 0, 0, 0, 32, 32, true, false},
        {"key in a tile read", PixelFormat::X8R8G8B8, 0xFF00FF, 40, 5, 0, 0, 0, 33, 32, true, true},
        {"key at the tile's last pixel", PixelFormat::X8R8G8B8, 0xFF00FF, 31, 31, 0, 4, 4, 8, 8, true, true},
        {"no key anywhere", PixelFormat::X8R8G8B8, 0xFF00FF, -1, -1, 0, 0, 0, 70, 40, true, false},
        {"top byte differs from the key", PixelFormat::X8R8G8B8, 0xFF00FF, -1, -1, 0xFFFF00FF, 0, 0, 70, 40,
         true, false},
        {"16 bits", PixelFormat::R5G6B5, 0xF81F, 64, 33, 0, 64, 32, 70, 40, true, true},
        {"8 bits", PixelFormat::Index8, 1, 3, 3, 0, 32, 0, 64, 32, true, false},
        {"24 bits", PixelFormat::R8G8B8, 0x00FF00, 65, 39, 0, 64, 32, 70, 40, true, true},
        {"rectangle past the picture", PixelFormat::X8R8G8B8, 0xFF00FF, 69, 39, 0, 60, 30, 200, 200, true,
         true},
        {"rectangle outside the picture", PixelFormat::X8R8G8B8, 0xFF00FF, 0, 0, 0, 80, 0, 90, 10, false,
         false},
    };
    for (const Case& c : cases) {
        PixelBuffer b;
        b.Allocate(70, 40, c.format); // a partial tile at the right and at the bottom
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                b.Set(x, y, c.near != 0 && (x + y) % 3 == 0 ? c.near : 7);
        if (c.keyX >= 0) b.Set(c.keyX, c.keyY, c.key);
        KeyTiles t;
        EXPECT_EQ(MayHoldKey(b, 5, c.key, c.x0, c.y0, c.x1, c.y1, t), c.first) << c.what;
        EXPECT_EQ(MayHoldKey(b, 5, c.key, c.x0, c.y0, c.x1, c.y1, t), c.second) << c.what;
        // Another state of the pixels, or another key, is looked at anew from its second asking.
        b.Set(c.x0 < b.width ? c.x0 : 0, c.y0 < b.height ? c.y0 : 0, c.key);
        if (c.first) {
            EXPECT_TRUE(MayHoldKey(b, 6, c.key, c.x0, c.y0, c.x1, c.y1, t)) << c.what;
            EXPECT_TRUE(MayHoldKey(b, 6, c.key, c.x0, c.y0, c.x1, c.y1, t)) << c.what << ", new state";
            EXPECT_TRUE(MayHoldKey(b, 6, c.key ^ 1, c.x0, c.y0, c.x1, c.y1, t)) << c.what << ", new key";
        }
    }
}

} // namespace

namespace {

// A keyed copy through the key tiles of its source gives the pixels of a keyed copy, whatever the
// tiles hold (all key, none, some) and wherever the copy starts and ends within them; tiles found for
// another state of the pixels are not used.
TEST(KeyedCopyByTiles, GivesThePixelsOfAKeyedCopy) {
    struct Case {
        const char* what;
        int dx, dy, dw, dh, i0, j0, i1, j1, sx, sy; // unscaled: the source extent is dw x dh
    };
    const Case cases[] = {
        {"the whole picture", 0, 0, 200, 140, 0, 0, 200, 140, 0, 0},
        {"tiles cut at every side", 5, 3, 161, 95, 0, 0, 161, 95, 17, 9},
        {"clipped by the target", -20, -7, 200, 140, 20, 7, 190, 130, 0, 0},
        {"a band of rows across all tiles", 0, 33, 200, 45, 0, 0, 200, 45, 0, 40},
        {"the partial tiles at the right and bottom", 10, 10, 120, 70, 0, 0, 120, 70, 80, 70},
        {"too few tiles to split", 3, 4, 40, 40, 0, 0, 40, 40, 50, 20},
        {"over a few pixels amid the key", 3, 2, 40, 40, 0, 0, 40, 40, 130, 60},
        {"beside a few pixels amid the key", 7, 9, 10, 30, 0, 0, 10, 30, 128, 64},
        {"cut through a few pixels amid the key", 7, 9, 10, 8, 0, 0, 10, 8, 143, 68},
    };
    const PixelFormat formats[] = {PixelFormat::Index8, PixelFormat::R5G6B5, PixelFormat::R8G8B8,
                                   PixelFormat::X8R8G8B8};
    std::mt19937 rng(9);
    for (PixelFormat f : formats)
        for (const Case& c : cases)
            for (bool stale : {false, true}) {
                const std::uint32_t key = 0x00A5C3E1u & Mask(f);
                PixelBuffer src, want, got;
                // Tile columns by fours: all key (but for a few pixels at 140..147 x 70..75), none,
                // some, some below row 40.
                src.Allocate(200, 140, f);
                for (int y = 0; y < src.height; ++y)
                    for (int x = 0; x < src.width; ++x) {
                        const int band = x / 32 % 4;
                        const bool few = x >= 140 && x < 148 && y >= 70 && y < 76;
                        const bool isKey =
                            (band == 0 && !few) || (band == 2 && (x + y) % 3 == 0) || (band == 3 && y > 40);
                        std::uint32_t v = rng() & Mask(f);
                        if (v == key) v ^= 1;
                        src.Set(x, y, isKey ? key : v);
                    }
                want.Allocate(200, 140, f);
                for (int y = 0; y < want.height; ++y)
                    for (int x = 0; x < want.width; ++x)
                        want.Set(x, y, rng() & Mask(f));
                got = want;
                KeyTiles t;
                MayHoldKey(src, 5, key, 0, 0, src.width, src.height, t);
                MayHoldKey(src, 5, key, 0, 0, src.width, src.height, t); // the tiles are looked at
                if (stale) {
                    // The pixels change after the tiles were found: the first key column holds others.
                    for (int y = 0; y < src.height; ++y)
                        src.Set(3, y, key ^ 2);
                }
                BlitParams p;
                p.src = &src;
                p.dx = c.dx, p.dy = c.dy, p.dw = c.dw, p.dh = c.dh;
                p.i0 = c.i0, p.j0 = c.j0, p.i1 = c.i1, p.j1 = c.j1;
                p.sx = c.sx, p.sy = c.sy, p.sw = c.dw, p.sh = c.dh;
                p.keyed = true;
                p.key = key;
                p.dst = &want;
                ScaledCopy(p);
                p.dst = &got;
                KeyedCopyByTiles(p, stale ? 6 : 5, t);
                int wrong = 0;
                for (int y = 0; y < got.height; ++y)
                    for (int x = 0; x < got.width; ++x)
                        wrong += got.Get(x, y) != want.Get(x, y);
                EXPECT_EQ(wrong, 0) << c.what << ", bits " << BitsPerPixel(f)
                                    << (stale ? ", stale tiles" : "");
            }
}

} // namespace
