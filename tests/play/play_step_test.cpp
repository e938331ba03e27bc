// The play step on small live stages: sub-steps by the frame multiplier, the time limit and the
// elapsed time, the button held over a closed wait, life counters (of items whichever join or leave
// the list), squeezes, standing-block effects, the stage-end request and the trace lines.
#include "play_fixture.h"

#include "app/game_loop.h"
#include "objects/blocks.h"
#include "objects/object_links.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <iterator>
#include <list>
#include <string>
#include <utility>
#include <vector>

using namespace play_fixture;

class PlayStepTest : public PlayTest {
  protected:
    // A hero in the air over the floor of a 20 x 15 stage.
    void AirborneHero() {
        FloorStage(20, 15);
        g_Stage.m_Charas.back().m_nY = 5;
    }
};

TEST_F(PlayStepTest, FrameMultiplierZeroFreezesObjectsButNotInputOrTime) {
    AirborneHero();
    Start();
    g_nFrameMul = 0; // a stage file cannot give 0; set directly
    const double y = Hero().m_dY;
    Play(10, DIR_RIGHT);
    EXPECT_DOUBLE_EQ(Hero().m_dY, y);
    EXPECT_EQ(m_Scene->m_nElapsedFrames, 10);
    EXPECT_EQ(m_Scene->m_nSubStepCount, 0);
    EXPECT_EQ(m_Scene->m_nPlayFrame, 10);
    EXPECT_EQ(cInputHistory::GetPast(g_Inputs[0], 0, 0), DIR_RIGHT);
    // With sub-steps back the hero falls.
    g_Stage.SetHitLevel(g_Stage.m_nHitLevel);
    Play(1);
    EXPECT_GT(Hero().m_dY, y);
    EXPECT_EQ(m_Scene->m_nSubStepCount, g_nFrameMul);
}

TEST_F(PlayStepTest, TimeLimitLosesOneSecondPerSixtyFramesAtAnyRate) {
    for (int rate : {30, 60, 120}) {
        SCOPED_TRACE(rate);
        FloorStage(20, 15);
        g_Stage.m_nFrameRate = rate;
        g_Stage.m_nTimeLimitOn = 1;
        g_Stage.m_nTimeLimit = 2;
        Start();
        Play(59);
        EXPECT_EQ(m_Scene->m_nTimeLimit, 2);
        Play(1);
        EXPECT_EQ(m_Scene->m_nTimeLimit, 1);
        EXPECT_FALSE(Hero().m_bDefeated);
        Play(60);
        EXPECT_EQ(m_Scene->m_nTimeLimit, 0);
        EXPECT_TRUE(Hero().m_bDefeated);
        EXPECT_EQ(PlayEndWord(*m_Scene), PLAY_END_DEFEATED);
        g_Stage.m_Blocks.clear();
        g_Stage.m_Charas.clear();
    }
    // Without a limit the time stays at 999.
    FloorStage(20, 15);
    g_Stage.m_nTimeLimitOn = 0;
    Start();
    Play(200);
    EXPECT_EQ(m_Scene->m_nTimeLimit, 999);
    EXPECT_FALSE(Hero().m_bDefeated);
}

TEST(PlayTime, ElapsedTimeStopsAt99Minutes5999Hundredths) {
    cGameScene scene;
    struct Case {
        int frames, cs, framesAfter, csAfter;
    };
    const Case cases[] = {{0, 0, 1, 1},
                          {5, 8, 6, 10},
                          {359998, 599996, 359999, 599998},
                          {359999, 599998, 360000, 599999},
                          {360000, 599999, 360000, 599999}};
    for (const Case& k : cases) {
        scene.m_nElapsedFrames = k.frames;
        scene.m_nElapsedCs = k.cs;
        TickElapsedTime(scene);
        EXPECT_EQ(scene.m_nElapsedFrames, k.framesAfter);
        EXPECT_EQ(scene.m_nElapsedCs, k.csAfter);
    }
    // A step that would pass 999 seconds is held at 999.
    ResetFrameTimers();
    FrameTimerTick(0, 60);
    scene.m_bTimeStopped = 0;
    scene.m_nTimeLimit = 999;
    for (int i = 0; i < 59; ++i)
        EXPECT_FALSE(TickTimeLimit(scene, 5));
    EXPECT_FALSE(TickTimeLimit(scene, 5));
    EXPECT_EQ(scene.m_nTimeLimit, 999);
}

TEST_F(PlayStepTest, ButtonHeldOverAClosedWaitActsOnlyAfterRelease) {
    FloorStage(20, 15);
    Start();
    m_Scene->m_bWaitClosed = 1;
    Play(3, 0, 1);
    EXPECT_EQ(g_Inputs[0].wButtons, 0);
    EXPECT_EQ(m_Scene->m_bWaitClosed, 1);
    Play(1, 0, 0);
    EXPECT_EQ(m_Scene->m_bWaitClosed, 0);
    Play(1, 0, 1);
    EXPECT_EQ(g_Inputs[0].wButtons, 1);
}

TEST_F(PlayStepTest, LifeCountersRemoveCharactersAndItemsUnlessUnlimited) {
    FloorStage(20, 15);
    g_Stage.m_Charas.push_back(Chara(8, 13));
    g_Stage.m_Charas.push_back(Chara(10, 13));
    g_Stage.m_Items.push_back(Item(12, 12));
    Start();
    cStageChara& limited = g_Charas.front();
    limited.m_nWord1 = 2 * g_nFrameMul - 1; // gone during the second frame
    g_Items.front().m_nWord1 = 0;           // gone at the first sub-step
    Play(1);
    EXPECT_EQ(g_Charas.size(), 2u);
    EXPECT_TRUE(g_Items.empty());
    Play(1);
    ASSERT_EQ(g_Charas.size(), 1u);
    EXPECT_EQ(g_Charas.front().m_nWord1, INT_MAX);
    EXPECT_EQ(m_Scene->m_CharaGroups[1].size(), 1u);
    Play(100);
    EXPECT_EQ(g_Charas.size(), 1u);
}

TEST_F(PlayStepTest, ItemLivesCountOncePerSubStepWhicheverItemsJoinOrLeaveBetweenFrames) {
    // What changes in the item list between two frames.
    const auto erase = [](std::size_t at) {
        g_Items.erase(std::next(g_Items.begin(), static_cast<long>(at)));
    };
    const auto join = [] {
        cItem copy = g_Items.front();
        int id = 0;
        for (const cItem& i : g_Items)
            id = std::max(id, i.m_nId + 1);
        copy.m_nId = id;
        g_Items.push_back(copy);
    };
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"nothing", [] {}},
        {"the first leaves", [&] { erase(0); }},
        {"one in the middle leaves", [&] { erase(2); }},
        {"the last leaves", [&] { erase(3); }},
        {"one joins", [&] { join(); }},
        {"the last leaves and one joins",
         [&] {
             erase(3);
             join();
         }},
        {"all are replaced by copies",
         [] {
             const std::list<cItem> copies = g_Items;
             g_Items.clear();
             for (const cItem& i : copies)
                 g_Items.push_back(i);
         }},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        FloorStage(20, 15);
        for (int x : {6, 8, 10, 12})
            g_Stage.m_Items.push_back(Item(x, 12));
        Start();
        for (cItem& i : g_Items)
            i.m_nWord1 = 1000;
        Play(1);
        k.change();
        std::vector<std::pair<int, int>> expected; // id, life after a frame
        for (const cItem& i : g_Items)
            expected.emplace_back(i.m_nId, i.m_nWord1 - g_nFrameMul);
        Play(1);
        std::vector<std::pair<int, int>> lives;
        for (const cItem& i : g_Items)
            lives.emplace_back(i.m_nId, i.m_nWord1);
        EXPECT_EQ(lives, expected);
        g_Stage.m_Blocks.clear();
        g_Stage.m_Charas.clear();
        g_Stage.m_Items.clear();
    }
}

TEST_F(PlayStepTest, SqueezedHeroDiesUnlessABlockWasJustPlacedOverIt) {
    for (int mark : {0, 2}) {
        SCOPED_TRACE(mark);
        FloorStage(20, 15);
        // A hero taller than the gap between a ceiling and the floor.
        g_Stage.m_nHeroBodyH = 40;
        for (int x = 0; x < 6; ++x)
            g_Stage.m_Blocks.push_back(Block(x, 12));
        Start();
        Hero().m_nBlockOverlap = mark;
        Play(3);
        EXPECT_EQ(Hero().m_bDefeated != 0, mark == 0);
        g_Stage.m_Blocks.clear();
        g_Stage.m_Charas.clear();
    }
}

TEST_F(PlayStepTest, StandingBlockEffectsBounceAndCarry) {
    struct Case {
        int kind, value;
        int dx; // sign of the move along x after a frame
        bool rises;
    };
    const Case cases[] = {
        {0, 0, 0, false}, {1, 4, 0, true}, {3, 50, 0, false}, {4, 20, -1, false}, {5, 20, 1, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.kind);
        FloorStage(20, 15);
        for (cEdBlockDef& b : g_Stage.m_Blocks) {
            b.m_nHeroAction = static_cast<std::uint8_t>(k.kind);
            b.m_nHeroActionValue = static_cast<std::uint32_t>(k.value);
        }
        Start();
        const double x = Hero().m_dX, y = Hero().m_dY;
        Play(6);
        const double moved = Hero().m_dX - x;
        EXPECT_EQ((moved > 0) - (moved < 0), k.dx);
        EXPECT_EQ(Hero().m_dY < y - 8, k.rises);
        g_Stage.m_Blocks.clear();
        g_Stage.m_Charas.clear();
    }
}

TEST_F(PlayStepTest, StageEndRequestAndTraceLines) {
    FloorStage(20, 15);
    Start();
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    g_PlayTrace.SetFile(f);
    g_PlayTrace.BeginStage();
    Play(2);
    m_Scene->m_nStageEndRequest = 1;
    Play(5);
    EXPECT_EQ(m_Scene->m_nState, GAMESTATE_RESULT);
    EXPECT_EQ(PlayEndWord(*m_Scene), PLAY_END_CLEARED);
    std::rewind(f);
    char line[512];
    std::string all;
    int lines = 0;
    while (std::fgets(line, sizeof line, f)) {
        all = line;
        ++lines;
    }
    std::fclose(f);
    g_PlayTrace.SetFile(nullptr);
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(all.rfind("3 hero=", 0), 0u) << all;
    EXPECT_NE(all.find(" end=1 "), std::string::npos) << all;
}

TEST_F(PlayStepTest, ShotsBeyondTheirSidesRemovalLimitsLeaveBeforeTheHitPass) {
    // An enemy to the right of the view, within ten blocks of its edge. By default a player-side
    // shot leaves at the view's edge (limit record 4), another shot ten blocks beyond (record 5).
    FloorStage(60, 15);
    cEdCharaDef enemy = Chara(25, 13);
    enemy.m_nMaxHP = 10;
    g_Stage.m_Charas.push_back(enemy);
    Start();
    cStageChara& e = g_Charas.front();
    ASSERT_GT(e.m_dX, m_Scene->m_ScrollX.m_dPos + 640);
    ASSERT_LT(e.m_dX, m_Scene->m_ScrollX.m_dPos + 640 + 10 * 32);
    auto fire = [&](int playerFlag, int faction) -> int {
        cShot& s = m_Scene->m_Shots.emplace_back();
        s.cGameObject::Init(900 + faction, playerFlag, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 1, 1, 0);
        s.m_dX = e.m_dX;
        s.m_dY = e.m_dY;
        s.ClampToStageX(2);
        s.ClampToStageY(2);
        s.m_Work.bPassBlocks = 1;
        s.m_nPower = 1;
        cObjectLinks::JoinFaction(s, faction);
        const int hp = e.m_nHP;
        Play(1);
        return hp - e.m_nHP;
    };
    EXPECT_EQ(fire(1, 0), 0) << "a player-side shot out of view leaves before it can hit";
    EXPECT_TRUE(m_Scene->m_Shots.empty());
    // Marked through the hits, it left its faction list with the sweep after them.
    EXPECT_TRUE(m_Scene->m_ShotGroups[0].empty());
    EXPECT_EQ(m_Scene->m_nEndedShots, 0u);
    EXPECT_EQ(fire(0, 2), 1) << "another side's shot is still within its limit";
    // The player side's record moved out by ten blocks: its shot stays and hits.
    g_Stage.m_Limits[3].m_nDistRight = 10;
    e.m_nInvincible = 0;
    EXPECT_EQ(fire(1, 0), 1);
}
