// The program's fonts as start-up makes them, on a palette laid out as the projects' are: entry 0
// black, 240 white, 241 the text colour, 255 magenta, and magenta (the palette picture's top-left
// pixel) the transparent colour. The frame-rate text, the boxed text and the digit sheets must put
// the text colour on the glyph pixels and leave everything else of the back buffer as it was, on
// every back-end and depth, with the glyph sheets on and off.
#include "display_files.h"
#include "draw/font.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"
#include "project/system_bitmaps.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kText = 241, kFrame = 240, kKey = 255, kBack = 100;

struct Rgb {
    std::uint8_t r, g, b;
};

Rgb Entry(int i) {
    if (i == 0) return {0, 0, 0};
    if (i == kFrame) return {255, 255, 255};
    if (i == kText) return {16, 24, 96};
    if (i == kKey) return {255, 0, 255};
    if (i == kBack) return {48, 128, 64};
    const auto v = static_cast<std::uint8_t>(i);
    return {v, v, static_cast<std::uint8_t>(255 - v)};
}

// An 8-bit palette picture: the top-left pixel shows the transparent colour, rows 8-23 hold the
// 256 entries one pixel each, sixteen to a row.
void WritePalettePicture(const std::string& path) {
    const int w = 32, h = 32;
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h), kKey);
    for (int i = 0; i < 256; ++i)
        px[static_cast<std::size_t>(8 + i / 16) * w + i % 16] = static_cast<std::uint8_t>(i);
    std::vector<std::uint32_t> colours(256);
    for (int i = 0; i < 256; ++i) {
        const Rgb c = Entry(i);
        colours[i] = static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
    }
    WriteBmp8(path, w, h, colours, px);
}

struct Display {
    const char* name;
    int bD3D, nBpp, nWindowMode;
};
const Display kDisplays[] = {
    {"dd32w", 0, 32, 1},  {"dd16", 0, 16, 0},  {"dd8", 0, 8, 0},
    {"d3d32w", 1, 32, 1}, {"d3d16", 1, 16, 0}, {"dd24", 0, 24, 0},
};

struct Case {
    int display;
    int cache; // what the settings give for the definitions' glyph-sheet flag 2
};

class FontStartupTest : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        gfx::sim::ResetSimulation();
        gfx::sim::SetVerticalBlankEmulation(false);
        g_PixChannels = PIXCHANNELS{};
        g_DispChannels = PIXCHANNELS{};
        m_dir = MakeTestFolder("m4_fontstart_");
        WritePalettePicture(m_dir + "/Palette.bmp");
        for (auto& d : m_table)
            d = SURFACEDEF{};
        std::snprintf(m_table[0].szFileName, sizeof m_table[0].szFileName, "%s/Palette.bmp", m_dir.c_str());
        m_table[0].nDDMemory = 1;
        m_table[0].nD3DMemory = DTMEMORYTYPE_SYSTEM;
        gfx::ClearPublishedFrames();
    }
    void TearDown() override {
        for (Font& f : m_fonts)
            f.Release();
        for (DDSURFACEDATA& sd : m_digits)
            DDReleaseSurface(&sd);
        CloseTestDisplay(m_surfaces.data(), SYSTEM_BITMAP_COUNT);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    // The display, the palette and transparent colour from the palette picture, and the three fonts
    // and digit sheets from the program's definitions. The box and icon pictures the definitions
    // name are not loaded yet, as at start-up.
    bool StartUp(const Display& d, int cache) {
        if (!OpenTestDisplay(d.bD3D, d.nBpp, d.nWindowMode, m_surfaces.data(), m_table.data(),
                             SYSTEM_BITMAP_COUNT, d.nWindowMode))
            return false;
        std::array<FONTDEF, FONT_COUNT> defs;
        std::memcpy(defs.data(), g_FontDefs, sizeof g_FontDefs);
        for (FONTDEF& def : defs)
            if (def.nCacheMode == 2) def.nCacheMode = cache;
        if (!CreateFonts(m_fonts.data(), defs.data(), FONT_COUNT)) return false;
        return CreateNumberSurfaces(m_digits.data(), g_NumberSheetDefs, FONT_COUNT, m_fonts.data(),
                                    defs.data()) != 0;
    }

    // The back buffer in the background colour, with the colours of the text, frame and transparent
    // entries shown in the top-left corner so that the frame tells how this display shows them.
    void Background() {
        DDFillRect(&g_BackBuffer, 0, 0, 640, 480, kBack);
        DDFillRect(&g_BackBuffer, 0, 0, 1, 1, kText);
        DDFillRect(&g_BackBuffer, 1, 0, 1, 1, kFrame);
    }

    std::vector<std::uint32_t> Frame() {
        PresentBackBuffer();
        auto frame = ShownFrame();
        m_back = frame[2 * 640];
        m_text = frame[0];
        m_white = frame[1];
        return frame;
    }

    static std::uint32_t At(const std::vector<std::uint32_t>& f, int x, int y) {
        return f[static_cast<std::size_t>(y) * 640 + x];
    }

    static bool Near(std::uint32_t p, std::uint32_t q, int tolerance) {
        for (int shift : {16, 8, 0})
            if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) >
                tolerance)
                return false;
        return true;
    }

    // A text pixel: the text colour, or under Direct3D an edge between it and the background.
    bool TextOrBack(std::uint32_t p) const {
        if (p == m_back || p == m_text) return true;
        if (!lpDTCon) return false;
        for (int shift : {16, 8, 0}) {
            const int v = (p >> shift) & 0xFF, a = (m_back >> shift) & 0xFF, b = (m_text >> shift) & 0xFF;
            if (v < std::min(a, b) - m_edgeTolerance || v > std::max(a, b) + m_edgeTolerance) return false;
        }
        return true;
    }

    // Checks a text area [x0, x1) x [y0, y1): every pixel text or background, some in the text
    // colour itself, and every pixel of the band of `margin` around it untouched. Returns the number
    // of inked pixels.
    int CheckText(const std::vector<std::uint32_t>& f, int x0, int y0, int x1, int y1, int margin) {
        int glyph = 0, exact = 0, wrong = 0, outside = 0;
        for (int y = std::max(1, y0 - margin); y < std::min(480, y1 + margin); ++y)
            for (int x = std::max(0, x0 - margin); x < std::min(640, x1 + margin); ++x) {
                const std::uint32_t p = At(f, x, y);
                if (x >= x0 && x < x1 && y >= y0 && y < y1) {
                    if (p != m_back) ++glyph;
                    if (Near(p, m_text, m_tolerance)) ++exact;
                    if (!TextOrBack(p)) ++wrong;
                } else if (p != m_back) {
                    ++outside;
                }
            }
        EXPECT_GT(exact, 0) << "no pixel in the text colour";
        EXPECT_EQ(wrong, 0) << "pixels neither text nor background";
        EXPECT_EQ(outside, 0) << "pixels changed around the text";
        return glyph;
    }

    std::string m_dir;
    std::array<SURFACEDEF, SYSTEM_BITMAP_COUNT> m_table{};
    std::array<DDSURFACEDATA, SYSTEM_BITMAP_COUNT> m_surfaces{};
    std::array<Font, FONT_COUNT> m_fonts;
    std::array<DDSURFACEDATA, FONT_COUNT> m_digits{};
    std::uint32_t m_back = 0, m_text = 0, m_white = 0;
    // Direct3D blends the edges of glyphs (rounded, and twice when they come from a sheet); at 16 bits
    // glyphs and fills also round the text colour to neighbouring channel steps.
    int m_tolerance = 0, m_edgeTolerance = 0;
};

TEST_P(FontStartupTest, TextShowsInTheTextColourOnUntouchedBackground) {
    const Display& d = kDisplays[GetParam().display];
    ASSERT_TRUE(StartUp(d, GetParam().cache));
    m_tolerance = d.bD3D && d.nBpp == 16 ? 12 : 0;
    m_edgeTolerance = d.bD3D ? 12 : 0;
    // The palette as loaded and the colours as this display shows them.
    if (d.nBpp != 16) {
        EXPECT_EQ(g_BasePalette[kText].peRed, 16);
        EXPECT_EQ(g_BasePalette[kText].peBlue, 96);
        EXPECT_EQ(g_BasePalette[0].peRed, 0);
    }
    Background();
    auto f = Frame();
    ASSERT_NE(m_text, m_back);
    EXPECT_EQ(m_white, 0xFFFFFFu);
    if (d.nBpp != 16) {
        EXPECT_EQ(m_text, 0x101860u);
    }

    // The frame-rate text of the small font at the bottom right.
    Background();
    m_fonts[0].DrawF(&g_BackBuffer, 549, 469, "FPS%2d(%2d)", 60, 0);
    f = Frame();
    EXPECT_GT(CheckText(f, 549, 469, 640, 480, 12), 25);

    // The text font in a box sized to the text: the box picture is not loaded, so only its frame of
    // colour 240 is drawn around the text.
    Background();
    m_fonts[1].DrawInRectF(&g_BackBuffer, 495, 463, 0, 0, "FPS%2d(%2d)", 59, 1);
    f = Frame();
    int w = 0, h = 0;
    m_fonts[1].MeasureTextBlock("FPS59( 1)", &w, &h);
    EXPECT_EQ(w, 9 * 16);
    EXPECT_EQ(At(f, 494, 462), m_white);
    EXPECT_EQ(At(f, 495 + 16, 462), m_white);
    EXPECT_GT(CheckText(f, 495, 463, 495 + w, 463 + h, 0), 40);
    EXPECT_EQ(At(f, 493, 470), m_back);

    // Full-width text of the large font and the digit sheets, blitted with the transparent colour.
    Background();
    m_fonts[2].Draw(&g_BackBuffer, 40, 100, "全角テキスト", 0);
    for (int i = 0; i < FONT_COUNT; ++i)
        DDBlt(&g_BackBuffer, 40, 200 + 40 * i, m_digits[i].nWidth, m_digits[i].nHeight, &m_digits[i], 0, 0,
              1);
    f = Frame();
    EXPECT_GT(CheckText(f, 40, 100, 40 + 6 * 32, 132, 6), 200);
    for (int i = 0; i < FONT_COUNT; ++i)
        EXPECT_GT(
            CheckText(f, 40, 200 + 40 * i, 40 + m_digits[i].nWidth, 200 + 40 * i + m_digits[i].nHeight, 4),
            20)
            << "digit sheet " << i;
}

INSTANTIATE_TEST_SUITE_P(Displays, FontStartupTest,
                         ::testing::Values(Case{0, 1}, Case{0, 0}, Case{1, 1}, Case{1, 0}, Case{2, 1},
                                           Case{2, 0}, Case{3, 0}, Case{3, 1}, Case{4, 0}, Case{4, 1},
                                           Case{5, 1}),
                         [](const auto& info) {
                             return std::string(kDisplays[info.param.display].name) + "_cache" +
                                    std::to_string(info.param.cache);
                         });

} // namespace
