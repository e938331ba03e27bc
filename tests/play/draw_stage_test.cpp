// The stage's non-object layers: scrolling, tiles, blocks at the stage's edges, the status bar's
// layout and gauges, the time display and the screen colour.
#include "draw/dd_startup.h"
#include "objects/chara_draw.h"
#include "play/draw_stage.h"
#include "play/stage_draw_fixture.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <climits>

namespace {

TEST(StageScroll, WrapsIntoThePictureWhateverTheSpeed) {
    struct Case {
        double pos, speed;
        int size;
        double expected;
    } cases[] = {
        {10, 3, 100, 7},    {2, 3, 100, 99},      {10, 250, 100, 60}, // faster than the picture is wide
        {0, -350, 100, 50}, {99.5, -0.5, 100, 0}, {5, 7, 0, 5},       // a picture without size stays
    };
    for (const Case& c : cases) {
        const double p = WrapScroll(c.pos, c.speed, c.size);
        EXPECT_DOUBLE_EQ(p, c.expected) << c.pos << " " << c.speed << " " << c.size;
        if (c.size > 0) {
            EXPECT_GE(p, 0);
            EXPECT_LT(p, c.size);
        }
    }
}

TEST(StageStatusBar, NumberTextsShowUnlimitedLivesAsADash) {
    struct Case {
        int item, value;
        const char* label;
        bool icon;
        const char* text;
    };
    for (const Case& c : {Case{4, 999999, "残り", false, "残り-"}, Case{4, 999999, "", true, "-"},
                          Case{4, 3, "残り", false, "残り3"}, Case{1, 999999, "SCORE", false, "SCORE999999"},
                          Case{0, -5, "TOTAL", true, "-5"}})
        EXPECT_EQ(StatusValueText(c.item, c.value, c.label, c.icon), c.text) << c.item << " " << c.value;
}

TEST(StageStatusBar, GapsAreEqualAndGaugesStayInRange) {
    g_SystemData = cSystemData{};
    g_SystemData.m_vStatusItems.resize(5);
    const struct {
        int show, icon;
        const char* label;
        int digits;
    } items[5] = {{1, 1, "", 6}, {1, 0, "SCORE", 6}, {1, 1, "", 0}, {0, 0, "", 0}, {1, 0, "残り", 2}};
    for (int i = 0; i < 5; ++i) {
        cStatusItem& it = g_SystemData.m_vStatusItems.at(i);
        it.m_nShow = items[i].show;
        it.m_nIcon = items[i].icon;
        it.m_strLabel = items[i].label;
        it.m_nDigits = items[i].digits;
    }
    const cStatusLayout l = StatusBarLayout();
    const int widths[5] = {16 + 96, 80 + 96, 16 + 50, 0, 32 + 32};
    const int sum = widths[0] + widths[1] + widths[2] + widths[4];
    EXPECT_EQ(l.nShown, 4);
    EXPECT_EQ(l.nGap, (638 - sum) / 5);
    int x = l.nGap;
    for (int i : {0, 1, 2, 4}) {
        EXPECT_EQ(l.nWidth[i], widths[i]) << i;
        EXPECT_EQ(l.nX[i], x) << i;
        x += widths[i] + l.nGap;
    }
    EXPECT_FALSE(l.bShown[3]);
    g_SystemData = cSystemData{};

    const struct {
        std::int64_t value, maximum;
        int fill;
    } gauges[] = {{5, 10, 25},
                  {10, 10, 50},
                  {20, 10, 50},
                  {-5, 10, 0},
                  {3, 0, 0},
                  {INT_MAX, INT_MAX, 50},
                  {INT_MAX / 2, INT_MAX, 24}};
    for (const auto& g : gauges)
        EXPECT_EQ(GaugeFill(g.value, g.maximum), g.fill) << g.value << "/" << g.maximum;
}

TEST(StageScreenColour, AlphaPerFrameInBothModes) {
    cScreenColour c;
    // Toward the colour, strength 100 % over one tenth (6 frames): the tint stays at its end.
    const int toward[8] = {255, 0, 0, 100, 0, 1, 0, 0};
    SetScreenColor(c, toward);
    const int expected[] = {255, 212, 170, 127, 85, 42, 0, 0};
    for (int a : expected) {
        EXPECT_EQ(ScreenColourAlpha(c), a) << "frame " << c.nFrame;
        if (++c.nFrame >= c.nDuration) c.nFrame = c.nDuration;
    }
    c.nAlpha = 0;
    // From the previous colour back to nothing: starts at the previous alpha.
    const int back[8] = {0, 0, 0, 0, 1, 2, 0, 0};
    SetScreenColor(c, back);
    EXPECT_EQ(c.nPrevAlpha, 0);
    EXPECT_EQ(ScreenColourAlpha(c), 0);
    c.nFrame = 6;
    EXPECT_EQ(ScreenColourAlpha(c), 127);
    c.nFrame = 12;
    EXPECT_EQ(ScreenColourAlpha(c), 255);
    // No duration: the target at once.
    const int now[8] = {0, 0, 255, 50, 0, 0, 0, 0};
    SetScreenColor(c, now);
    EXPECT_EQ(ScreenColourAlpha(c), 127);
}

class StageLayers : public StageDrawTest, public ::testing::WithParamInterface<int> {};

TEST_P(StageLayers, TilesArePaddedAndBlocksStayInsideTheStage) {
    ASSERT_TRUE(Open(GetParam()));
    // Tiles: each 16 x 16 piece alone in a 32 x 32 cell with a margin of colour 0.
    BuildBlockTiles();
    DDClear(&g_BackBuffer, SP_BLUE);
    DDBlt(&g_BackBuffer, 0, 0, 256, 480, &g_SystemSurfaces[SYSBMP_TILES_A], 0, 0, 1);
    auto f = PresentAndRead();
    // Colour 0 is black under DirectDraw and transparent under Direct3D.
    const std::uint32_t margin = StagePaletteColour(GetParam() ? SP_BLUE : SP_BLACK);
    // Block picture 1 is the piece at (32, 0): its left half goes to (72, 8), its right half to (104, 8).
    EXPECT_EQ(At(f, 72, 8), StagePaletteColour(SP_WHITE)) << "the top-left mark of the piece";
    EXPECT_EQ(At(f, 76, 12), StagePaletteColour(BlockColour(1)));
    EXPECT_EQ(At(f, 104, 12), StagePaletteColour(BlockColour(1)));
    for (auto [x, y] : {std::pair{71, 12}, {88, 12}, {103, 12}, {120, 12}, {76, 7}, {76, 24}})
        EXPECT_EQ(At(f, x, y), margin) << x << "," << y;

    // Blocks: stage columns -1 and 30 (margin) are never drawn, column 29 is.
    for (int row = 0; row < 20; ++row) {
        PutBlock(-1, row, 3);
        PutBlock(29, row, 5);
        PutBlock(30, row, 7);
        PutBlock(0, row, 9, 1); // front layer: not drawn with layer 0
    }
    SetView(-16, 0);
    DrawBackground(&g_BackBuffer, 0);
    DrawBlocks(*m_Scene, &g_BackBuffer, 0);
    f = PresentAndRead();
    const std::uint32_t none = StagePaletteColour(16);
    EXPECT_EQ(At(f, 8, 100), none) << "stage column -1";
    EXPECT_EQ(At(f, 24, 100), none) << "column 0 holds only a front block";
    DrawBlocks(*m_Scene, &g_BackBuffer, 1);
    f = PresentAndRead();
    EXPECT_EQ(At(f, 24, 100), StagePaletteColour(BlockColour(9)));

    SetView(30 * 32 - 640 + 16, 0);
    DrawBackground(&g_BackBuffer, 0);
    DrawBlocks(*m_Scene, &g_BackBuffer, 0);
    f = PresentAndRead();
    EXPECT_EQ(At(f, 620, 100), StagePaletteColour(BlockColour(5))) << "the last column";
    EXPECT_EQ(At(f, 630, 100), none) << "beyond the stage";
}

TEST_P(StageLayers, ABackPassThatDrawsNoLayerFillsTheView) {
    ASSERT_TRUE(Open(GetParam()));
    // Layer 0 is bg0 (its quarters colours 50 to 53), layer 1 a front layer, layer 3 a back layer
    // whose picture did not load.
    DDReleaseSurface(&g_SystemSurfaces[SYSBMP_BACKGROUND_FIRST + 3]);
    g_Stage.m_Backgrounds.resize(4);
    const struct {
        int backShown, frontShown, missingShown;
        bool filled;
    } cases[] = {{0, 0, 0, true}, {0, 1, 0, true}, {0, 1, 1, true}, {1, 1, 1, false}};
    for (const auto& k : cases) {
        const int shown[4] = {k.backShown, k.frontShown, 0, k.missingShown};
        for (int n = 0; n < 4; ++n) {
            cEdStageTableD& layer = g_Stage.m_Backgrounds.at(n);
            layer = cEdStageTableD{};
            layer.m_nShown = shown[n];
            layer.m_nPass = n == 1 ? 1 : 0;
            layer.m_dSpeedX = layer.m_dSpeedY = 0;
        }
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawBackground(&g_BackBuffer, 0);
        auto f = PresentAndRead();
        EXPECT_EQ(At(f, 5, 5), StagePaletteColour(k.filled ? 16 : 50))
            << k.backShown << k.frontShown << k.missingShown;
    }
}

TEST_P(StageLayers, StatusBarAndTimeDisplay) {
    ASSERT_TRUE(Open(GetParam()));
    g_SystemData.m_vStatusItems.resize(5);
    for (int i = 0; i < 5; ++i) {
        cStatusItem& it = g_SystemData.m_vStatusItems.at(i);
        it.m_nShow = i >= 2 && i <= 3 ? 1 : 0;
        it.m_nIcon = 1;
        it.m_nWarnLimit = 3;
    }
    g_Heroes.resize(1);
    g_Heroes[0].m_Def.m_nMaxHP = 10;
    g_Heroes[0].m_nHP = 6;
    g_Heroes[0].m_Def.m_nMaxSP = 10;
    g_Heroes[0].m_nSP = 2; // at the low limit
    m_Scene->m_nTimeLimit = 207;
    DDClear(&g_BackBuffer, SP_BLUE);
    DrawStatusBar(*m_Scene, &g_BackBuffer);
    DrawTimeLimit(*m_Scene, &g_BackBuffer, 0);
    auto f = PresentAndRead();
    const cStatusLayout l = StatusBarLayout();
    const int hp = l.nX[2] + 16, sp = l.nX[3] + 16;
    EXPECT_EQ(At(f, 1, 1), StagePaletteColour(20)) << "the bar";
    EXPECT_EQ(At(f, hp + 29, 10), StagePaletteColour(27)) << "HP filled to 30 of 50";
    EXPECT_EQ(At(f, hp + 31, 10), StagePaletteColour(26)) << "the frame beyond";
    EXPECT_EQ(At(f, sp + 9, 10), StagePaletteColour(28)) << "SP drawn from the low-limit row";
    // Three digits 2, 0, 7 from x 272.
    EXPECT_EQ(At(f, 272 + 10, 24 + 10), StagePaletteColour(42));
    EXPECT_EQ(At(f, 304 + 10, 24 + 10), StagePaletteColour(40));
    EXPECT_EQ(At(f, 336 + 10, 24 + 10), StagePaletteColour(47));
    m_Scene->m_bTimeStopped = 1;
    DDClear(&g_BackBuffer, SP_BLUE);
    DrawTimeLimit(*m_Scene, &g_BackBuffer, 0);
    f = PresentAndRead();
    EXPECT_EQ(At(f, 282, 34), StagePaletteColour(SP_BLUE)) << "no time display without a time limit";
}

// A back layer's tiles cover the whole view wherever it stands: nothing of the two frames shown
// before (two stores of the back buffer, each filled with a colour of its own) shows through, and
// each pixel is the picture's (96 x 64, quarters of colours 50 to 53) at the scrolled place.
TEST_P(StageLayers, TheFirstBackLayerCoversEveryPixelOfTheFramesBefore) {
    ASSERT_TRUE(Open(GetParam()));
    g_Stage.m_Backgrounds.resize(1);
    cEdStageTableD& layer = g_Stage.m_Backgrounds.at(0);
    layer = cEdStageTableD{};
    layer.m_nShown = 1;
    layer.m_dSpeedX = layer.m_dSpeedY = 1;
    for (auto [vx, vy] : {std::pair{0, 0}, {37, 5}, {95, 63}, {200, 17}}) {
        DDClear(&g_BackBuffer, SP_BLUE);
        PresentAndRead();
        DDClear(&g_BackBuffer, SP_WHITE);
        PresentAndRead();
        SetView(vx, vy);
        DrawBackground(&g_BackBuffer, 0);
        const auto f = PresentAndRead();
        for (int y = 0; y < 480; y += 7)
            for (int x = 0; x < 640; x += 3) {
                const int px = (x + vx) % 96, py = (y + vy) % 64;
                const int colour = 50 + (px >= 48 ? 1 : 0) + (py >= 32 ? 2 : 0);
                ASSERT_EQ(At(f, x, y), StagePaletteColour(colour))
                    << "view " << vx << "," << vy << " at " << x << "," << y;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, StageLayers, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "D3D" : "DD"; });

} // namespace
