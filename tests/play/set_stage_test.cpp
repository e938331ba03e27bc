// Stage set-up: the grid and its cell index, the step schedule, the music rule, placements (copies
// past the edge, damaged cells), the time limit, restarts restoring what play changed, and the block
// placement of summons.
#include "play_fixture.h"

#include "flow/cmd_items.h"
#include "flow/evaluator.h"
#include "draw/draw.h"
#include "objects/blocks.h"
#include "objects/shot.h"
#include "play/collision.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "play/screen_effects.h"
#include "project/common_palette.h"
#include "records/param_link.h"
#include "records/param_tables.h"

#include <cstring>
#include <functional>

using namespace play_fixture;

TEST(SetStageGrid, StrideIsTheBitLengthOfWidthPlus19AndCellsSitInsideTheMargin) {
    struct Case {
        int width, height, column, row;
        int exp;
        long long index;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 5, (10 << 5) + 10},  // 19 -> 5 bits
        {12, 3, 0, 0, 5, (10 << 5) + 10}, // 31 -> 5 bits: rows of 32 cells
        {13, 3, 2, 1, 6, (11 << 6) + 12}, // 32 -> 6 bits
        {300, 20, 299, 19, 9, (29 << 9) + 309},
        {20, 15, -10, -10, 6, 0}, // the margin's first cell
        {20, 15, 30, 0, 6, -1},   // past the margin
        {20, 15, 0, -11, 6, -1},
        {20, 15, 0, 25, 6, -1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message()
                     << k.width << " x " << k.height << " at " << k.column << "," << k.row);
        EXPECT_EQ(GridStrideExp(k.width), k.exp);
        EXPECT_EQ(StageCellIndex(k.width, k.height, k.column, k.row), k.index);
    }
}

TEST(SetStageSchedule, SpreadsTheSpeedCountOverTheSubSteps) {
    struct Case {
        int mul, count;
        std::vector<std::uint8_t> table;
    };
    const Case cases[] = {
        {4, 0, {1, 1, 1, 1}}, {4, 1, {1, 0, 0, 0}}, {4, 2, {1, 0, 1, 0}}, {5, 2, {1, 0, 1, 0, 0}},
        {3, 3, {1, 1, 1}},    {2, 5, {1, 1}},       {0, 3, {}},           {-1, 0, {}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(BuildStepSchedule(k.mul, k.count), k.table) << k.mul << " / " << k.count;
}

TEST(SetStageMusic, RequestsByTheStartFlagAndTheKeepSwitch) {
    struct Case {
        int music, playing;
        bool start, keep, asked;
    };
    const Case cases[] = {
        {3, 3, false, false, false}, // a retry keeps the same music
        {3, 2, false, false, true},  // a retry onto other music
        {3, 3, true, false, true},   // entering a stage restarts its music
        {3, 3, true, true, false},   // unless the stage keeps it
        {0, 0, true, true, true},    // silence is asked again
        {4, 3, true, true, true},
    };
    for (const Case& k : cases)
        EXPECT_EQ(StageMusicRequested(k.music, k.playing, k.start, k.keep), k.asked)
            << k.music << "/" << k.playing;
}

class SetStageTest : public PlayTest {};

TEST_F(SetStageTest, PlacesHeroCharactersAndItemsAndDropsWhatLiesOutside) {
    FloorStage(20, 15);
    cEdCharaDef pair = Chara(19, 5);
    pair.m_nExtraCopies = 1;
    pair.m_nOffsetXStep = 12 * 32; // the second copy lies past the grid's right edge
    g_Stage.m_Charas.push_back(pair);
    g_Stage.m_Charas.push_back(Chara(40, 2)); // a damaged cell: outside the grid
    g_Stage.m_Items.push_back(Item(5, 5));
    g_Stage.m_Items.push_back(Item(-30, 5));
    g_Stage.m_Blocks.push_back(Block(3, 99));
    g_Stage.m_Blocks.push_back(Block(4, 4));
    Start();

    ASSERT_EQ(g_Heroes.size(), 1u);
    EXPECT_EQ(Hero().m_nId, 0);
    EXPECT_EQ(g_Charas.size(), 1u);
    EXPECT_EQ(g_Charas.front().m_nId, 1);
    EXPECT_EQ(g_PlayWork.nNextCharaId, 2); // the dropped copy used no id
    EXPECT_EQ(g_Items.size(), 1u);
    // The hero stands in its cell, the view centred on it; placed blocks are solid where placed.
    EXPECT_DOUBLE_EQ(Hero().m_dBottom, (13 + 10) * 32 + 31);
    EXPECT_NE(ProbeBlockAt((4 + 10) * 32, (4 + 10) * 32, 0).solid, 0);
    EXPECT_EQ(m_Scene->m_ScrollX.m_nGridStride, 1 << GridStrideExp(20));
    EXPECT_EQ(g_Blocks.size(), static_cast<std::size_t>(64 * 35));
    // Everyone is in its faction's list for the hits.
    EXPECT_EQ(m_Scene->m_CharaGroups[0].size(), 1u);
    EXPECT_EQ(m_Scene->m_CharaGroups[1].size(), 1u);
}

TEST_F(SetStageTest, TimeLimitCountersAndScheduleAreReset) {
    FloorStage(20, 15);
    struct Case {
        int on, seconds, limit, stopped;
    };
    for (const Case& k : {Case{0, 30, 999, 1}, Case{1, 30, 30, 0}}) {
        g_Stage.m_nTimeLimitOn = k.on;
        g_Stage.m_nTimeLimit = k.seconds;
        g_Stage.m_nHitLevel = 10;
        g_Stage.m_nHitLevel2 = 1;
        m_Scene->m_nElapsedFrames = 77;
        m_Scene->m_nStageEndRequest = 2;
        g_nScore = 500;
        Start();
        EXPECT_EQ(m_Scene->m_nTimeLimit, k.limit);
        EXPECT_EQ(m_Scene->m_bTimeStopped, k.stopped);
        EXPECT_EQ(m_Scene->m_nElapsedFrames, 0);
        EXPECT_EQ(m_Scene->m_nStageEndRequest, 0);
        EXPECT_EQ(g_nScore, 0);
        EXPECT_EQ(g_PlayWork.stepSchedule, BuildStepSchedule(g_nFrameMul, 1));
    }
}

TEST_F(SetStageTest, EachRecordedPlayKeepsItsOwnStartSnapshot) {
    FloorStage(20, 15);
    g_SystemData.m_nReplay = 1;
    g_nPlayMode = 0;
    g_SaveData.m_nLives = 5;
    Start();
    g_SaveData.m_nLives = 4;
    Start();
    // The replay saved with F1 starts from this play's lives, the one saved with F2 from the last.
    EXPECT_EQ(g_SaveSnapshotA.m_nLives, 4);
    EXPECT_EQ(g_SaveSnapshotB.m_nLives, 5);
    g_SystemData.m_nReplay = 0;
}

TEST_F(SetStageTest, RestartRestoresBlocksObjectsAndSettingsChangedInPlay) {
    FloorStage(20, 15);
    g_Stage.m_Charas.push_back(Chara(10, 13));
    g_Stage.m_Items.push_back(Item(6, 12));
    g_Stage.m_nTimeLimitOn = 1;
    g_Stage.m_nTimeLimit = 50;
    Start();
    const double charaX = g_Charas.front().m_dX;
    // Play changes a block, moves and removes objects and a stage setting.
    cEdBlockDef wall = Block(0, 0);
    ASSERT_TRUE(SetBlockAt((5 + 10) * 32, (5 + 10) * 32, wall, cSpawnParams{}));
    g_Charas.front().m_dX += 100;
    g_Items.clear();
    g_Stage.m_nTimeLimit = 5;
    Hero().m_nHP = 0;

    SetStage(*m_Scene, true, false);
    EXPECT_EQ(ProbeBlockAt((5 + 10) * 32, (5 + 10) * 32, 0).solid, 0);
    ASSERT_EQ(g_Charas.size(), 1u);
    EXPECT_DOUBLE_EQ(g_Charas.front().m_dX, charaX);
    EXPECT_EQ(g_Items.size(), 1u);
    EXPECT_EQ(m_Scene->m_nTimeLimit, 50);
    EXPECT_GT(Hero().m_nHP, 0);
}

// An arrangement run by a taken item changes the item's commands for the rest of the stage: every
// set-up of a stage takes the stage's palettes and the common palette as loaded again.
TEST_F(SetStageTest, ArrangedItemCommandsLastForTheRestOfTheStage) {
    struct Case {
        const char* what;
        int palette;             // 0 common, 1 the stage's
        bool reload;             // a retry or restart of the stage, or the stage set up anew
        std::vector<int> values; // the arranged parameter run at two takes, a set-up and a take
    };
    const Case cases[] = {
        {"stage palette, retried: from the stage as loaded", 1, true, {3, 6, 3}},
        {"stage palette, played again from its start", 1, false, {3, 6, 9}},
        {"common palette, retried", 0, true, {3, 6, 3}},
        {"common palette, the next stage", 0, false, {3, 6, 3}},
    };
    const cCheckedVector<cEdItemDef> savedCommon = g_CommonPalette.m_Items;
    BuildParamTables();
    static std::vector<int> s_Seen;
    SetSharedCommandHandler(FCT_SET_TARGET, [](cChara&, cEdFlowCmd& r) {
        s_Seen.push_back(r.m_Params[9]);
        return 0;
    });
    for (const Case& k : cases) {
        s_Seen.clear();
        g_Stage = cEdStage();
        g_Stage.m_nActiveOnly = 0;
        FloorStage(20, 15);
        // Item 1: add the hero's variable 0 to a target command's ID, then that command.
        cEdItemDef item;
        auto command = [](int type, std::vector<std::int32_t> params) {
            cEdFlowCmd rec;
            rec.m_bItem = 1;
            rec.m_nKind = static_cast<std::int8_t>(type);
            rec.m_Params.assign(params.begin(), params.end());
            return rec;
        };
        item.m_Commands.push_back(command(ICT_ARRANGE, {FCT_SET_TARGET, 1, PLO_ADD, VS_CHARA, 0}));
        item.m_Commands.push_back(command(ICT_SET_TARGET, std::vector<std::int32_t>(10, 0)));
        cCheckedVector<cEdItemDef>& palette =
            k.palette == 0 ? g_CommonPalette.m_Items : g_Stage.m_PaletteItems;
        palette.assign(2, cEdItemDef{});
        palette[1] = item;
        Start();
        cEdFlowCmd take;
        take.m_nKind = FCT_TAKE_ITEM;
        take.m_Params.assign({k.palette, 1});
        for (int round = 0; round < 3; ++round) {
            if (round == 2) SetStage(*m_Scene, k.reload, false);
            Hero().m_Vars.assign(8, 0);
            Hero().m_Vars[0] = 3;
            CmdGetItem(Hero(), take);
        }
        EXPECT_EQ(s_Seen, k.values) << k.what;
        EXPECT_EQ(g_CommonPalette.m_Items.at(1).m_Commands.at(1).m_Params.at(9), 0)
            << k.what << ": the common palette stays as loaded";
        g_CommonPalette.m_Items = savedCommon;
    }
}

TEST_F(SetStageTest, RetryRestartAndNextStageStartWithACleanScreen) {
    FloorStage(20, 15);
    Start();
    const int savedBpp = g_DDSettings.nBpp;
    const int savedLives = g_SaveData.m_nLives;
    g_DDSettings.nBpp = 8;
    // The restart after a defeat, a retry and the next stage all set the stage up again.
    const std::function<void()> ways[] = {
        [&] {
            g_SaveData.m_nLives = 3;
            g_SystemData.m_nContinueMenu = 0;
            HeroDefeatEnded(*m_Scene);
            EXPECT_EQ(m_Scene->m_nState, GAMESTATE_START);
        },
        [&] { SetStage(*m_Scene, true, true); },
        [&] { SetStage(*m_Scene, false, true); },
    };
    for (const auto& way : ways) {
        const int colour[8] = {255, 0, 0, 80, 0, 0, 0, 0};
        SetScreenColor(g_ScreenColour, colour);
        ASSERT_NE(ScreenColourAlpha(g_ScreenColour), 255);
        g_ScreenEffect.Start(1, 0, 1);
        g_ScreenEffect.nEffect = 1;
        m_Scene->m_bVirtualBackBuffer = 1;
        g_Palette[40] = {1, 2, 3, 0};
        g_BasePalette[40] = {9, 9, 9, 0};
        // A taken item's notice still rising over the hero.
        ASSERT_FALSE(g_Heroes.empty());
        g_Heroes[0].PushMessage(0, 5, 0);
        ASSERT_FALSE(m_Scene->m_Messages.empty());
        way();
        EXPECT_TRUE(m_Scene->m_Messages.empty());
        EXPECT_EQ(ScreenColourAlpha(g_ScreenColour), 255);
        EXPECT_EQ(g_ScreenEffect.nEffect, 0);
        EXPECT_EQ(m_Scene->m_bVirtualBackBuffer, 0) << "no effect needs the finished picture";
        EXPECT_EQ(std::memcmp(&g_Palette[40], &g_BasePalette[40], sizeof g_Palette[40]), 0);
    }
    g_DDSettings.nBpp = savedBpp;
    g_SaveData.m_nLives = savedLives;
    g_BasePalette[40] = g_Palette[40] = {};
}

TEST_F(SetStageTest, ObjectsStayInsideTheStagesOwnExtentNotTheGrid) {
    // The grid is 40 + 20 blocks wide (1,920 pixels); the stage lets objects use 200 + 640 pixels
    // across and, with 0, 640 down.
    FloorStage(40, 15);
    g_Stage.m_Charas.push_back(Chara(5, 5));
    g_Stage.m_Charas.back().m_nMoveType = 1; // no gravity
    g_Stage.m_nExtentX = 200;
    g_Stage.m_nExtentY = 0;
    KeepStageSetup(g_StageOriginal, g_Stage);
    SetStage(*m_Scene, false, false);
    ASSERT_EQ(g_Charas.size(), 1u);
    cStageChara& c = g_Charas.front();
    EXPECT_EQ(ViewX().ObjectExtent(), 840);
    EXPECT_EQ(ViewY().ObjectExtent(), 640);
    c.m_dX = 5000;
    c.m_dY = 5000;
    c.AfterMoveX();
    c.AfterMoveY();
    EXPECT_DOUBLE_EQ(c.m_dRight, 839);
    EXPECT_DOUBLE_EQ(c.m_dBottom, 639);
    EXPECT_TRUE(c.IsInsideStage(1));
    c.m_dX = 830;
    c.m_dRight = 830 + c.m_nWidth - 1;
    EXPECT_FALSE(c.IsInsideStage(1));
}

TEST_F(SetStageTest, CarriedTimeLivesAndMusicReachTheNextStage) {
    FloorStage(20, 15);
    g_Stage.m_nTakeOver = 1;
    g_Stage.m_nTimeLimitOn = 1;
    g_Stage.m_nTimeLimit = 200;
    g_Stage.m_nBgm = 0;
    const auto savedGroups = g_SystemData.m_vbCarryOver;
    const cSaveData savedData = g_SaveData;
    g_SystemData.m_vbCarryOver.assign(CARRY_GROUP_COUNT, 0);
    for (int g : {22, 23, 24})
        g_SystemData.m_vbCarryOver[g] = 1;
    // The stage before stored 87 seconds, 4 lives and music 2.
    cEdCharaDef before = play_fixture::Hero(0, 0);
    g_SaveData.StoreCarryOver(0, before, 0, 0, 0, 0, 0, 87, 4, 2);
    g_SaveData.m_nLives = 1;
    Start();
    EXPECT_EQ(m_Scene->m_nTimeLimit, 87);
    EXPECT_EQ(g_SaveData.m_nLives, 4);
    EXPECT_EQ(g_Stage.m_nBgm, 2);
    g_SystemData.m_vbCarryOver = savedGroups;
    g_SaveData = savedData;
}

TEST_F(SetStageTest, StartFlowsRunAndACharacterDeadBeforeTheStartLeaves) {
    FloorStage(20, 15);
    cEdCharaDef doomed = Chara(8, 13);
    doomed.m_nMaxHP = 0; // starts with no HP: it dies before play begins
    g_Stage.m_Charas.push_back(doomed);
    g_Stage.m_Charas.push_back(Chara(12, 13));
    Start();
    ASSERT_EQ(g_Charas.size(), 1u);
    EXPECT_EQ(g_Charas.front().m_nId, 2);
    EXPECT_EQ(m_Scene->m_CharaGroups[1].size(), 1u);
}

TEST_F(SetStageTest, SetBlockAtRefusesProtectedCellsAndCoveredObjectsThatSaySo) {
    FloorStage(20, 15);
    cEdBlockDef guarded = Block(6, 5);
    guarded.m_nNoOverwrite = 1;
    g_Stage.m_Blocks.push_back(guarded);
    Start();
    const int heroX = static_cast<int>(Hero().m_dX), heroY = static_cast<int>(Hero().m_dY);
    const cEdBlockDef block = Block(0, 0);
    struct Case {
        const char* what;
        int x, y;
        int refuseOnHero, compat637;
        bool placed;
        int overlapMark;
    };
    const Case cases[] = {
        {"outside the grid", -5, 100, 0, 0, false, 0},
        {"far outside the grid", 100000, 100, 0, 0, false, 0},
        {"a protected cell with a picture", (6 + 10) * 32, (5 + 10) * 32, 0, 0, false, 0},
        {"over the hero, refused", heroX, heroY, 1, 0, false, 2},
        {"over the hero, placed", heroX, heroY, 0, 0, true, 2},
        {"an open cell", (9 + 10) * 32, (5 + 10) * 32, 0, 1, true, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Hero().m_nBlockOverlap = 0;
        g_SystemData.m_nCompat637 = k.compat637;
        cSpawnParams params;
        params.bRefuseOnHero = k.refuseOnHero;
        EXPECT_EQ(SetBlockAt(k.x, k.y, block, params), k.placed);
        EXPECT_EQ(Hero().m_nBlockOverlap, k.overlapMark);
    }
    // With the compatibility switch a protected cell is refused even without a picture.
    cEdBlockDef bare = Block(0, 0, 0, 0);
    bare.m_nNoOverwrite = 1;
    ASSERT_TRUE(SetBlockAt((3 + 10) * 32, (3 + 10) * 32, bare, cSpawnParams{}));
    g_SystemData.m_nCompat637 = 1;
    EXPECT_FALSE(SetBlockAt((3 + 10) * 32, (3 + 10) * 32, block, cSpawnParams{}));
    g_SystemData.m_nCompat637 = 0;
    EXPECT_TRUE(SetBlockAt((3 + 10) * 32, (3 + 10) * 32, block, cSpawnParams{}));
}

TEST_F(SetStageTest, SummonedCharactersComeWithTheirCopiesFacingAndFaction) {
    FloorStage(20, 15);
    cEdCharaDef summoned = Chara(0, 0, 1);
    summoned.m_nMoveType = 1; // a flying body, clear of the floor beside the hero
    summoned.m_nExtraCopies = 2;
    summoned.m_nOffsetXStart = 8;
    summoned.m_nOffsetXStep = 40;
    summoned.m_nOffsetXMirror = 1; // facing right, the copies go left
    g_Stage.m_PaletteCharas.resize(2);
    g_Stage.m_PaletteCharas[1] = summoned;
    Start();
    Hero().m_nDir = 1; // facing right
    struct Case {
        int source, reversed, faction, facing, step;
    };
    const Case cases[] = {{0, 0, 1, 1, -40}, {1, 0, 0, 1, -40}, {2, 1, 5, 0, 40}};
    for (const Case& k : cases) {
        g_Charas.clear();
        cEdShot rec;
        rec.m_nFormation = SHOT_PATTERN_SPREAD;
        rec.m_nCount = 1;
        rec.m_nSummonPalette = 1;
        rec.m_nSummonEntry = 1;
        rec.m_nSummonForceSource = static_cast<std::uint8_t>(k.source);
        rec.m_nForce = 5;
        rec.m_bSummonFacingReversed = static_cast<std::uint8_t>(k.reversed);
        EXPECT_EQ(ExecSummonChara(Hero(), rec), 1);
        ASSERT_EQ(g_Charas.size(), 3u) << "source " << k.source;
        int copy = 0;
        const double x0 = g_Charas.front().m_dX;
        for (const cStageChara& c : g_Charas) {
            EXPECT_EQ(c.m_nGroupFaction, k.faction) << "source " << k.source;
            EXPECT_EQ(c.m_nDir, k.facing) << "source " << k.source;
            EXPECT_EQ(c.m_FlowState.nCloneValue, copy);
            EXPECT_DOUBLE_EQ(c.m_dX - x0, k.step * copy) << "copy " << copy;
            ++copy;
        }
    }
}

TEST_F(SetStageTest, SummonedCharactersStayOutOfBlocksAndCountTheirLifetime) {
    FloorStage(20, 15);
    Start();
    const std::size_t charas = g_Charas.size(), items = g_Items.size();
    cEdCharaDef def = Chara(0, 0);
    cSpawnParams params;
    params.bLifetime = 1;
    params.nLifetime = 5; // half a second
    // Into the floor: refused; above it: placed, with its faction and lifetime in sub-steps.
    EXPECT_EQ(SpawnCharacter(def, (6 + 10) * 32, (14 + 10) * 32, params), nullptr);
    cStageChara* c = SpawnCharacter(def, (6 + 10) * 32, (10 + 10) * 32, params);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->m_nWord1, 5 * 6 * g_nFrameMul);
    EXPECT_EQ(c->m_nGroupFaction, 1);
    EXPECT_EQ(c->m_nId, 1);
    EXPECT_EQ(SpawnCharacter(def, -500, 100, params), nullptr);
    // What was refused left nothing in the list; the one placed is its last.
    EXPECT_EQ(g_Charas.size(), charas + 1);
    EXPECT_EQ(&g_Charas.back(), c);
    // An item outside the stage is refused the same way and takes no id.
    const int id = g_PlayWork.nNextItemId;
    EXPECT_EQ(SpawnItem(Item(0, 0), -500, 100), nullptr);
    EXPECT_EQ(g_Items.size(), items);
    cItem* item = SpawnItem(Item(0, 0), (6 + 10) * 32, (10 + 10) * 32);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_nId, id);
    EXPECT_EQ(g_Items.size(), items + 1);
    EXPECT_EQ(&g_Items.back(), item);
}

TEST_F(SetStageTest, EveryCharacterIsMadeWithVariablesOneToEight) {
    FloorStage(20, 15);
    g_Stage.m_Charas.push_back(Chara(10, 13));
    Start();
    cStageChara* summoned = SpawnCharacter(Chara(0, 0), (6 + 10) * 32, (10 + 10) * 32, cSpawnParams{});
    ASSERT_NE(summoned, nullptr);
    for (cChara* c : {static_cast<cChara*>(&Hero()), static_cast<cChara*>(&g_Charas.front()),
                      static_cast<cChara*>(summoned)}) {
        SCOPED_TRACE(c->m_nId);
        EXPECT_TRUE(EvaluateExpression("my.v1 = 3", *c));
        EXPECT_TRUE(EvaluateExpression("my.v8 = my.v1 + 4", *c));
        EXPECT_EQ(c->m_Vars.at(1), 3);
        EXPECT_EQ(c->m_Vars.at(8), 7);
    }
    // A restart makes them again, from 0.
    SetStage(*m_Scene, true, false);
    EXPECT_EQ(Hero().m_Vars, std::vector<int>(CHARA_VARIABLE_COUNT, 0));
}

static int g_WorkSurfacesBuilt = 0;

TEST_F(SetStageTest, DarknessIsBuiltForAHeroWithADarknessShapeWhateverItsRange) {
    g_FlowHooks.CreateWorkSurfaces = [] { ++g_WorkSurfacesBuilt; };
    const struct {
        int shape, range;
        bool built;
    } cases[] = {{0, 0, false}, {0, 5, false}, {1, 0, true}, {3, 0, true}, {2, 4, true}};
    for (const auto& k : cases) {
        g_Stage = cEdStage();
        g_Stage.m_nActiveOnly = 0;
        FloorStage(20, 15);
        g_Stage.m_Charas.back().m_nSightShape = static_cast<std::uint8_t>(k.shape);
        g_Stage.m_Charas.back().m_nSightRange = static_cast<std::uint8_t>(k.range);
        g_WorkSurfacesBuilt = 0;
        Start();
        EXPECT_EQ(g_WorkSurfacesBuilt, k.built ? 1 : 0) << "shape " << k.shape << " range " << k.range;
    }
    InstallPlayHooks();
}
