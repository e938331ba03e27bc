// Fonts: measuring, the glyph sheets (single-byte cells, the full-width table, the sheet's limit),
// icons, boxes, proportional lines, the program's fonts and digit sheets, recovery after a loss, and
// a golden frame of text per display.
#include "app/game_loop.h"
#include "draw/font.h"
#include "effects_fixture.h"
#include "platform/gfx/sim.h"
#include "project/system_bitmaps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace fxt;

namespace {

const char kFace[] = "ＭＳ ゴシック";

TEST(FontMeasure, FixedPitchBlocks) {
    Font f;
    f.m_nCellWidth = 16;
    f.m_nCellHeight = 16;
    int w = -1, h = -1;
    f.MeasureTextBlock("ＡB\nc", &w, &h);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    f.MeasureTextBlock("ab\n", &w, &h); // a closing line feed adds an empty line
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    f.MeasureTextBlock("", &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 16);
    f.MeasureTextBlock("ｱｲｳ\n\nあ", &w, &h); // half-width katakana are one byte each
    EXPECT_EQ(w, 48);
    EXPECT_EQ(h, 48);
    // A line far longer than any fixed buffer is measured whole.
    const std::string longLine(3000, 'x');
    f.MeasureTextBlock(longLine.c_str(), &w, &h);
    EXPECT_EQ(w, 3000 * 16);
}

class FontTest : public DisplayTest {
  protected:
    void OpenAt(int display) {
        ASSERT_TRUE(Open(kDisplays[display])) << kDisplays[display].name;
        DDClear(&g_BackBuffer, BLACK);
    }
    std::unique_ptr<Font> Make(int cell, int fast, bool icons = true) {
        auto f = std::make_unique<Font>();
        f->Create(kFace, 0, cell, cell, cell, WHITE, &g_Surfaces[S_BOX], 2, YELLOW,
                  icons ? &g_Surfaces[S_ICONS] : nullptr, fast);
        return f;
    }
    static int Lit(const std::vector<std::uint32_t>& f, int x0, int y0, int w, int h, std::uint32_t colour) {
        int n = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                if (At(f, x, y) == colour) ++n;
        return n;
    }
    // Pixels that are not black.
    static int Drawn(const std::vector<std::uint32_t>& f, int x0, int y0, int w, int h) {
        int n = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                if (At(f, x, y) != 0) ++n;
        return n;
    }
    static bool SameArea(const std::vector<std::uint32_t>& f, int ax, int ay, int bx, int by, int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (At(f, ax + x, ay + y) != At(f, bx + x, by + y)) return false;
        return true;
    }
};

constexpr int DD8 = 0, DD16 = 1, DD32 = 3, D3D16 = 5, D3D32 = 6;

} // namespace

TEST_F(FontTest, SheetSizesAndTheFullWidthTable) {
    OpenAt(DD32);
    auto dd = Make(16, 1);
    ASSERT_NE(dd->m_lpFastFont_FullAdd, nullptr);
    EXPECT_EQ(dd->m_lpFastFont_FullAdd->m_nCols, 32);
    EXPECT_EQ(dd->m_lpFastFont_FullAdd->m_nRows, 30);
    EXPECT_EQ(dd->m_lpFastFont_Half->m_nCapacity, 256);
    // The table names one character twice; it takes one cell.
    EXPECT_EQ(dd->m_lpFastFont_FullAdd->m_nCount, 255);
    EXPECT_GE(dd->m_lpFastFont_FullAdd->Find("ト"), 0);
    EXPECT_EQ(dd->m_lpFastFont_FullAdd->Find("ド"), -1);
    dd.reset();
    TearDown();
    SetUp();
    OpenAt(D3D32);
    auto d3d = Make(16, 1);
    EXPECT_EQ(d3d->m_lpFastFont_FullAdd->m_nCols, 32);
    EXPECT_EQ(d3d->m_lpFastFont_FullAdd->m_nRows, 32);
    // No glyph sheets without the flag or without a pitch.
    auto none = Make(16, 0);
    EXPECT_EQ(none->m_lpFastFont_Half, nullptr);
    auto noPitch = std::make_unique<Font>();
    noPitch->Create(kFace, 0, 16, 0, 16, WHITE, nullptr, 0, 0, nullptr, 1);
    EXPECT_EQ(noPitch->m_lpFastFont_Half, nullptr);
}

TEST_F(FontTest, SheetsAndDirectRenderingDrawTheSameText) {
    for (int display : {DD32, D3D32}) {
        OpenAt(display);
        auto fast = Make(16, 1);
        auto slow = Make(16, 0);
        const char* text = "SCORE 0123 ｱｲｳ\nあいう漢字";
        for (int round = 0; round < 2; ++round) {
            DDClear(&g_BackBuffer, BLACK);
            fast->Draw(&g_BackBuffer, 10, 10, text, 0);
            slow->Draw(&g_BackBuffer, 10, 100, text, 0);
            const auto f = Frame();
            const int a = Drawn(f, 10, 10, 16 * 14, 32), b = Drawn(f, 10, 100, 16 * 14, 32);
            EXPECT_GT(a, 200) << display;
            if (display == DD32) {
                EXPECT_TRUE(SameArea(f, 10, 10, 10, 100, 16 * 14, 32));
            } else {
                // Glyphs on a sheet carry their edge coverage twice; the same pixels are lit.
                EXPECT_GT(a, b * 2 / 3) << display;
                EXPECT_LE(a, b) << display;
            }
            // Characters added on the way keep their cells for the second round.
            EXPECT_GE(fast->m_lpFastFont_FullAdd->Find("漢"), 0);
        }
        fast.reset();
        slow.reset();
        TearDown();
        SetUp();
    }
}

TEST_F(FontTest, HalfWidthKatakanaComeFromTheirOwnCells) {
    OpenAt(DD32);
    auto font = Make(16, 1);
    cFontCache* half = font->m_lpFastFont_Half;
    font->Draw(&g_BackBuffer, 0, 0, "\xB1\xDF", 0);
    half->DrawCell(&g_BackBuffer, 100, 0, 0xB1, 1);
    half->DrawCell(&g_BackBuffer, 116, 0, 0xDF, 1);
    const auto f = Frame();
    EXPECT_TRUE(SameArea(f, 0, 0, 100, 0, 32, 16));
    EXPECT_GT(Lit(f, 100, 0, 32, 16, 0xFFFFFF), 5);
    // A lead byte's cell stays empty: it is no character on its own.
    DDClear(&g_BackBuffer, BLACK);
    half->DrawCell(&g_BackBuffer, 0, 0, 0x88, 1);
    EXPECT_EQ(Lit(Frame(), 0, 0, 16, 16, 0xFFFFFF), 0);
}

TEST_F(FontTest, TheCharacterPastAFullSheetIsRenderedEveryTime) {
    OpenAt(D3D32);
    // Cells of 64: a sheet of 16 x 16 = 256 cells, 255 taken by the table.
    auto font = Make(64, 1);
    cFontCache* full = font->m_lpFastFont_FullAdd;
    ASSERT_EQ(full->m_nCapacity, 256);
    font->Draw(&g_BackBuffer, 0, 0, "亜", 0);
    EXPECT_EQ(full->m_nCount, 256);
    EXPECT_GE(full->Find("亜"), 0);
    for (int i = 0; i < 2; ++i) {
        DDClear(&g_BackBuffer, BLACK);
        font->Draw(&g_BackBuffer, 0, 0, "唖", 0);
        EXPECT_EQ(full->Find("唖"), -1);
        EXPECT_EQ(full->m_nCount, 256);
        EXPECT_GT(Lit(Frame(), 0, 0, 64, 64, 0xFFFFFF), 20);
    }
}

TEST_F(FontTest, IconsReplaceLettersOrDrawOverThem) {
    for (int display : {DD32, D3D32}) {
        OpenAt(display);
        auto font = Make(16, 1);
        DDBlt(&g_BackBuffer, 0, 100, 48, 16, &g_Surfaces[S_ICONS], 0, 0, 1);
        font->Draw(&g_BackBuffer, 0, 0, "abc", 0);
        font->Draw(&g_BackBuffer, 0, 200, "abc", 1);
        auto plain = Make(16, 1, false);
        plain->Draw(&g_BackBuffer, 0, 300, "abc", 0);
        const auto f = Frame();
        // Icons only, no letters.
        EXPECT_TRUE(SameArea(f, 0, 0, 0, 100, 48, 16)) << display;
        // Letters as text with the icons drawn over them.
        EXPECT_FALSE(SameArea(f, 0, 200, 0, 100, 48, 16)) << display;
        EXPECT_EQ(At(f, 8, 208), Colour(RED)) << display;
        EXPECT_EQ(At(f, 40, 208), Colour(GREEN + 1)) << display;
        // A font without icons draws the letters.
        EXPECT_GT(Drawn(f, 0, 300, 48, 16), 20) << display;
        EXPECT_EQ(At(f, 8, 308) == Colour(RED), false) << display;
        font.reset();
        plain.reset();
        TearDown();
        SetUp();
    }
}

TEST_F(FontTest, BoxesAreFramedAndCentredOnTheBoxPicture) {
    OpenAt(DD32);
    auto font = Make(16, 1);
    font->DrawBox(&g_BackBuffer, 10000, 300, 100, 40);
    auto f = Frame();
    // x = 256 / 2 - 100 / 2 = 78; the frame of 2 lies outside.
    EXPECT_EQ(At(f, 76, 298), Colour(YELLOW));
    EXPECT_EQ(At(f, 75, 298), 0u);
    EXPECT_EQ(At(f, 80, 310), Colour(GREY));
    // A box sized to its text: "ABC\nDE" is 48 x 32, plus the margin of 8.
    DDClear(&g_BackBuffer, BLACK);
    font->DrawInRect(&g_BackBuffer, 20, 20, 0, 0, "ABC\nDE", 8);
    f = Frame();
    EXPECT_EQ(At(f, 18 + 56 + 3, 20), Colour(YELLOW)); // right frame at x + w .. x + w + 1
    EXPECT_EQ(At(f, 20, 18 + 32 + 3), Colour(YELLOW)); // bottom frame
    EXPECT_EQ(At(f, 20 + 56 + 2, 20), 0u);
    EXPECT_GT(Lit(f, 28, 20, 48, 32, 0xFFFFFF), 20);
    // Centred both ways with a formatted text.
    DDClear(&g_BackBuffer, BLACK);
    font->DrawInRectF(&g_BackBuffer, 10000, 10000, 96, 32, "%d:%s", 12, "ab");
    f = Frame();
    EXPECT_EQ(At(f, 80 - 2, 48 - 2), Colour(YELLOW));
}

TEST_F(FontTest, FormattedTextLongerThanAnyFixedBuffer) {
    OpenAt(DD32);
    auto font = Make(16, 1);
    const std::string big(2000, 'W');
    font->DrawF(&g_BackBuffer, 0, 0, "%s%s", big.c_str(), big.c_str());
    font->DrawInRectF(&g_BackBuffer, 0, 100, 0, 0, "%s", big.c_str());
    const auto f = Frame();
    EXPECT_GT(Lit(f, 0, 0, 640, 16, 0xFFFFFF), 100);
}

TEST_F(FontTest, ProportionalLinesAreDrawnOnceEach) {
    for (int display : {DD32, D3D32}) {
        OpenAt(display);
        auto font = std::make_unique<Font>();
        // Glyphs 16 high, lines 40 apart: a line drawn again by the line above would land at +16.
        font->Create(kFace, 0, 16, 0, 40, WHITE, nullptr, 0, 0, nullptr, 1);
        font->Draw(&g_BackBuffer, 10, 10, "AB\nCD\nEF", 0);
        const auto f = Frame();
        EXPECT_GT(Drawn(f, 10, 10, 100, 16), 20) << display;
        EXPECT_EQ(Drawn(f, 10, 26, 100, 24), 0) << display;
        EXPECT_GT(Drawn(f, 10, 50, 100, 16), 20) << display;
        EXPECT_EQ(Drawn(f, 10, 66, 100, 24), 0) << display;
        EXPECT_GT(Drawn(f, 10, 90, 100, 16), 20) << display;
        int w = 0, h = 0;
        font->Extent(nullptr, "AB\nCDEF", &w, &h);
        EXPECT_EQ(h, 80);
        font.reset();
        TearDown();
        SetUp();
    }
}

TEST_F(FontTest, ProgramFontsAndDigitSheets) {
    OpenAt(DD32);
    FONTDEF defs[2] = {};
    for (FONTDEF& d : defs) {
        std::strcpy(d.szFaceName, kFace);
        d.nValue2 = 16;
        d.nCellWidth = d.nCellHeight = 16;
        d.nValue5 = WHITE;
        d.nSurface = S_BOX;
        d.nValue7 = 1;
        d.nValue8 = YELLOW;
        d.nSurface2 = S_ICONS;
        d.nCacheMode = 1;
    }
    defs[1].nSurface2 = 99; // outside the array: no icon sheet
    Font fonts[2];
    EXPECT_EQ(CreateFonts(fonts, defs, 2), 1);
    EXPECT_EQ(fonts[0].m_lpBox, &g_Surfaces[S_BOX]);
    EXPECT_EQ(fonts[0].m_lpIcon, &g_Surfaces[S_ICONS]);
    EXPECT_EQ(fonts[1].m_lpIcon, nullptr);
    EXPECT_EQ(fonts[1].m_dwSerial, fonts[0].m_dwSerial + 1);
    SYSTEMBITMAP recs[2] = {};
    recs[0].nKey = recs[1].nKey = 1;
    DDSURFACEDATA digits[2];
    EXPECT_EQ(CreateNumberSurfaces(digits, recs, 2, fonts, defs), 1);
    EXPECT_EQ(digits[0].nWidth, 160);
    EXPECT_EQ(digits[0].nHeight, 16);
    DDBlt(&g_BackBuffer, 0, 0, 160, 16, &digits[0], 0, 0, 1);
    fonts[0].Draw(&g_BackBuffer, 0, 20, "0123456789", 0);
    const auto f = Frame();
    EXPECT_GT(Drawn(f, 0, 0, 160, 16), 100);
    EXPECT_TRUE(SameArea(f, 0, 0, 0, 20, 160, 16));
    DDReleaseSurface(&digits[0]);
    DDReleaseSurface(&digits[1]);
    fonts[0].Release();
    fonts[1].Release();
}

TEST_F(FontTest, SheetsAreRedrawnAfterALostDevice) {
    OpenAt(D3D32);
    auto font = Make(16, 1);
    const char* text = "ABC あいう漢字 ｱｲ";
    font->Draw(&g_BackBuffer, 10, 10, text, 0);
    const auto before = Frame();
    gfx::sim::LoseDevice(1);
    EXPECT_FALSE(DDPresent(0, 0, nullptr));
    EXPECT_FALSE(DDRestoreSurface()); // still lost at the first poll
    EXPECT_TRUE(DDRestoreSurface());
    EXPECT_EQ(font->m_lpFastFont_Half->m_Sheet.bLost, 0);
    EXPECT_EQ(font->m_lpFastFont_FullAdd->m_Sheet.bLost, 0);
    DDClear(&g_BackBuffer, BLACK);
    font->Draw(&g_BackBuffer, 10, 10, text, 0);
    EXPECT_EQ(Frame(), before);
}

TEST_F(FontTest, SheetsAreRedrawnAfterLostSurfaces) {
    OpenAt(DD32);
    auto font = Make(16, 1);
    const char* text = "ABC あいう漢字 ｱｲ";
    font->Draw(&g_BackBuffer, 10, 10, text, 0);
    const auto before = Frame();
    gfx::sim::LoseSurfaces();
    EXPECT_TRUE(DDRestore());
    DDClear(&g_BackBuffer, BLACK);
    font->Draw(&g_BackBuffer, 10, 10, text, 0);
    EXPECT_EQ(Frame(), before);
}

// The frame loop's lost-surface check restores (and redraws the glyph sheets) only after a loss: a
// frame that lost nothing leaves the sheets as they are.
TEST_F(FontTest, TheFrameLoopRedrawsTheSheetsOnlyAfterALoss) {
    OpenAt(DD32);
    DDInstallFrameHooks();
    auto font = Make(16, 1);
    gfx::PixelBuffer& sheet = font->m_lpFastFont_Half->m_Sheet.lpDDSide->lpSurface->Pixels();
    const std::uint32_t drawn = sheet.Get(0, 0), mark = drawn ^ 0x123456;
    sheet.Set(0, 0, mark);
    EXPECT_TRUE(g_DrawingHooks.restoreSurfaces());
    EXPECT_EQ(sheet.Get(0, 0), mark);
    gfx::sim::LoseSurfaces();
    EXPECT_TRUE(g_DrawingHooks.restoreSurfaces());
    EXPECT_EQ(g_PrimarySD.lpDDSide->lpSurface->IsLost(), gfx::DD_OK);
    EXPECT_EQ(font->m_lpFastFont_Half->m_Sheet.lpDDSide->lpSurface->Pixels().Get(0, 0), drawn);
}

TEST_F(FontTest, TextFollowsTheVirtualBackBuffer) {
    OpenAt(D3D32);
    auto fast = Make(16, 1);
    auto slow = Make(16, 0);
    DDSetBackBufferMode(1);
    DDClear(&g_BackBuffer, BLACK);
    fast->Draw(&g_BackBuffer, 10, 10, "ABC漢字", 0);
    slow->Draw(&g_BackBuffer, 10, 40, "ABC漢字", 0);
    DDSetBackBufferMode(0);
    const auto f = Frame();
    EXPECT_GT(Drawn(f, 10, 10, 80, 16), 40);
    EXPECT_GT(Drawn(f, 10, 40, 80, 16), 40);
}

// ---- A frame of text per display ----

class FontGoldenTest : public DisplayTest, public ::testing::WithParamInterface<int> {};

TEST_P(FontGoldenTest, TextMatchesTheGoldenFrame) {
    const Display& d = kDisplays[GetParam()];
    if (!Open(d)) GTEST_SKIP() << "display not available";
    DDClear(&g_BackBuffer, BLUE);
    Font small, text, big;
    small.Create(kFace, 0, 10, 10, 10, WHITE, &g_Surfaces[S_BOX], 1, WHITE, &g_Surfaces[S_ICONS], 1);
    text.Create(kFace, 0, 16, 16, 16, YELLOW, &g_Surfaces[S_BOX], 2, WHITE, &g_Surfaces[S_ICONS], 1);
    big.Create(kFace, 0, 30, 32, 32, CYAN, &g_Surfaces[S_BOX], 2, RED, nullptr, 0);
    small.Draw(&g_BackBuffer, 8, 8, "Half-width ABC xyz 0123456789 !?#%&", 1);
    text.Draw(&g_BackBuffer, 8, 24, "全角のテキスト：ゲームオーバー！ステージ１", 0);
    text.Draw(&g_BackBuffer, 8, 44, "ｶﾀｶﾅ ﾊﾝｶｸ and icons: abc xyz", 0);
    text.DrawF(&g_BackBuffer, 8, 64, "SCORE %08d  TIME %3d", 1234567, 99);
    big.Draw(&g_BackBuffer, 8, 84, "大きな文字 Big", 0);
    text.DrawBox(&g_BackBuffer, 10000, 140, 200, 48);
    text.Draw(&g_BackBuffer, 40, 148, "箱の中\nin a box", 0);
    text.DrawInRect(&g_BackBuffer, 300, 140, 0, 0, "測った大きさ\nmeasured block\n３行目", 8);
    text.DrawInRectF(&g_BackBuffer, 10000, 10000, 160, 20, "centred %d", 42);
    Font prop;
    prop.Create(kFace, 0, 16, 0, 24, WHITE, nullptr, 0, 0, nullptr, 1);
    prop.Draw(&g_BackBuffer, 8, 300, "Proportional text, two lines\nの行が重ならない", 0);
    // Into a surface in system memory, then shown.
    DDSURFACEDATA* sys = &g_Surfaces[S_SYSMEM];
    DDFillRect(sys, 0, 0, 128, 128, KEY);
    text.Draw(sys, 4, 4, "SYS\nメモリ", 0);
    DDBlt(&g_BackBuffer, 480, 300, 128, 128, sys, 0, 0, 1);
    EXPECT_EQ(CompareGolden(std::string("font_") + d.name, Frame()), 0);
    small.Release();
    text.Release();
    big.Release();
    prop.Release();
}

INSTANTIATE_TEST_SUITE_P(Displays, FontGoldenTest, ::testing::Values(DD8, DD16, DD32, D3D16, D3D32),
                         [](const auto& info) { return std::string(kDisplays[info.param].name); });
