// Values a project or a damaged file can make as large as their stored type allows: the arithmetic
// of play on them stays defined and gives the nearest end of its result, at the boundary where the
// result stops fitting and one past it.
#include "draw/dd_startup.h"
#include "objects/aim.h"
#include "objects/chara_draw.h"
#include "objects/movement.h"
#include "objects_fixture.h"
#include "project/project_database.h"

#include <climits>
#include <cmath>

namespace {

using AuthoredExtremesTest = ObjectsTest;

TEST_F(AuthoredExtremesTest, AnimationFrameTimesSaturateInFrames) {
    const struct {
        std::int32_t tenths;
        std::int32_t frames;
    } cases[] = {
        {357913941, 2147483646},   // the largest time whose frames fit
        {357913942, INT32_MAX},    // one past it
        {INT32_MAX, INT32_MAX},    //
        {-357913941, -2147483646}, //
        {-357913942, INT32_MIN},   //
        {INT32_MIN, INT32_MIN},
    };
    const cProjectDatabase kept = g_Database;
    g_Database.m_AnimeSets.resize(2);
    cEdAnime& anime = g_Database.m_AnimeSets[1].m_Animes.at(0);
    anime.m_Frames.clear();
    for (const auto& c : cases) {
        cEdAnimeFrame f;
        f.nPattern = 1;
        f.nTime = c.tenths;
        anime.m_Frames.push_back(f);
    }
    cStageChara chara;
    chara.ChangeAnimSet(1, 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(chara.m_AnimSeq.m_Seqs.at(0).at(static_cast<int>(i)).nDuration, cases[i].frames)
            << cases[i].tenths;
        EXPECT_EQ(TenthsToFrames(cases[i].tenths), cases[i].frames) << cases[i].tenths;
    }
    g_Database = kept;
}

TEST_F(AuthoredExtremesTest, CharacterCellsPastTheSheetFallBackToTheFirstCell) {
    // A sheet as tall as an int reaches: the cell row times 32 is the first thing that can overflow.
    DDSURFACEDATA& sheet = g_SystemSurfaces[SYSBMP_CHARA_FIRST];
    const DDSURFACEDATA kept = sheet;
    sheet.nWidth = 480;
    sheet.nHeight = INT_MAX;
    const struct {
        int row, pattern;
        int sy; // 0: the fallback cell
    } cases[] = {
        {0, 67108862, 2147483584}, // the last whole cell on the sheet
        {1, 67108862, 0},          // its bottom edge is one past the sheet
        {0, 67108864, 0},          // the row's first pixel no longer fits an int
        {INT_MAX, INT_MAX, 0},     //
        {INT_MIN, 0, 0},
    };
    for (const auto& c : cases) {
        cCellDesc cell;
        ASSERT_TRUE(LookupCell(CELL_CHARA, 1, c.row, c.pattern, 0, cell));
        EXPECT_EQ(cell.sy, c.sy) << c.row << " + " << c.pattern;
        EXPECT_EQ(cell.sx, c.sy ? 32 : 0) << c.row << " + " << c.pattern;
    }
    sheet = kept;
}

TEST_F(AuthoredExtremesTest, OutOfAreaLimitsOfAnyDistanceLieWhereTheyAreAuthored) {
    // Distances in blocks: 67108863 x 32 is the last that fits an int, 67108864 x 32 the first that
    // does not. A limit far out never removes the object; one far in always does.
    cStageChara c;
    Place(c, 100, 100);
    c.m_bInView = 0;
    const struct {
        int side;
        int dist;
        bool outside;
    } cases[] = {
        {0, 67108863, false}, {0, 67108864, false}, {0, INT_MAX, false},  {0, -67108864, true},
        {0, INT_MIN, true},   {1, 67108863, false}, {1, 67108864, false}, {1, INT_MAX, false},
        {1, -67108864, true}, {1, INT_MIN, true},   {2, 67108863, false}, {2, 67108864, false},
        {2, INT_MAX, false},  {2, -67108864, true}, {2, INT_MIN, true},   {3, 67108863, false},
        {3, 67108864, false}, {3, INT_MAX, false},  {3, -67108864, true}, {3, INT_MIN, true},
    };
    for (const auto& k : cases) {
        cLimits limits;
        limits.bOn[k.side] = 1;
        limits.nDist[k.side] = k.dist;
        EXPECT_EQ(IsOutsideLimits(c, limits), k.outside) << "side " << k.side << " distance " << k.dist;
    }
}

TEST_F(AuthoredExtremesTest, JumpSizingOfAnyHeightStaysDefined) {
    cStageChara c;
    c.m_nPlayerFlag = 1;
    // Half blocks: 134217727 x 16 is the last height in pixels that fits an int.
    for (int halfBlocks : {134217727, 134217728, INT_MAX, INT_MIN}) {
        const double g = g_Stage.m_dGravity;
        const double h = halfBlocks * 16.0;
        const double expect = (-g - std::sqrt(std::max(0.0, (8 * h + g) * g))) * 0.5;
        EXPECT_DOUBLE_EQ(c.JumpSpeedForHeight(halfBlocks), expect) << halfBlocks;
        EXPECT_GE(c.JumpTimeForHeight(halfBlocks), 1) << halfBlocks;
    }
    // Frames to the top of a jump: a speed gravity cannot stop within an int of frames saturates.
    const double g = g_Stage.m_dGravity;
    const double fs = g_Stage.m_dFrameScale;
    const struct {
        double frames; // what the speed works out to before the conversion
        int expect;
    } apex[] = {
        {2147483646.5, 2147483646},   {2147483648.5, INT_MAX},  {1e130, INT_MAX},
        {-2147483647.5, -2147483647}, {-2147483649.5, INT_MIN}, {-1e130, INT_MIN},
    };
    for (const auto& a : apex)
        EXPECT_EQ(FramesToApex((fs - a.frames) * g), a.expect) << a.frames;
    EXPECT_EQ(FramesToApex(NAN), 0);
}

TEST_F(AuthoredExtremesTest, PartBoxesAtTheEndsOfIntStayThere) {
    const struct {
        double pos;
        int offset;
        double first; // left or top
    } cases[] = {
        {100.7, -3, 97},                // in range: cut toward 0, then the offset
        {-100.7, 0, -100},              //
        {-2.1e9, -833, -2100000833},    // far out, still within int
        {-2147483648.0, -833, INT_MIN}, // the offset would pass the end
        {-3e9, -833, INT_MIN},          // the position itself is past the end
        {2147483647.0, 5, INT_MAX},     //
        {3e9, -5, INT_MAX - 5},         // cut to the end first, then the offset
        {NAN, 7, 7},
    };
    for (const auto& c : cases) {
        cPartBox box;
        box.nOffsetX = box.nOffsetY = c.offset;
        box.nWidth = 10;
        box.nHeight = 4;
        box.PlaceX(c.pos);
        box.PlaceY(c.pos);
        EXPECT_EQ(box.dLeft, c.first) << c.pos;
        EXPECT_EQ(box.dRight, c.first + 9) << c.pos;
        EXPECT_EQ(box.dTop, c.first) << c.pos;
        EXPECT_EQ(box.dBottom, c.first + 3) << c.pos;
        // A character's boxes are placed from one cut of its position, each as a lone box is.
        cPartBox parts[2] = {box, box};
        parts[1].nOffsetX = parts[1].nOffsetY = 0;
        PlacePartsX(parts, c.pos);
        PlacePartsY(parts, c.pos);
        EXPECT_EQ(parts[0].dLeft, c.first) << c.pos;
        EXPECT_EQ(parts[0].dBottom, c.first + 3) << c.pos;
        cPartBox alone = parts[1];
        alone.PlaceX(c.pos);
        alone.PlaceY(c.pos);
        EXPECT_EQ(parts[1].dLeft, alone.dLeft) << c.pos;
        EXPECT_EQ(parts[1].dTop, alone.dTop) << c.pos;
    }
}

TEST_F(AuthoredExtremesTest, InvincibleAndHitRepeatFramesSaturate) {
    const struct {
        std::int32_t field;
        std::int32_t mul;
        int frames;
        bool holds; // the attacker's timer still holds after one frame
    } cases[] = {
        {30, 2, 60, true},
        {214748364, 10, 2147483640, true},
        {214748365, 10, INT_MAX, true},    // one past the last that fits
        {-1991156134, 10, INT_MIN, false}, // a damaged stage's field
        {INT_MIN, 10, INT_MIN, false},     //
        {INT_MAX, 10, INT_MAX, true},
    };
    const cEdStage kept = g_Stage;
    for (const auto& c : cases) {
        g_Stage.m_nFrameMul = c.mul;
        for (int hero = 0; hero < 2; ++hero) {
            g_Stage.m_nHeroInvincible = g_Stage.m_nCharaInvincible = c.field;
            g_Stage.m_nHeroHitRepeat = g_Stage.m_nCharaHitRepeat = c.field;
            cStageChara ch;
            ch.m_nPlayerFlag = hero;
            ch.StartInvincibilityFrom(7);
            EXPECT_EQ(ch.m_nInvincible, c.frames) << c.field << " hero " << hero;
            ch.m_nInvincible = 0;
            ch.TickInvincibility();
            EXPECT_EQ(ch.IsInvincibleTo(7), c.holds) << c.field << " hero " << hero;
        }
    }
    g_Stage = kept;
}

} // namespace
