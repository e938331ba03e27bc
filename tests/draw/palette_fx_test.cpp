// Palette effects, colour conversion, the blend table, the range random number and the fades.
#include "draw/dd_palette_fx.h"
#include "effects_fixture.h"
#include "fixtures/bytes.h"
#include "platform/crt_rand.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace fxt;
using gfx::PALETTEENTRY;

namespace {

void MakeRamp(PALETTEENTRY* p) {
    for (int i = 0; i < 256; ++i)
        p[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                static_cast<std::uint8_t>(i / 2), 0};
}

// Runs a test body with the drawing settings' depth set, restoring it afterwards.
struct DepthScope {
    explicit DepthScope(int bpp) : saved(g_DDSettings.nBpp) { g_DDSettings.nBpp = bpp; }
    ~DepthScope() { g_DDSettings.nBpp = saved; }
    int saved;
};

} // namespace

TEST(BlendPaletteToColor, WeightsAndRange) {
    PALETTEENTRY base[256], pal[256];
    MakeRamp(base);
    for (auto& e : pal)
        e = {9, 9, 9, 9};
    BlendPaletteToColor(pal, 10, 20, 256, 200, 100, 50, base);
    for (int i = 10; i <= 20; ++i) {
        EXPECT_EQ(pal[i].peRed, base[i].peRed);
        EXPECT_EQ(pal[i].peGreen, base[i].peGreen);
        EXPECT_EQ(pal[i].peFlags, 1);
    }
    EXPECT_EQ(pal[9].peRed, 9);
    EXPECT_EQ(pal[21].peRed, 9);
    BlendPaletteToColor(pal, 0, 255, 0, 200, 100, 50, base);
    for (const auto& e : pal) {
        EXPECT_EQ(e.peRed, 200);
        EXPECT_EQ(e.peGreen, 100);
        EXPECT_EQ(e.peBlue, 50);
    }
    // Half way: (base * 128 + colour * 128) >> 8.
    BlendPaletteToColor(pal, 100, 100, 128, 0, 0, 0, base);
    EXPECT_EQ(pal[100].peRed, 50);
    EXPECT_EQ(pal[100].peGreen, 77);
    // A range reaching past the palette stays inside it.
    BlendPaletteToColor(pal, 250, 400, 0, 1, 2, 3, base);
    EXPECT_EQ(pal[255].peBlue, 3);
}

TEST(RotatePalette, MovesEntriesBothWaysAndWrapsLargeCounts) {
    DepthScope depth(8);
    PALETTEENTRY base[256], pal[256];
    MakeRamp(base);
    RotatePalette(pal, 16, 207, 16, 1, base);
    EXPECT_EQ(pal[16].peRed, 32);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(pal[192 + i].peRed, 16 + i);
    EXPECT_EQ(pal[15].peRed, 15);
    EXPECT_EQ(pal[208].peRed, 208);
    RotatePalette(pal, 16, 207, 16, 0, base);
    EXPECT_EQ(pal[32].peRed, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(pal[16 + i].peRed, 192 + i);
    // A count of a whole turn and more turns by the rest only.
    PALETTEENTRY wrapped[256];
    RotatePalette(wrapped, 16, 207, 192 * 3 + 16, 1, base);
    RotatePalette(pal, 16, 207, 16, 1, base);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(wrapped[i].peRed, pal[i].peRed);
    // Other directions only copy.
    RotatePalette(pal, 16, 207, 5, 2, base);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(pal[i].peRed, base[i].peRed);
}

TEST(RotatePalette, OnlyAtDepthsWithAPalette) {
    DepthScope depth(24);
    PALETTEENTRY base[256], pal[256];
    MakeRamp(base);
    for (auto& e : pal)
        e = {7, 7, 7, 7};
    RotatePalette(pal, 0, 255, 1, 1, base);
    EXPECT_EQ(pal[0].peRed, 7);
}

TEST(RandRange, DrawsTheRunTimeSequence) {
    crt::srand(1);
    // 41, 18467, 6334, 26500, 19169 from the run-time generator.
    EXPECT_EQ(RandRange(0, 99), 41);
    EXPECT_EQ(RandRange(99, 0), 67);
    EXPECT_EQ(RandRange(0, 99), 34);
    EXPECT_EQ(RandRange(-10, 10), 26500 % 21 - 10);
    EXPECT_EQ(RandRange(7, 7), 7);
    for (int i = 0; i < 200; ++i) {
        const int v = RandRange(5, 3);
        EXPECT_GE(v, 3);
        EXPECT_LE(v, 5);
    }
}

TEST(RandRange, WholeIntRangeNeitherOverflowsNorDividesByZero) {
    crt::srand(1);
    EXPECT_EQ(RandRange(INT_MIN, INT_MAX), INT_MIN + 41);
    EXPECT_EQ(RandRange(INT_MAX, INT_MIN + 1), INT_MIN + 1 + 18467);
}

TEST(DDLoadBlendTable, ReadsWholeTablesAndRefusesShortOnes) {
    const fixtures::TempDir tmp;
    const auto& dir = tmp.path();
    const std::string full = (dir / "full.dat").string(), part = (dir / "part.dat").string();
    {
        std::ofstream f(full, std::ios::binary);
        for (int i = 0; i < BLEND_TABLE_SIZE; ++i)
            f.put(static_cast<char>(i * 7));
        std::ofstream g(part, std::ios::binary);
        for (int i = 0; i < 1000; ++i)
            g.put(static_cast<char>(5));
    }
    std::vector<std::uint8_t> table(BLEND_TABLE_SIZE, 0xAA);
    ASSERT_TRUE(DDLoadBlendTable(table.data(), full.c_str()));
    EXPECT_EQ(table[1], 7);
    EXPECT_EQ(table[65535], static_cast<std::uint8_t>(65535 * 7));
    EXPECT_FALSE(DDLoadBlendTable(table.data(), part.c_str()));
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[65535], 0);
    EXPECT_FALSE(DDLoadBlendTable(table.data(), (dir / "missing.dat").string().c_str()));
}

// ---- Fades on a display ----

class FadeTest : public DisplayTest, public ::testing::WithParamInterface<Display> {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        DDResetFadePhases();
        if (!Open(GetParam())) GTEST_SKIP() << "display not available";
        DDClear(&g_BackBuffer, WHITE);
        DDBlt(&g_BackBuffer, 100, 100, 64, 64, &g_Surfaces[S_PICTURE], 0, 0, 1);
    }
    bool Out(double step, int skip = 0) {
        return DDFadeOut(g_Palette, 0, 255, 0, 0, 0, step, g_BasePalette, skip);
    }
    bool In(double step, int skip = 0) {
        return DDFadeIn(g_Palette, 0, 255, 0, 0, 0, step, g_BasePalette, skip);
    }
};

TEST_P(FadeTest, FadeOutByNinetyIsFullThenBlack) {
    const auto before = Frame();
    EXPECT_FALSE(Out(90));
    // Full weight leaves the picture; 16-bit channels pass through 0-255 and may lose a step.
    if (m_display.nBpp != 16) {
        EXPECT_EQ(Frame(), before);
    }
    EXPECT_TRUE(Out(90));
    const auto after = Frame();
    if (m_display.nBpp == 24) {
        // No fade of the pixels at 24 bits: the picture stays.
        EXPECT_EQ(after, before);
        return;
    }
    EXPECT_EQ(At(after, 0, 0), 0u);
    EXPECT_EQ(At(after, 120, 105), 0u);
    // The phase starts again at full brightness.
    DDClear(&g_BackBuffer, WHITE);
    EXPECT_FALSE(Out(90));
    EXPECT_EQ(At(Frame(), 5, 5), 0xFFFFFFu);
}

TEST_P(FadeTest, SkippedFadeOutDrawsTheEndAtOnce) {
    EXPECT_TRUE(Out(1, 1));
    // 24 bits has no palette of its own and no fade: only the phases are checked there.
    const bool colours = m_display.nBpp != 24;
    if (colours) {
        EXPECT_EQ(At(Frame(), 3, 3), 0u);
    }
    DDClear(&g_BackBuffer, WHITE);
    EXPECT_FALSE(Out(1));
    if (colours) {
        EXPECT_EQ(At(Frame(), 3, 3), 0xFFFFFFu);
    }
}

TEST_P(FadeTest, FadeInEndsClampedAtFullBrightness) {
    const auto picture = Frame();
    EXPECT_FALSE(In(50)); // phase 0: black
    if (m_display.nBpp != 24) {
        EXPECT_EQ(At(Frame(), 3, 3), 0u);
    }
    DDClear(&g_BackBuffer, WHITE);
    DDBlt(&g_BackBuffer, 100, 100, 64, 64, &g_Surfaces[S_PICTURE], 0, 0, 1);
    EXPECT_FALSE(In(50)); // phase 50
    DDClear(&g_BackBuffer, WHITE);
    DDBlt(&g_BackBuffer, 100, 100, 64, 64, &g_Surfaces[S_PICTURE], 0, 0, 1);
    EXPECT_TRUE(In(50)); // phase clamped to 90: the picture itself
    if (m_display.bD3D || m_display.nBpp == 8) {
        EXPECT_EQ(Frame(), picture);
    }
}

INSTANTIATE_TEST_SUITE_P(Displays, FadeTest, ::testing::ValuesIn(kDisplays),
                         [](const auto& info) { return std::string(info.param.name); });

class FadeRulesTest : public DisplayTest {};

TEST_F(FadeRulesTest, DirectDrawWeightsAtThirtyTwoBits) {
    ASSERT_TRUE(Open(kDisplays[3]));
    DDResetFadePhases();
    DDClear(&g_BackBuffer, WHITE);
    // Phase 90, then 45: weight trunc(sin 45 x 256) = 181; white becomes (255 x 181) >> 8 = 180.
    EXPECT_FALSE(DDFadeOut(g_Palette, 0, 255, 0, 0, 0, 45, g_BasePalette, 0));
    EXPECT_FALSE(DDFadeOut(g_Palette, 0, 255, 0, 0, 0, 45, g_BasePalette, 0));
    EXPECT_EQ(RawPixel(&g_BackBuffer, 10, 10) & 0xFFFFFF, 0xB4B4B4u);
    // Toward a colour: phase 0 gives the colour itself.
    DDResetFadePhases();
    DDClear(&g_BackBuffer, WHITE);
    EXPECT_TRUE(DDFadeOut(g_Palette, 0, 255, 10, 20, 30, 1, g_BasePalette, 1));
    EXPECT_EQ(RawPixel(&g_BackBuffer, 10, 10) & 0xFFFFFF, 0x0A141Eu);
}

TEST_F(FadeRulesTest, DirectDrawWeightsAtSixteenBits) {
    ASSERT_TRUE(Open(kDisplays[1]));
    DDResetFadePhases();
    DDClear(&g_BackBuffer, WHITE);
    EXPECT_FALSE(DDFadeOut(g_Palette, 0, 255, 0, 0, 0, 45, g_BasePalette, 0));
    EXPECT_FALSE(DDFadeOut(g_Palette, 0, 255, 0, 0, 0, 45, g_BasePalette, 0));
    // Each channel through 0-255: 255 x 181 >> 8 = 180, back as 180 x max / 255.
    const PIXCHANNELS& c = g_PixChannels;
    const std::uint32_t expect = (180u * c.nMaxR / 255) << c.nShiftR | (180u * c.nMaxG / 255) << c.nShiftG |
                                 (180u * c.nMaxB / 255) << c.nShiftB;
    EXPECT_EQ(RawPixel(&g_BackBuffer, 10, 10), expect);
}

TEST_F(FadeRulesTest, EightBitFadesChangeThePaletteOnly) {
    ASSERT_TRUE(Open(kDisplays[0]));
    DDResetFadePhases();
    DDClear(&g_BackBuffer, WHITE);
    EXPECT_TRUE(DDFadeOut(g_Palette, 0, 255, 0, 0, 0, 90, g_BasePalette, 1));
    EXPECT_EQ(RawPixel(&g_BackBuffer, 10, 10), static_cast<std::uint32_t>(WHITE));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(g_Palette[i].peRed + g_Palette[i].peGreen + g_Palette[i].peBlue, 0) << i;
    EXPECT_EQ(At(Frame(), 10, 10), 0u);
    EXPECT_EQ(g_BasePalette[WHITE].peRed, 255);
}

TEST_F(FadeRulesTest, ColourTintUnderDirect3D) {
    ASSERT_TRUE(Open(kDisplays[6]));
    DDClear(&g_BackBuffer, BLACK);
    // The source rectangle lies at the same place as the target rectangle.
    EXPECT_TRUE(DDChangeColor(&g_BackBuffer, 8, 0, 56, 64, &g_Surfaces[S_PICTURE], 0, 255, 0, 0));
    const auto f = Frame();
    // Texture times colour: the red channel of a block, nothing of green and blue.
    EXPECT_EQ(At(f, 12, 0), Colour(PictureIndex(12, 0)) & 0xFF0000);
    EXPECT_EQ(At(f, 4, 0), 0u);
    // The transparent hole stays as it was.
    EXPECT_EQ(At(f, 32, 32), 0u);
}

TEST_F(FadeRulesTest, NoColourTintUnderDirectDraw) {
    ASSERT_TRUE(Open(kDisplays[3]));
    DDClear(&g_BackBuffer, BLACK);
    EXPECT_TRUE(DDChangeColor(&g_BackBuffer, 0, 0, 64, 64, 0, 255, 0, 0));
    EXPECT_EQ(RawPixel(&g_BackBuffer, 5, 5) & 0xFFFFFF, 0u);
}
