// Characters in their draw modes, character effects, the darkness window, blink chips and effect
// objects.
#include "draw/blink_colours.h"
#include "draw/dd_startup.h"
#include "objects/chara_draw.h"
#include "objects/item.h"
#include "objects/effects.h"
#include "objects/message_window.h"
#include "objects/movement.h"
#include "objects/stage_pictures.h"
#include "play/draw_frame.h"
#include "play/stage_draw_fixture.h"
#include "platform/crt_rand.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "app/thread.h"

#include <array>
#include <cmath>

#include <thread>

namespace {

// Character effects 1.. of the given kinds and parameters (duration in tenths, start, end, p1, p2).
void SetCharaEffects(std::initializer_list<std::array<int, 6>> effects) {
    g_Database.m_CharaEffects.clear();
    g_Database.m_CharaEffects.push_back(cEffectRecord::ListDefault());
    for (const auto& e : effects) {
        cEffectRecord r;
        r.nKind = e[0];
        for (int k = 0; k < 5; ++k)
            r.nParam[k] = e[k + 1];
        g_Database.m_CharaEffects.push_back(r);
    }
    g_Database.FillWorkingCopies();
    BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
}

// Frames until Step reports the end (at most `limit`).
int FramesToEnd(cCharaEffectState& s, int limit = 1000) {
    for (int n = 1; n <= limit; ++n)
        if (s.Step()) return n;
    return -1;
}

TEST(CharaEffects, RunTheirTimeForwardBackAndLooping) {
    SetCharaEffects({{CHARA_EFFECT_MOSAIC, 1, 4, 4, 0, 0},  // start = end: runs on time
                     {CHARA_EFFECT_ZOOM, 1, 0, 60, 0, 0},   // 10 per frame
                     {CHARA_EFFECT_ZOOM, 0, 0, 60, 0, 0},   // no duration
                     {CHARA_EFFECT_BLINK, 2, 0, 0, 3, 0}}); // timed kind
    cCharaEffectState s;
    const struct {
        int effect, mode, loop, frames;
    } cases[] = {{1, 0, 0, 6}, {1, 2, 0, 12}, {2, 0, 0, 7},  {2, 1, 0, 7}, {2, 2, 0, 14},
                 {3, 0, 0, 1}, {4, 0, 0, 12}, {1, 0, 1, -1}, {2, 2, 1, -1}};
    for (const auto& c : cases) {
        s.Start(c.effect, c.mode, c.loop);
        EXPECT_EQ(FramesToEnd(s), c.frames) << c.effect << " mode " << c.mode << " loop " << c.loop;
    }
    // The reverse list runs from the end value back to the start.
    s.Start(2, 1, 0);
    EXPECT_EQ(s.dValue, 60);
    s.Step();
    EXPECT_EQ(s.dValue, 50);
    // There and back: the second pass plays the reverse entry.
    s.Start(2, 2, 0);
    for (int i = 0; i < 7; ++i)
        s.Step();
    EXPECT_EQ(s.bReverse, 1);
    EXPECT_EQ(s.dValue, 60);
}

class CharaDraw : public StageDrawTest, public ::testing::WithParamInterface<int> {
  protected:
    // A character of picture 2 whose 32 x 32 cell is drawn at (100, 100).
    static cStageChara& CellChara() {
        g_Charas.emplace_back();
        cStageChara& c = g_Charas.back();
        c.Init(1, c.m_Def, nullptr);
        c.m_nPicture = 2;
        c.m_nHitW = c.m_nHitH = c.m_nHitW0 = c.m_nHitH0 = 32;
        c.m_rcScreen = {100, 100, 131, 131};
        return c;
    }
};

TEST_P(CharaDraw, ModesDrawAndAnEndingModeClearsItsEffectTheSameFrame) {
    ASSERT_TRUE(Open(GetParam()));
    SetCharaEffects({{CHARA_EFFECT_ZOOM, 0, 100, 100, 0, 0}, {CHARA_EFFECT_BLINK, 1, 0, 0, 2, 0}});
    cStageChara& c = CellChara();
    const std::uint32_t body = StagePaletteColour(CharaColour(2, 0));
    for (int kind = 0; kind < 2; ++kind) {
        c.m_nCharaEffect = kind; // 0 plain, 1 a zoom of 100 % for 0 tenths: draws once, then ends
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawChara(&g_BackBuffer, 0, c);
        auto f = PresentAndRead();
        EXPECT_EQ(At(f, 116, 116), body) << "kind " << kind;
        EXPECT_EQ(At(f, 101, 116), StagePaletteColour(SP_BLUE)) << "the cell's transparent edge";
        EXPECT_EQ(c.m_nCharaEffect, 0);
    }
    // Blink with an interval of 2: visible, visible, hidden, hidden, visible ...
    c.m_nCharaEffect = 2;
    const bool shown[] = {true, true, false, false, true, true};
    for (bool expect : shown) {
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawChara(&g_BackBuffer, 0, c);
        auto f = PresentAndRead();
        EXPECT_EQ(At(f, 116, 116) == body, expect);
    }
    // A still frame neither blinks on nor advances.
    const cCharaEffectState before = c.m_EffectState;
    DrawChara(&g_BackBuffer, 1, c);
    EXPECT_EQ(c.m_EffectState.nBlinkCount, before.nBlinkCount);
    EXPECT_EQ(c.m_EffectState.dElapsed, before.dElapsed);
    g_Charas.clear();
}

// The cell (body x 4-27, y 2-31, a white corner at 4-7, 2-5) at (100, 100) in draw modes whose value
// stands still: a split cuts it into p1 strips (even strips move right or down by the value, odd
// ones left or up, so a strip's parity shows beside the cell), the lens is centred on the cell's
// centre shifted by (p1, p2) with its value as depth, and a wave or mosaic parameter of 0 draws what
// its formula gives.
TEST_P(CharaDraw, SplitsLensWavesAndMosaicsDrawTheirParameters) {
    ASSERT_TRUE(Open(GetParam()));
    cStageChara& c = CellChara();
    const std::uint32_t body = StagePaletteColour(CharaColour(2, 0)), white = StagePaletteColour(SP_WHITE),
                        back = StagePaletteColour(SP_BLUE);
    const struct {
        std::array<int, 6> effect; // kind, tenths, start, end, p1, p2
        int x, y;                  // in the cell
        std::uint32_t colour;
    } cases[] = {
        {{CHARA_EFFECT_SPLIT_H, 10, 8, 8, 4, 0}, 30, 4, body},   // 4 strips of 8: row 4 moved right
        {{CHARA_EFFECT_SPLIT_H, 10, 8, 8, 4, 0}, 30, 8, back},   // row 8 left
        {{CHARA_EFFECT_SPLIT_H, 10, 8, 8, 3, 0}, 30, 10, body},  // 3 strips of 11
        {{CHARA_EFFECT_SPLIT_H, 10, 8, 8, 3, 0}, 30, 11, back},  //
        {{CHARA_EFFECT_SPLIT_H, 10, 8, 8, 3, 0}, 30, 31, body},  // the last strip reaches the bottom
        {{CHARA_EFFECT_SPLIT_H, 10, 8, 8, 0, 0}, 30, 4, back},   // nothing to divide: as it is
        {{CHARA_EFFECT_SPLIT_V, 10, 8, 8, 4, 0}, 7, 35, body},   // column 7 moved down
        {{CHARA_EFFECT_SPLIT_V, 10, 8, 8, 4, 0}, 8, 35, back},   // column 8 up
        {{CHARA_EFFECT_LENS, 10, 100, 100, 0, 0}, 5, 3, white},  // deep: nearly flat
        {{CHARA_EFFECT_LENS, 10, 5, 5, 0, 0}, 5, 3, body},       // shallow: the middle magnified
        {{CHARA_EFFECT_LENS, 10, 5, 5, -10, -12}, 10, 4, white}, // centred on the white corner
        {{CHARA_EFFECT_WAVE_H, 10, 8, 8, 0, 2}, 16, 16, body},   // no waves: as it is
        {{CHARA_EFFECT_WAVE_H, 10, 8, 8, 2, 0}, 16, 16, back},   // strips of 0: nothing drawn
        {{CHARA_EFFECT_MOSAIC, 10, 0, 0, 0, 0}, 16, 16, back},   // cells of 0: nothing drawn
    };
    for (const auto& k : cases) {
        const auto& e = k.effect;
        SetCharaEffects({{e[0], e[1], e[2], e[3], e[4], e[5]}});
        StartCharaEffect(c, 1, 0, 0);
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawChara(&g_BackBuffer, 1, c);
        EXPECT_EQ(At(PresentAndRead(), 100 + k.x, 100 + k.y), k.colour)
            << "kind " << e[0] << " value " << e[2] << " p1 " << e[4] << " p2 " << e[5] << " at (" << k.x
            << ", " << k.y << ")";
    }
    g_Charas.clear();
}

TEST_P(CharaDraw, TransparentCharactersAndItemsDrawNeitherPictureNorMark) {
    ASSERT_TRUE(Open(GetParam()));
    SetCharaEffects({{CHARA_EFFECT_BLINK, 1, 0, 0, 2, 0}});
    g_Charas.emplace_back();
    cStageChara& c = g_Charas.back();
    c.m_Def.m_nMarkMode = 1;
    c.m_Def.m_nMarkNo = 0;
    c.Init(1, c.m_Def, nullptr);
    c.m_nPicture = 2;
    c.m_nHitW = c.m_nHitH = c.m_nHitW0 = c.m_nHitH0 = 32;
    c.m_rcScreen = {100, 100, 131, 131};
    const std::uint32_t body = StagePaletteColour(CharaColour(2, 0));
    const std::uint32_t mark = StagePaletteColour(200); // the top edge of mark 0
    for (int transparent : {1, 0}) {
        c.m_Def.m_nTransparent = static_cast<std::uint8_t>(transparent);
        c.m_nCharaEffect = 1;
        c.m_EffectState = cCharaEffectState{};
        c.m_EffectState.bVisible = 1;
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawChara(&g_BackBuffer, 0, c);
        auto f = PresentAndRead();
        EXPECT_EQ(At(f, 116, 116) == body, !transparent) << "transparent " << transparent;
        EXPECT_EQ(At(f, 116, 100) == mark, !transparent) << "transparent " << transparent;
        EXPECT_EQ(c.m_EffectState.nBlinkCount, 1) << "the effect advances either way";
    }
    // Items take their transparency and their mark from the definition.
    for (int transparent : {1, 0}) {
        cEdItemDef def;
        def.m_nPictureNo = 3;
        def.m_nTransparent = static_cast<std::uint8_t>(transparent);
        def.m_nMarkMode = 1;
        def.m_nMarkNo = 0;
        cItem item;
        item.Init(1, def, 0, 0);
        item.m_rcScreen = {300, 100, 331, 131};
        DDClear(&g_BackBuffer, SP_BLUE);
        item.Draw(&g_BackBuffer, 1);
        auto f = PresentAndRead();
        EXPECT_EQ(At(f, 316, 116) == StagePaletteColour(63), !transparent) << "transparent " << transparent;
        EXPECT_EQ(At(f, 316, 100) == mark, !transparent) << "transparent " << transparent;
    }
    g_Charas.clear();
}

TEST_P(CharaDraw, SheetRowsAddThePictureArgumentAndTheStateOffsets) {
    ASSERT_TRUE(Open(GetParam()));
    const auto savedSets = g_Database.m_AnimeSets;
    cEdAnimeSet set;
    set.nPatternOffsetA = 1; // invincible
    set.nPatternOffsetB = 2; // block character
    set.nPatternOffsetC = 3; // not under gravity
    g_Database.m_AnimeSets.assign(1, set);
    cStageChara& c = CellChara();
    c.m_Def.m_nAnimeSet = 0;
    c.m_Def.m_nPictureArg = 1;
    // The invincible offset follows the setting "invincible", not the respite after a hit.
    struct Case {
        int kind, moveType, block, setting, respite, row; // row -1: nothing from the character sheets
    };
    const Case cases[] =
        {
            {1, 0, 0, 0, 0, 1}, {1, 1, 0, 0, 0, 4}, {1, 0, 1, 0, 0, 3},
            {1, 0, 0, 1, 0, 2}, {1, 0, 0, 2, 0, 2}, {1, 0, 0, 0, 5, 1},
            {1, 2, 1, 1, 5, 7}, {2, 0, 0, 0, 0, 1}, {4, 0, 0, 0, 0, -1}, // kind 4: the bitmap list
        };
    for (const Case& k : cases) {
        c.m_Def.m_nPictureKind = static_cast<std::uint8_t>(k.kind);
        c.m_Def.m_nMoveType = static_cast<std::uint8_t>(k.moveType);
        c.m_Def.m_nBlockChara = static_cast<std::uint8_t>(k.block);
        c.m_Def.m_nInvincible = static_cast<std::uint8_t>(k.setting);
        c.m_nInvincible = k.respite;
        c.m_nCharaEffect = 0;
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawChara(&g_BackBuffer, 1, c);
        auto f = PresentAndRead();
        const std::uint32_t expect =
            k.row < 0 ? StagePaletteColour(SP_BLUE) : StagePaletteColour(CharaColour(2, k.row));
        EXPECT_EQ(At(f, 116, 116), expect)
            << "kind " << k.kind << " move " << k.moveType << " block " << k.block << " invincible "
            << k.setting << " respite " << k.respite;
    }
    g_Database.m_AnimeSets = savedSets;
    g_Charas.clear();
}

TEST_P(CharaDraw, MarksStandInColumnsOfFifteen) {
    ASSERT_TRUE(Open(GetParam()));
    // Mark 2 is the third cell of the first column; mark 31 the second cell of the third.
    for (int n : {2, 31}) {
        const std::uint32_t mark = StagePaletteColour(200 + n);
        g_Charas.emplace_back();
        cStageChara& c = g_Charas.back();
        c.Init(1, c.m_Def, nullptr);
        c.m_Def.m_nMarkMode = 1;
        c.m_Def.m_nMarkNo = static_cast<std::uint16_t>(n);
        c.m_rcScreen = {100, 100, 131, 131};
        cEdItemDef def;
        def.m_nPictureNo = 3;
        def.m_nMarkMode = 1;
        def.m_nMarkNo = static_cast<std::uint16_t>(n);
        cItem item;
        item.Init(1, def, 0, 0);
        item.m_rcScreen = {200, 100, 231, 131};
        cBlock block;
        block.m_bOverlay = 1;
        block.m_nOverlayCount = n;
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawChara(&g_BackBuffer, 1, c);
        item.Draw(&g_BackBuffer, 1);
        DrawBlockCell(block, &g_BackBuffer, 300, 100);
        auto f = PresentAndRead();
        for (int x : {116, 216, 316})
            EXPECT_EQ(At(f, x, 100), mark) << "mark " << n << " at " << x;
        g_Charas.clear();
    }
}

TEST_P(CharaDraw, CharactersInvincibleByTheirSettingTakeTheirBlinkTintUnderDirect3D) {
    ASSERT_TRUE(Open(GetParam()));
    const BlinkColour saved = g_BlinkColours[2];
    g_BlinkColours[2] = {0xFF000000u, 7}; // an added black: the pixel as it is, through the tint path
    g_Charas.emplace_back();
    cStageChara& c = g_Charas.back();
    c.Init(1, c.m_Def, nullptr);
    c.m_nPicture = 2;
    c.m_rcScreen = {100, 100, 131, 131};
    c.m_Def.m_nBlinkKind = 3;
    c.m_Def.m_nAnimeSet = 999; // no animation set: no row offset while invincible
    struct Case {
        int setting, respite, compat;
        std::uint32_t colour;
    };
    const std::uint32_t body = StagePaletteColour(CharaColour(2, 0));
    for (std::uint32_t tint : {0xFF000000u, 0xFF300000u}) {
        g_BlinkColours[2].dwColour = tint;
        const Case cases[] = {{1, 0, 1, tint}, {2, 5, 1, tint}, {0, 5, 1, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}};
        for (const Case& k : cases) {
            c.m_Def.m_nInvincible = static_cast<std::uint8_t>(k.setting);
            c.m_nInvincible = k.respite;
            g_SystemData.m_nCompat287 = k.compat;
            DDClear(&g_BackBuffer, SP_BLUE);
            DrawChara(&g_BackBuffer, 1, c);
            auto f = PresentAndRead();
            const bool tinted = GetParam() == 1 && k.colour == 0xFF300000u;
            EXPECT_EQ(At(f, 116, 116) == body, !tinted)
                << "invincible " << k.setting << " respite " << k.respite << " switch " << k.compat
                << " tint " << std::hex << tint;
        }
    }
    g_SystemData.m_nCompat287 = 0;
    g_BlinkColours[2] = saved;
    g_Charas.clear();
}

TEST_P(CharaDraw, GaugeRowsFollowTheSheetHeight) {
    ASSERT_TRUE(Open(GetParam()));
    g_SystemData.m_vStatusItems.resize(5);
    cChara c;
    c.m_nHitW = 32;
    c.m_rcScreen = {300, 300, 331, 331};
    c.m_Def.m_nMaxHP = 10;
    c.m_nHP = 5;
    c.m_HPGauge = {10, -10, 1, 25};
    DDClear(&g_BackBuffer, SP_BLUE);
    DrawHPGauge(&g_BackBuffer, c);
    auto f = PresentAndRead();
    // The status sheet is 176 high: rows 128 (frame), 144 (fill), 176 (loss, outside: nothing).
    EXPECT_EQ(At(f, 291 + 10, 297), StagePaletteColour(27)) << "fill from row 144";
    EXPECT_EQ(At(f, 291 + 40, 297), StagePaletteColour(26)) << "frame from row 128";
    c.m_HPGauge.nFrames = 0;
    DDClear(&g_BackBuffer, SP_BLUE);
    DrawHPGauge(&g_BackBuffer, c);
    f = PresentAndRead();
    EXPECT_EQ(At(f, 301, 297), StagePaletteColour(SP_BLUE)) << "no frames left";
}

TEST_P(CharaDraw, GaugeCountsDownAndItsChangeShrinksOverTheFirstSecond) {
    ASSERT_TRUE(Open(GetParam()));
    g_SystemData.m_vStatusItems.resize(5);
    cChara c;
    c.m_nHitW = 32;
    c.m_rcScreen = {300, 300, 331, 331};
    c.m_Def.m_nMaxHP = 10;
    c.m_nHP = 10;
    ASSERT_EQ(c.AddHP(-5, 0, 1), 0);
    ASSERT_EQ(c.m_HPGauge.nFrames, 120);
    ASSERT_DOUBLE_EQ(c.m_HPGauge.dChange, -25);
    for (int draw = 1; draw <= 121; ++draw) {
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawHPGauge(&g_BackBuffer, c);
        if (draw == 30) {
            EXPECT_NEAR(c.m_HPGauge.dChange, -12.5, 1e-9);
        } else if (draw == 60) {
            EXPECT_NEAR(c.m_HPGauge.dChange, 0, 1e-9);
        } else if (draw == 61) {
            EXPECT_EQ(c.m_HPGauge.dChange, 0);
        }
        if (draw >= 119) {
            auto f = PresentAndRead();
            EXPECT_EQ(At(f, 291 + 40, 297) == StagePaletteColour(26), draw <= 120) << "draw " << draw;
        }
    }
    EXPECT_EQ(c.m_HPGauge.nFrames, 0);
}

TEST_P(CharaDraw, ATakenItemsPictureRisesAboveTheHero) {
    ASSERT_TRUE(Open(GetParam()));
    g_Heroes.resize(1);
    cHero& hero = g_Heroes[0];
    hero.m_nId = 4;
    hero.m_nWidth = hero.m_nHitW = 32;
    hero.m_nHeight = hero.m_nHitH = 32;
    hero.m_rcScreen = {200, 200, 231, 231};
    hero.m_bPresent = 1;
    // A character picture as the item's: sheet column 3, row 1.
    hero.PushMessage(1, 3, 1);
    ASSERT_EQ(m_Scene->m_Messages.size(), 1u);
    cMessage& m = m_Scene->m_Messages.back();
    const std::uint32_t chip = StagePaletteColour(CharaColour(3, 1));
    const int x = 200 - 8 + 16, y = 200 - 16; // centred above the hero
    for (int draw = 1; draw <= 31; ++draw) {
        DDClear(&g_BackBuffer, SP_BLUE);
        const int ended = DrawMessage(m, &g_BackBuffer, 0);
        EXPECT_EQ(ended, draw == 31 ? 1 : 0) << "draw " << draw;
        if (draw == 1 || draw == 9) {
            auto f = PresentAndRead();
            const int rise = draw == 1 ? 0 : 2; // a pixel every four frames
            EXPECT_EQ(At(f, x + 8, y + 14 - rise), chip) << "draw " << draw;
            EXPECT_EQ(At(f, x + 8, y + 15) == chip, rise == 0) << "draw " << draw;
        }
    }
    m_Scene->m_Messages.clear();
    g_Heroes.clear();
}

TEST_P(CharaDraw, OffTheScreenOnlyACharacterOnAJumpIsDrawn) {
    ASSERT_TRUE(Open(GetParam()));
    g_Stage.SetHitLevel(1); // a gravity that gives jumps their apex
    SetView(0, 8);
    g_Charas.emplace_back();
    cStageChara& c = g_Charas.back();
    c.Init(1, c.m_Def, nullptr);
    c.m_nPicture = 2;
    // A box in the lower half of its cell: at row 15 the box is below the view, the picture's top
    // 8 rows are in it.
    c.m_nHitW = c.m_nHitW0 = c.m_nWidth = 32;
    c.m_nHitH = c.m_nHitH0 = c.m_nHeight = 16;
    c.m_nHitY = c.m_nHitY0 = 16;
    const auto place = [&] {
        c.SetCellPos(5, 15);
        ASSERT_FALSE(c.IsOnScreen());
    };
    const auto drawn = [&] {
        DDClear(&g_BackBuffer, SP_BLUE);
        EXPECT_FALSE(DrawCharaAndGauges(c, 0));
        return At(PresentAndRead(), 5 * 32 + 16, 476) == StagePaletteColour(CharaColour(2, 0));
    };
    place();
    cJumpRequest jump;
    jump.m_dJumpSpeed = -6;
    ASSERT_EQ(c.Jump(jump), 1);
    EXPECT_EQ(c.m_nApexFrames, FramesToApex(-6));
    ASSERT_GT(c.m_nApexFrames, 0);
    EXPECT_TRUE(drawn());
    c.Land();
    place();
    EXPECT_FALSE(drawn());
    c.m_nAirFrames = 5; // walked off an edge: in the air, on no jump
    EXPECT_FALSE(drawn());
    g_Charas.clear();
}

TEST_P(CharaDraw, OnlyMessagesThatAskAreKeptOnTheScreen) {
    ASSERT_TRUE(Open(GetParam()));
    // The life icon (colour 29 from its third pixel to its fourteenth) at screen cell (0, 0) moved
    // 8 pixels off the left edge, and 10 above the status bar.
    for (int keep : {1, 0}) {
        cMessage m;
        m.Set(3, nullptr, 0, 0, 0, 7, 0, 0, -8, 10, keep, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1);
        DDClear(&g_BackBuffer, SP_BLUE);
        EXPECT_EQ(DrawMessage(m, &g_BackBuffer, 0), 0);
        auto f = PresentAndRead();
        const std::uint32_t icon = StagePaletteColour(29);
        EXPECT_EQ(At(f, 9, 22) == icon, keep == 1) << "kept at (0, 20)";
        EXPECT_EQ(At(f, 3, 12) == icon, keep == 0) << "where it was asked";
    }
}

TEST_P(CharaDraw, HeroBoxesStepThroughTheirColoursFourEntries) {
    ASSERT_TRUE(Open(GetParam()));
    g_Heroes.resize(1);
    cHero& hero = g_Heroes[0];
    hero.m_dX = ViewX().m_dPos + 100;
    hero.m_dY = ViewY().m_dPos + 100;
    hero.m_nWidth = 16;
    hero.m_nHeight = 24;
    // The body as a frame in colour 0, the first part box filled in colour 1.
    hero.m_Parts[0] = cPartBox{hero.m_dX + 200, hero.m_dY, hero.m_dX + 215, hero.m_dY + 15, 0, 0, 16, 16};
    hero.m_Work.boxes = {{0, 2, 0, 16, 24}, {1, 1, 1, 16, 16}};
    for (int draw = 1; draw <= 33; ++draw) {
        DDClear(&g_BackBuffer, SP_BLUE);
        DrawHero(&g_BackBuffer, 1, hero);
        if (draw == 1 || draw == 8 || draw == 9 || draw == 25 || draw == 33) {
            auto f = PresentAndRead();
            const int step = ((draw - 1) % 32) / 8;
            EXPECT_EQ(At(f, 100, 110), StagePaletteColour(208 + step)) << "draw " << draw;
            EXPECT_EQ(At(f, 308, 108), StagePaletteColour(212 + step)) << "draw " << draw;
        }
    }
    g_Heroes.clear();
}

INSTANTIATE_TEST_SUITE_P(Backends, CharaDraw, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "D3D" : "DD"; });

TEST(Darkness, WindowStaysInsideItsSheet) {
    cHero h;
    h.m_nHitW = h.m_nHitH = 32;
    h.m_nLightRadius = 64;
    const int sw = 1280 + 128, sh = 960 + 128;
    const struct {
        int left, top, shape, dir;
        int sx, sy;
    } cases[] = {
        {304, 224, 1, 0, 384, 304},     // centred: the hole's centre under the hero's
        {-500, -500, 1, 0, 768, 608},   // far left and up: kept to the sheet's far edge
        {2000, 2000, 1, 0, 0, 0},       // far right and down
        {304, 224, 2, 1, 384 - 48, 304} // forward light facing right shifts the window
    };
    for (const auto& c : cases) {
        h.m_rcScreen = {c.left, c.top, c.left + 31, c.top + 31};
        h.m_Def.m_nSightShape = static_cast<std::uint8_t>(c.shape);
        h.m_nDir = c.dir;
        int sx = 0, sy = 0;
        DarknessSource(h, sw, sh, sx, sy);
        EXPECT_EQ(sx, c.sx) << c.left;
        EXPECT_EQ(sy, c.sy) << c.top;
        EXPECT_GE(sx, 0);
        EXPECT_LE(sx + 640, sw);
        EXPECT_LE(sy + 480, sh);
    }
}

TEST(EffectObjects, PlacedOnTheOverlapAndJitteredByScale) {
    g_Database.m_Effects.clear();
    g_Database.m_Effects.push_back(cEdEffect::ListDefault());
    cEdEffect e;
    e.nCellWidth = 20;
    e.nCellHeight = 10;
    e.bScalable = 1;
    cEdEffectFrame fr;
    fr.nTime = 1;
    e.m_Frames.push_back(fr);
    g_Database.m_Effects.push_back(e);
    BuildEffectTable(g_EffectSeqTable);

    double x = 0, y = 0;
    const double a[4] = {0, 0, 99, 49}, b[4] = {50, 20, 149, 69};
    EffectPlace(a, b, 20, 10, x, y);
    EXPECT_EQ(x, 50 + 25 - 10);
    EXPECT_EQ(y, 20 + 15 - 5);
    const double far[4] = {500, 500, 510, 510};
    EffectPlace(a, far, 20, 10, x, y);
    EXPECT_EQ(x, 0 - 10 + 0);
    EXPECT_EQ(y, 0 - 5 + 0);

    crt::srand(7);
    int minX = 1000, maxX = -1000;
    for (int i = 0; i < 400; ++i) {
        cEffectObj o(1, a, b, 3);
        EXPECT_EQ(o.m_nWidth, 60);
        EXPECT_EQ(o.m_nHeight, 30);
        EXPECT_EQ(o.m_bScaled, 1);
        const double cx = 50 + 25 - 30, cy = 20 + 15 - 15;
        minX = std::min(minX, static_cast<int>(o.m_dX - cx));
        maxX = std::max(maxX, static_cast<int>(o.m_dX - cx));
        EXPECT_LE(std::abs(o.m_dY - cy), 12);
    }
    EXPECT_EQ(minX, -12);
    EXPECT_EQ(maxX, 12);

    // One frame of a tenth (6 frames), then the end of the animation; frames that do not advance
    // change nothing.
    cEffectObj o(1, a, b, 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(DrawEffectObj(o, nullptr, 0), 0) << "not advanced: goes on";
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(DrawEffectObj(o, nullptr, 1), 0) << i;
    EXPECT_EQ(DrawEffectObj(o, nullptr, 1), 1);

    // Off the game thread no random number is drawn.
    thGame.m_nThreadId = win::GetCurrentThreadId();
    const unsigned state = crt::rand_state();
    std::thread([&] {
        cEffectObj off(1, a, b, 3);
        EXPECT_EQ(off.m_dX, 50 + 25 - 30);
    }).join();
    EXPECT_EQ(crt::rand_state(), state);
    thGame.m_nThreadId = 0;
    g_Database = cProjectDatabase{};
}

TEST(EffectObjects, AnEffectPastTheRangeOfIntIsDrawnWithoutAWrap) {
    g_Database.m_Effects.clear();
    g_Database.m_Effects.push_back(cEdEffect::ListDefault());
    cEdEffect e;
    e.nCellWidth = 20;
    e.nCellHeight = 10;
    cEdEffectFrame fr;
    fr.nTime = 1;
    e.m_Frames.push_back(fr);
    g_Database.m_Effects.push_back(e);
    BuildEffectTable(g_EffectSeqTable);
    for (int i = 0; i < 4; ++i)
        g_StageEffects.push_back(DDSURFACEDATA{}); // the effect's picture records, holding no surface
    // The screen position is worked out from the world position before anything is drawn; a world
    // position at or past the ends of int is kept at the end instead of wrapping (or, for the
    // conversion, being undefined).
    const double positions[] = {2147483647.0, 2147483648.0, 3e9, -2147483649.0, -3e9, 1e300, -1e300, NAN};
    for (double pos : positions) {
        cEffectObj o(1, pos, pos, 1);
        o.m_dX = o.m_dY = pos;
        EXPECT_EQ(DrawEffectObj(o, nullptr, 0), 0) << pos;
    }
    g_StageEffects.clear();
    g_Database = cProjectDatabase{};
}

TEST(ShownPictures, ATimedPictureWaitsWhilePausedUnlessItCounts) {
    cPictureLayer p;
    p.m_nDisplayMode = 2;
    p.m_nFrames = 2;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(p.Draw(nullptr, nullptr, 1), 0) << "paused";
    EXPECT_EQ(p.Draw(nullptr, nullptr, 0), 0);
    EXPECT_EQ(p.Draw(nullptr, nullptr, 0), 0);
    EXPECT_EQ(p.Draw(nullptr, nullptr, 0), 1);
    p.m_nFrames = 0;
    p.m_bCountWhilePaused = 1;
    EXPECT_EQ(p.Draw(nullptr, nullptr, 1), 1) << "counts while paused";
    p.m_nDisplayMode = 0;
    p.m_bStretch = 1;
    EXPECT_EQ(p.Draw(nullptr, nullptr, 0), 0) << "until cleared";
}

} // namespace
