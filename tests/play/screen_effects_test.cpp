// Screen effects: how long they run, there and back, looping, and the shake's uncovered edge.
#include "draw/dd_startup.h"
#include "play/draw_stage.h"
#include "play/screen_effects.h"
#include "play/stage_draw_fixture.h"
#include "project/project_database.h"

#include <array>

namespace {

// Screen effects 1.. of the given kinds and parameters (duration in tenths, start, end, p1, p2).
void SetScreenEffects(std::initializer_list<std::array<int, 6>> effects) {
    FillEffectList(g_Database.m_ScrEffects, effects);
    g_Database.FillWorkingCopies();
    BuildScrEffectTables(g_ScrEffectTable, g_ScrEffectTableRev);
}

TEST(ScreenEffectState, RunsExactlyItsDurationThereAndBackOrForEver) {
    SetScreenEffects({{SCREEN_EFFECT_MOSAIC, 2, 8, 8, 0, 0},      // start = end: 12 frames
                      {SCREEN_EFFECT_ROTATE, 1, 0, 60, 0, 0},     // 10 degrees a frame
                      {SCREEN_EFFECT_SHAKE_H, 1, 8, 1, 0, 0},     // always timed
                      {SCREEN_EFFECT_ZOOM, 0, 640, 1280, 0, 0}}); // no duration
    const struct {
        int effect, mode, loop, frames;
    } cases[] = {{1, 0, 0, 12}, {1, 2, 0, 24}, {2, 0, 0, 7},  {2, 1, 0, 7}, {2, 2, 0, 14},
                 {3, 0, 0, 6},  {4, 0, 0, 1},  {1, 2, 1, -1}, {2, 0, 1, -1}};
    for (const auto& c : cases) {
        cScreenEffectState s;
        s.Start(c.effect, c.mode, c.loop);
        int n = -1;
        for (int f = 1; f <= 500 && n < 0; ++f)
            if (s.Step()) n = f;
        EXPECT_EQ(n, c.frames) << c.effect << " mode " << c.mode << " loop " << c.loop;
    }
    cScreenEffectState s;
    s.Start(2, 1, 0);
    EXPECT_EQ(s.dValue, 60) << "the reverse list swaps start and end";
}

class ScreenEffectDraw : public StageDrawTest, public ::testing::WithParamInterface<int> {};

TEST_P(ScreenEffectDraw, ShakeAlternatesAndLeavesNoGarbageAtTheEdge) {
    ASSERT_TRUE(Open(GetParam()));
    // Amplitude 8, two swings in one tenth: 8 x 2 x 4 / 6 pixels a frame.
    SetScreenEffects({{SCREEN_EFFECT_SHAKE_H, 1, 8, 2, 0, 0}});
    g_ScreenEffect.Start(1, 0, 0);
    std::vector<int> values;
    const std::uint32_t edge = StagePaletteColour(16), picture = StagePaletteColour(SP_RED);
    for (int f = 0; f < 6; ++f) {
        DDSetBackBufferMode(1);
        DDClear(&g_BackBuffer, SP_RED);
        const int v = static_cast<int>(g_ScreenEffect.dValue);
        RunScreenEffect(*m_Scene, 0);
        values.push_back(static_cast<int>(g_ScreenEffect.dValue));
        DDSetBackBufferMode(0);
        const auto fr = PresentAndRead();
        for (int x : {0, 7, 632, 639}) {
            const bool uncovered = (v > 0 && x < v) || (v < 0 && x >= 640 + v);
            EXPECT_EQ(At(fr, x, 200), uncovered ? edge : picture)
                << "frame " << f << " v " << v << " x " << x;
        }
    }
    EXPECT_EQ(values, (std::vector<int>{8, -2, -8, 2, 8, -2})) << "bounded by the amplitude";
    EXPECT_EQ(g_ScreenEffect.nEffect, 0) << "ended after its duration";
    g_Database = cProjectDatabase{};
    g_ScreenEffect = cScreenEffectState{};
}

TEST_P(ScreenEffectDraw, PausedFramesDrawWithoutAdvancing) {
    ASSERT_TRUE(Open(GetParam()));
    SetScreenEffects({{SCREEN_EFFECT_MOSAIC, 1, 4, 16, 0, 0}});
    g_ScreenEffect.Start(1, 0, 0);
    g_ScreenEffect.dValue = 8;
    for (int i = 0; i < 3; ++i)
        RunScreenEffect(*m_Scene, 1);
    EXPECT_EQ(g_ScreenEffect.dValue, 8);
    EXPECT_EQ(g_ScreenEffect.nEffect, 1);
    g_Database = cProjectDatabase{};
    g_ScreenEffect = cScreenEffectState{};
}

// Over a picture red in its top-left (up to x 324, y 244) and blue elsewhere, the first frame of an
// effect whose value stands still (the second for blinks): splits cut the screen into p1 strips (a
// strip's parity shows in the colour beside the red edge, even strips moving right or down, odd ones
// left or up), the lens is centred on the screen's centre (no hero) shifted by (p1, p2) with its
// value as depth, and a wave, mosaic or circle parameter of 0 or a blink interval of 0 draws what
// its formula gives (colour 16 where nothing is drawn; a blink that never reaches its interval).
TEST_P(ScreenEffectDraw, SplitsLensWavesAndMosaicsDrawTheirParameters) {
    ASSERT_TRUE(Open(GetParam()));
    g_Heroes.clear();
    const std::uint32_t red = StagePaletteColour(SP_RED), blue = StagePaletteColour(SP_BLUE);
    const std::uint32_t none = StagePaletteColour(16);
    const struct {
        std::array<int, 6> effect; // kind, tenths, start, end, p1, p2
        int x, y;
        std::uint32_t colour;
        int frames = 1;
    } cases[] = {
        {{SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 15, 0}, 300, 31, red},     // 15 strips of 32
        {{SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 15, 0}, 300, 32, blue},    // the second strip
        {{SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 15, 0}, 300, 64, red},     // the third
        {{SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 7, 0}, 300, 68, red},      // 480 / 7 leaves a remainder:
        {{SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 7, 0}, 300, 69, blue},     // strips of 69
        {{SCREEN_EFFECT_SPLIT_H, 10, 40, 40, 0, 0}, 340, 100, blue},    // nothing to divide: a copy
        {{SCREEN_EFFECT_SPLIT_V, 10, 40, 40, 20, 0}, 31, 220, red},     // 20 strips of 32 across
        {{SCREEN_EFFECT_SPLIT_V, 10, 40, 40, 20, 0}, 32, 220, blue},    //
        {{SCREEN_EFFECT_LENS, 10, 5, 5, 0, 0}, 360, 240, red},          // shallow: the middle magnified
        {{SCREEN_EFFECT_LENS, 10, 1500, 1500, 0, 0}, 360, 240, blue},   // deep: nearly flat
        {{SCREEN_EFFECT_LENS, 10, 5, 5, 100, 0}, 360, 240, blue},       // centred at (420, 240)
        {{SCREEN_EFFECT_LENS, 10, 5, 5, 0, 100}, 360, 240, blue},       // centred at (320, 340)
        {{SCREEN_EFFECT_LENS, 10, 5, 5, 2000000000, 0}, 300, 240, red}, // far off: the picture as it is
        {{SCREEN_EFFECT_WAVE_H, 10, 40, 40, 1, 8}, 100, 250, red},      // one wave lifts x 100 by 34
        {{SCREEN_EFFECT_WAVE_H, 10, 40, 40, 0, 8}, 100, 250, blue},     // no waves: flat
        {{SCREEN_EFFECT_WAVE_H, 10, 40, 40, 1, 0}, 100, 100, none},     // strips of 0: nothing drawn
        {{SCREEN_EFFECT_MOSAIC, 10, 0, 0, 0, 0}, 100, 100, none},       // cells of 0: nothing drawn
        {{SCREEN_EFFECT_MOSAIC, 10, 1, 1, 0, 0}, 100, 100, red},        // cells of 1: a copy
        {{SCREEN_EFFECT_CIRCLE, 10, 400, 400, 8, 0}, 100, 100, red},    // bands of 8 within the radius
        {{SCREEN_EFFECT_CIRCLE, 10, 400, 400, 0, 0}, 100, 100, none},   // bands of 0: nothing drawn
        {{SCREEN_EFFECT_BLINK, 10, 1, 0, 0, 0}, 100, 100, none, 2},     // hidden after one frame
        {{SCREEN_EFFECT_BLINK, 10, 2, 0, 0, 0}, 100, 100, red, 2},      // still shown after one
        {{SCREEN_EFFECT_BLINK, 10, 0, 0, 0, 0}, 100, 100, red, 2},      // an interval never reached
    };
    for (const auto& c : cases) {
        SetScreenEffects({c.effect});
        g_ScreenEffect.Start(1, 0, 0);
        for (int f = 0; f < c.frames; ++f) {
            DDSetBackBufferMode(1);
            DDClear(&g_BackBuffer, SP_BLUE);
            DDFillRect(&g_BackBuffer, 0, 0, 325, 245, SP_RED);
            RunScreenEffect(*m_Scene, 0);
            DDSetBackBufferMode(0);
        }
        EXPECT_EQ(At(PresentAndRead(), c.x, c.y), c.colour)
            << "kind " << c.effect[0] << " value " << c.effect[2] << " p1 " << c.effect[4] << " p2 "
            << c.effect[5] << " at (" << c.x << ", " << c.y << ")";
    }
    g_Database = cProjectDatabase{};
    g_ScreenEffect = cScreenEffectState{};
}

// At 8 bits under DirectDraw the screen colour blends the palette with the colour's alpha as the
// base's weight (of 256): a fade toward black starts at 255, a shade below the base.
TEST_F(StageDrawTest, ScreenColourBlendsThePaletteWithItsAlpha) {
    ASSERT_TRUE(Open(0, 8));
    const int black[8] = {0, 0, 0, 60, 0, 1, 0, 0};
    SetScreenColor(g_ScreenColour, black);
    for (int frame = 0; frame < 4; ++frame) {
        DrawScreenColor(*m_Scene, 0);
        const int a = g_ScreenColour.nAlpha;
        if (frame == 0) {
            EXPECT_EQ(a, 255);
        }
        for (int i : {int{SP_WHITE}, int{SP_RED}, int{SP_BLUE}, 200}) {
            const gfx::PALETTEENTRY& b = g_BasePalette[i];
            EXPECT_EQ(g_Palette[i].peRed, (b.peRed * a) >> 8) << "entry " << i << " alpha " << a;
            EXPECT_EQ(g_Palette[i].peGreen, (b.peGreen * a) >> 8) << "entry " << i << " alpha " << a;
            EXPECT_EQ(g_Palette[i].peBlue, (b.peBlue * a) >> 8) << "entry " << i << " alpha " << a;
        }
    }
    g_ScreenColour = cScreenColour{};
}

// At 8 bits under DirectDraw a screen colour that ends leaves its last blend shown for its last
// frame and then gives the base palette back; a held colour keeps its blend.
TEST_F(StageDrawTest, AnEndedScreenColourGivesTheBasePaletteBack) {
    ASSERT_TRUE(Open(0, 8));
    const struct {
        const char* what;
        int p[8];
        bool ends;
    } cases[] = {
        {"from the last colour", {0, 0, 255, 60, 1, 1, 0, 0}, true},
        {"toward no colour", {0, 0, 255, 0, 0, 1, 0, 0}, true},
        {"there and back once", {0, 0, 255, 60, 0, 1, 1, 1}, true},
        {"held", {0, 0, 255, 60, 0, 1, 0, 0}, false},
    };
    const gfx::PALETTEENTRY& base = g_BasePalette[SP_WHITE];
    auto shown = [&] {
        const gfx::PALETTEENTRY& e = g_Palette[SP_WHITE];
        return e.peRed == base.peRed && e.peGreen == base.peGreen && e.peBlue == base.peBlue;
    };
    for (const auto& c : cases) {
        g_ScreenColour = cScreenColour{};
        SetScreenColor(g_ScreenColour, c.p);
        int frames = 0;
        while (g_ScreenColour.bActive && frames < 30) {
            DrawScreenColor(*m_Scene, 0);
            ++frames;
        }
        EXPECT_EQ(g_ScreenColour.bActive, c.ends ? 0 : 1) << c.what;
        EXPECT_FALSE(shown()) << c.what << ": the last frame shows the blend";
        DrawScreenColor(*m_Scene, 0);
        EXPECT_EQ(shown(), c.ends) << c.what << " after " << frames << " frames";
        DrawScreenColor(*m_Scene, 0);
        EXPECT_EQ(shown(), c.ends) << c.what;
    }
    g_ScreenColour = cScreenColour{};
}

INSTANTIATE_TEST_SUITE_P(Backends, ScreenEffectDraw, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "D3D" : "DD"; });

} // namespace
