// GDI-like copies and text: colour conversion between bitmaps and surfaces, mirroring StretchBlt as
// the cell mirroring uses it, CP932 text into an 8-bit surface, and the face aliases.
#include "bmp_bytes.h"
#include "platform/gfx/ddraw.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/sim.h"
#include "platform/gfx/text.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

using namespace gfx;

namespace {

// A memory DC holding a bitmap decoded from bytes written by hand.
struct BitmapDC {
    explicit BitmapDC(const bmptest::Spec& s) {
        const auto bytes = bmptest::Build(s);
        bmp = new BitmapObject();
        EXPECT_TRUE(DecodeBmp(bytes.data(), bytes.size(), bmp->dib));
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bmp);
    }
    ~BitmapDC() {
        DeleteDC(dc);
        DeleteObject(bmp);
    }
    BitmapObject* bmp;
    HDC dc;
};

TEST(GdiCopy, IndexedBitmapsCopyIndicesAndTrueColourMapsToTheNearestEntry) {
    PALETTEENTRY pal[256] = {};
    pal[1] = {255, 0, 0, 0};
    pal[2] = {0, 0, 250, 0};
    pal[3] = {0, 0, 255, 0}; // the first of equal distances wins, exact matches win outright
    PixelBuffer target;
    target.Allocate(4, 1, PixelFormat::Index8);
    HDC dst = CreateSurfaceDC(&target, pal);
    bmptest::Spec ind(2, 1, 8);
    ind.palette = {0x000000, 0x00FF00, 0x0000FF, 0x0000FF, 0x000000,
                   0x000000, 0x000000, 0x000000, 0x000000, 0x000000};
    ind.raw = {9, 2};
    BitmapDC a(ind);
    ASSERT_TRUE(BitBlt(dst, 0, 0, 2, 1, a.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Get(0, 0), 9u); // indices, not colours
    EXPECT_EQ(target.Get(1, 0), 2u);
    bmptest::Spec rgb(2, 1, 24);
    rgb.raw = {0xF00000, 0x0000FF};
    BitmapDC b(rgb);
    ASSERT_TRUE(BitBlt(dst, 2, 0, 2, 1, b.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Get(2, 0), 1u);
    EXPECT_EQ(target.Get(3, 0), 3u);
    DeleteSurfaceDC(dst);
}

TEST(GdiCopy, TrueColourTo16BitsRoundsEachChannel) {
    PixelBuffer target;
    target.Allocate(2, 1, PixelFormat::R5G6B5);
    HDC dst = CreateSurfaceDC(&target, nullptr);
    bmptest::Spec s(2, 1, 24);
    s.raw = {0x847B10, 0xFFFFFF};
    BitmapDC b(s);
    ASSERT_TRUE(BitBlt(dst, 0, 0, 2, 1, b.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Get(0, 0), std::uint32_t(16 << 11 | 30 << 5 | 2));
    EXPECT_EQ(target.Get(1, 0), 0xFFFFu);
    // Text colours at 16 bits are channel values widened as c x 255 / maximum: each comes back as itself.
    for (std::uint32_t c = 0; c < 64; ++c) {
        const std::uint32_t r = std::min(c, 31u) * 255 / 31, g = c * 255 / 63;
        ASSERT_EQ(GdiColourValue(PixelFormat::R5G6B5, 0xFF000000u | r << 16 | g << 8 | r),
                  std::min(c, 31u) << 11 | c << 5 | std::min(c, 31u))
            << c;
    }
    // A 5-5-5 bitmap keeps its channels exactly, the darkest ones too; green widens to six bits.
    bmptest::Spec s16(2, 1, 16);
    s16.raw = {std::uint32_t(17 << 10 | 9 << 5 | 30), std::uint32_t(1 << 10 | 1 << 5 | 3)};
    BitmapDC c(s16);
    ASSERT_TRUE(BitBlt(dst, 0, 0, 2, 1, c.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Get(0, 0), std::uint32_t(17 << 11 | (9 << 1) << 5 | 30));
    EXPECT_EQ(target.Get(1, 0), std::uint32_t(1 << 11 | (1 << 1) << 5 | 3));
    // Between surfaces of one format pixels are copied as they are.
    PixelBuffer other;
    other.Allocate(2, 1, PixelFormat::R5G6B5);
    other.Set(0, 0, 0x0821);
    HDC src = CreateSurfaceDC(&other, nullptr);
    ASSERT_TRUE(BitBlt(dst, 0, 0, 1, 1, src, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Get(0, 0), 0x0821u);
    DeleteSurfaceDC(src);
    DeleteSurfaceDC(dst);
}

// A picture copied unscaled into a surface of colours, partly off either edge of both: every pixel
// copied is the picture's colour in the surface's format (indices past a short colour table black),
// and nothing outside the copy is touched.
TEST(GdiCopy, UnscaledPicturesBecomeTheirColoursInTheSurface) {
    bmptest::Spec indexed(7, 5, 8);
    indexed.palette = {0x102030, 0xFF8000, 0x00FF7F, 0x123456};
    bmptest::Spec deep(7, 5, 24);
    for (int i = 0; i < 35; ++i) {
        indexed.raw.push_back(static_cast<std::uint32_t>(i * 7 % 6)); // 4 and 5 lie past the table
        deep.raw.push_back(0x9E3779B9u * static_cast<std::uint32_t>(i + 1) >> 8);
    }
    for (const bmptest::Spec* shape : {&indexed, &deep}) {
        BitmapDC b(*shape);
        for (PixelFormat f : {PixelFormat::X8R8G8B8, PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
            const struct {
                int x, y, w, h, sx, sy;
            } copies[] = {{1, 1, 7, 5, 0, 0}, {-2, -1, 7, 5, 0, 0}, {4, 2, 5, 4, 1, 1}, {0, 0, 6, 3, 3, 3}};
            for (const auto& c : copies) {
                PixelBuffer target;
                target.Allocate(8, 6, f);
                target.Fill(0, 0, 8, 6, 0x5A5A);
                HDC dst = CreateSurfaceDC(&target, nullptr);
                ASSERT_TRUE(BitBlt(dst, c.x, c.y, c.w, c.h, b.dc, c.sx, c.sy, SRCCOPY));
                DeleteSurfaceDC(dst);
                for (int ty = 0; ty < 6; ++ty)
                    for (int tx = 0; tx < 8; ++tx) {
                        const int fx = c.sx + tx - c.x, fy = c.sy + ty - c.y;
                        const bool copied = tx >= c.x && tx < c.x + c.w && ty >= c.y && ty < c.y + c.h &&
                                            fx >= 0 && fx < 7 && fy >= 0 && fy < 5;
                        const std::uint32_t expected =
                            copied ? GdiColourValue(f, b.bmp->dib.PixelArgb(fx, fy)) : 0x5A5Au;
                        ASSERT_EQ(target.Get(tx, ty), expected)
                            << shape->bpp << " bits, " << tx << "," << ty << " copy at " << c.x << "," << c.y;
                    }
            }
        }
    }
}

// An unscaled copy turns whole rows at once; it gives the values the per-pixel rule of a scaled copy
// gives, for every picture depth and surface format, clipped at any edge.
TEST(GdiCopy, UnscaledRowsGiveThePerPixelValues) {
    std::vector<bmptest::Spec> shapes = bmptest::EveryLayout(9, 5);
    for (bmptest::Spec& s : shapes)
        for (int i = 0; i < 45; ++i) // indices past the table as well
            s.raw.push_back(bmptest::HashedPixel(static_cast<std::uint32_t>(i + 1), s.bpp));
    const PixelFormat formats[] = {PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8, PixelFormat::R8G8B8,
                                   PixelFormat::R5G6B5,   PixelFormat::X1R5G5B5, PixelFormat::A1R5G5B5};
    const struct {
        int x, y, w, h, sx, sy;
    } copies[] = {{0, 0, 9, 5, 0, 0}, {-2, -1, 9, 5, 0, 0}, {4, 2, 7, 4, 1, 1}, {1, 0, 6, 3, 3, 2}};
    for (const bmptest::Spec& shape : shapes) {
        BitmapDC b(shape);
        for (PixelFormat f : formats) {
            // The per-pixel rule: a copy stretched to twice the width takes each pixel twice.
            PixelBuffer wide;
            wide.Allocate(18, 5, f);
            HDC wdc = CreateSurfaceDC(&wide, nullptr);
            ASSERT_TRUE(StretchBlt(wdc, 0, 0, 18, 5, b.dc, 0, 0, 9, 5, SRCCOPY));
            DeleteSurfaceDC(wdc);
            for (const auto& c : copies) {
                PixelBuffer target;
                target.Allocate(10, 6, f);
                target.Fill(0, 0, 10, 6, 0x5A5A);
                HDC dst = CreateSurfaceDC(&target, nullptr);
                ASSERT_TRUE(BitBlt(dst, c.x, c.y, c.w, c.h, b.dc, c.sx, c.sy, SRCCOPY));
                DeleteSurfaceDC(dst);
                int wrong = 0;
                for (int ty = 0; ty < 6; ++ty)
                    for (int tx = 0; tx < 10; ++tx) {
                        const int fx = c.sx + tx - c.x, fy = c.sy + ty - c.y;
                        const bool copied = tx >= c.x && tx < c.x + c.w && ty >= c.y && ty < c.y + c.h &&
                                            fx >= 0 && fx < 9 && fy >= 0 && fy < 5;
                        wrong += target.Get(tx, ty) != (copied ? wide.Get(2 * fx, fy) : 0x5A5Au);
                    }
                EXPECT_EQ(wrong, 0) << shape.bpp << " bits (masks " << std::hex << shape.masks[0] << std::dec
                                    << ") into " << BitsPerPixel(f) << "-bit format " << static_cast<int>(f)
                                    << ", copy at " << c.x << "," << c.y;
            }
        }
    }
}

TEST(GdiCopy, StretchBltMirrorsCellsFromTheirLastColumnAndRow) {
    // A 6 x 4 picture of two 3 x 4 cells; each cell mirrored in place, then flipped upside down.
    bmptest::Spec s(6, 4, 8);
    for (int i = 0; i < 24; ++i)
        s.raw.push_back(static_cast<std::uint32_t>(i + 1));
    s.palette.assign(25, 0);
    BitmapDC src(s);
    PixelBuffer target;
    target.Allocate(6, 4, PixelFormat::Index8);
    HDC dst = CreateSurfaceDC(&target, nullptr);
    const int cell = 3;
    for (int c = 0; c < 2; ++c)
        ASSERT_TRUE(StretchBlt(dst, c * cell, 0, cell, 4, src.dc, c * cell + cell - 1, 0, -cell, 4, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const int mirrored = (x / cell + 1) * cell - x % cell - 1;
            EXPECT_EQ(target.Get(x, y), s.raw[y * 6 + mirrored]) << x << "," << y;
        }
    // Negative heights mirror rows; a negative destination extent does the same from the other side.
    ASSERT_TRUE(StretchBlt(dst, 0, 0, 6, 4, src.dc, 0, 3, 6, -4, SRCCOPY));
    EXPECT_EQ(target.Get(2, 0), s.raw[3 * 6 + 2]);
    ASSERT_TRUE(StretchBlt(dst, 5, 0, -6, 4, src.dc, 0, 0, 6, 4, SRCCOPY));
    EXPECT_EQ(target.Get(0, 1), s.raw[1 * 6 + 5]);
    // Absurd extents are refused at once, not walked.
    EXPECT_FALSE(StretchBlt(dst, 0, 0, 0x7FFFFFFF, 4, src.dc, 0, 0, 6, 4, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst, -0x7FFFFFFF, 0, 6, 4, src.dc, 0, 0, SRCCOPY));
    // Copies are cut at both edges without touching other memory.
    target.Fill(0, 0, 6, 4, 0);
    ASSERT_TRUE(BitBlt(dst, 4, 2, 6, 4, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.Get(4, 2), 1u);
    EXPECT_EQ(target.Get(5, 3), 8u);
    EXPECT_EQ(target.Get(3, 3), 0u);
    DeleteSurfaceDC(dst);
}

TEST(GdiText, FaceNamesOfTheFontTableReachJapaneseFaces) {
    auto gothic = TextFace::Open("ＭＳ ゴシック");
    auto mincho = TextFace::Open("ＭＳ Ｐ明朝");
    ASSERT_NE(gothic, nullptr);
    ASSERT_NE(mincho, nullptr);
    // Some systems link a generic name to the same file.
    const std::string g = std::filesystem::canonical(gothic->File()).filename().string();
    const std::string m = std::filesystem::canonical(mincho->File()).filename().string();
    EXPECT_EQ(g, "ipag.ttf");
    EXPECT_EQ(m, "ipamp.ttf");
    EXPECT_TRUE(gothic->Has(0x3042)); // あ
    // The rules shipped beside the sources are the ones compiled in.
    std::ifstream in(std::string(M4_SOURCE_DIR) + "/src/platform/gfx/fonts-ja.conf", std::ios::binary);
    std::stringstream file;
    file << in.rdbuf();
    EXPECT_EQ(file.str(), reinterpret_cast<const char*>(kJapaneseFaceAliases));
}

TEST(GdiText, Cp932TextInto8BitsWritesOnlyTheChosenIndex) {
    PALETTEENTRY pal[256] = {};
    for (int i = 0; i < 256; ++i)
        pal[i] = {BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    pal[77] = {250, 250, 10, 0};
    PixelBuffer target;
    target.Allocate(80, 24, PixelFormat::Index8);
    target.Fill(0, 0, 80, 24, 5);
    HDC dc = CreateSurfaceDC(&target, pal);
    HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    ASSERT_NE(font, nullptr);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 0)); // nearest to entry 77
    const char* text = "あA漢ｱ";
    ASSERT_TRUE(TextOutA(dc, 2, 3, text, -1));
    std::set<std::uint32_t> seen;
    int drawn = 0, minY = 99, maxY = -1;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 80; ++x) {
            const std::uint32_t v = target.Get(x, y);
            seen.insert(v);
            if (v == 77) {
                ++drawn;
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    EXPECT_EQ(seen, (std::set<std::uint32_t>{5, 77}));
    EXPECT_GT(drawn, 60);
    EXPECT_GE(minY, 3);
    EXPECT_LT(maxY, 3 + 16); // inside the cell that starts at y
    SIZE full{}, half{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "あ", -1, &full));
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "A", 1, &half));
    // The fixed-pitch Japanese face measures as the Windows one does: one em per full-width
    // character, half of it per half-width one, and the cell is the font's height.
    EXPECT_EQ(full.cy, 16);
    EXPECT_EQ(full.cx, 16);
    EXPECT_EQ(half.cx, 8);
    SIZE both{};
    GetTextExtentPoint32A(dc, "あA", -1, &both);
    EXPECT_EQ(both.cx, full.cx + half.cx);
    // A count past the terminator stops at it (the sanitizers watch the exact-size buffer).
    std::unique_ptr<char[]> exact(new char[2]{'A', 0});
    SIZE counted{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, exact.get(), 50, &counted));
    EXPECT_EQ(counted.cx, half.cx);
    EXPECT_TRUE(TextOutA(dc, 0, 0, exact.get(), 50));
    // A horizontal width scales the glyphs.
    HFONT narrow =
        CreateFontA(16, 4, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    SelectObject(dc, narrow);
    SIZE small{};
    GetTextExtentPoint32A(dc, "あ", -1, &small);
    EXPECT_LT(small.cx, full.cx);
    // A font selected into a device context cannot be deleted; once replaced or the context is gone, it can.
    EXPECT_FALSE(DeleteObject(narrow));
    EXPECT_TRUE(DeleteObject(font));
    DeleteSurfaceDC(dc);
    EXPECT_TRUE(DeleteObject(narrow));
}

TEST(GdiText, SurfaceDCsUseTheDisplayPalette) {
    sim::ResetSimulation();
    void* p = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr), DD_OK);
    auto* dd = static_cast<DirectDraw7*>(p);
    dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    dd->SetDisplayMode(640, 480, 8, 0, 0);
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 8);
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    DirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&d, &primary, nullptr), DD_OK);
    PALETTEENTRY pal[256] = {};
    pal[200] = {0, 0, 255, 0};
    DirectDrawPalette* palette = nullptr;
    dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, pal, &palette, nullptr);
    primary->SetPalette(palette);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = 40;
    d.dwHeight = 20;
    DirectDrawSurface7* sheet = nullptr;
    ASSERT_EQ(dd->CreateSurface(&d, &sheet, nullptr), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(sheet->GetDC(&dc), DD_OK);
    DDSURFACEDESC2 locked;
    EXPECT_EQ(sheet->Lock(nullptr, &locked, 0, nullptr), DDERR_SURFACEBUSY); // a DC counts as a lock
    SetTextColor(dc, RGB(0, 0, 250));
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    SelectObject(dc, font);
    TextOutA(dc, 0, 0, "W", 1);
    EXPECT_EQ(sheet->ReleaseDC(dc), DD_OK);
    int blue = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const auto v = sheet->Pixels().Get(x, y);
            EXPECT_TRUE(v == 0 || v == 200);
            blue += v == 200;
        }
    EXPECT_GT(blue, 5);
    DeleteObject(font);
    sheet->Release();
    palette->Release();
    primary->Release();
    dd->Release();
}

} // namespace
