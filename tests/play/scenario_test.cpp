// Whole plays of small stages stored as stage files and read back: the hero lands, walks, takes
// items and touches the goal; a shot defeats an enemy; the time runs out; a
// restart restores the stage; the same input gives the same trace.
//
// The movement and stage-clear commands come with the flow commands; here one stand-in command
// moves its character (a hero by the right and left of its input, anyone else steadily right) and
// the stage-clear command of an item ends the stage.
#include "play_fixture.h"

#include "fixtures/bytes.h"
#include "objects/object_links.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace play_fixture;

namespace {

void StandInMove(cChara& c, cFlowCommand&) {
    if (c.m_nObjKind == OBJKIND_HERO) {
        const std::uint16_t dir = g_Inputs[0].wDir;
        c.m_dVX = (dir & DIR_RIGHT) ? 0.5 : (dir & DIR_LEFT) ? -0.5 : 0.0;
    } else {
        c.m_dVX = 0.25;
    }
}

int StandInStageClear(cChara&, cEdFlowCmd&) {
    return 1;
}

// A flow of trigger "always" running the stand-in move.
cEdFlow MoveFlow() {
    cEdFlow flow;
    flow.m_nTrigger = FTK_ALWAYS;
    cEdFlowCmd cmd;
    cmd.m_nKind = FCT_LINE_MOVE;
    cmd.m_nUseTime = 1; // runs through every sub-step of six frames
    flow.m_Commands.push_back(cmd);
    return flow;
}

cEdItemDef Goal(int x, int y) {
    cEdItemDef goal = Item(x, y);
    cEdFlowCmd clear;
    clear.m_bItem = 1;
    clear.m_nKind = static_cast<std::int8_t>(FCT_STAGE_CLEAR - 15);
    goal.m_Commands.push_back(clear);
    return goal;
}

// The stand-in move of a test of defeats in a step: the hero's counts the characters it finds in the
// list defeated; another's defeats its character at the call the test names.
int g_nDefeatAtCall = 0, g_nCalls = 0, g_nLingering = 0;
void DefeatingMove(cChara& c, cFlowCommand&) {
    if (c.m_nObjKind == OBJKIND_HERO) {
        for (const cStageChara& o : g_Charas)
            if (o.m_bDefeated) ++g_nLingering;
        return;
    }
    if (++g_nCalls == g_nDefeatAtCall) c.Defeat();
}

class ScenarioTest : public PlayTest {
  protected:
    void SetUp() override {
        PlayTest::SetUp();
        SetFlowCommandHandler(FCT_LINE_MOVE, &StandInMove);
        SetSharedCommandHandler(FCT_STAGE_CLEAR, &StandInStageClear);
        // A folder of its own: tests of this suite run side by side in separate processes.
        m_Path = m_Dir.file("scenario.stg4_000");
    }
    // A 30 x 15 stage with a floor: the hero falls onto it from row 9, coins on the way, an enemy at
    // column 12 and the goal at column 26. Written to a stage file, read back and set up.
    void WriteAndLoad(int timeLimit = 0) {
        FloorStage(30, 15);
        cEdCharaDef& hero = g_Stage.m_Charas.back();
        hero.m_nY = 9;
        hero.m_Flows.push_back(MoveFlow());
        g_Stage.m_Items.push_back(Item(6, 13));
        g_Stage.m_Items.push_back(Item(8, 13));
        g_Stage.m_Items.push_back(Goal(26, 13));
        cEdCharaDef enemy = Chara(12, 13);
        enemy.m_nScore = 100;
        enemy.m_nMaxHP = 1;
        g_Stage.m_Charas.push_back(enemy);
        g_Stage.m_nTimeLimitOn = timeLimit ? 1 : 0;
        g_Stage.m_nTimeLimit = timeLimit;
        SaveLoadAndStart();
    }
    // The stage as built, written to its file, read back and set up with every character active.
    void SaveLoadAndStart() {
        ASSERT_TRUE(g_Stage.SaveFile(m_Path));
        g_Stage = cEdStage();
        ASSERT_TRUE(g_Stage.LoadFile(m_Path));
        g_Stage.m_nActiveOnly = 0;
        Start();
    }
    // Frames of play; the trace lines they write.
    std::vector<std::string> Traced(int frames, std::uint16_t dir) {
        std::FILE* f = std::tmpfile();
        g_PlayTrace.SetFile(f);
        Play(frames, dir);
        std::vector<std::string> lines;
        std::rewind(f);
        char line[512];
        while (std::fgets(line, sizeof line, f))
            lines.emplace_back(line);
        g_PlayTrace.SetFile(nullptr);
        std::fclose(f);
        return lines;
    }
    cStageChara* Enemy() {
        for (cStageChara& c : g_Charas)
            if (c.m_Def.m_nScore == 100) return &c;
        return nullptr;
    }

    fixtures::TempDir m_Dir;
    std::string m_Path;
};

} // namespace

TEST_F(ScenarioTest, HeroLandsWalksTakesItemsDefeatsAnEnemyAndTouchesTheGoal) {
    WriteAndLoad();
    const double startY = Hero().m_dY;
    Play(60);
    // Landed on the floor (row 13 of the stage: grid row 23).
    EXPECT_GT(Hero().m_dY, startY + 100);
    EXPECT_EQ(static_cast<int>(Hero().m_dBottom) / 32, 23);
    EXPECT_EQ(g_Items.size(), 3u);

    // A shot of the hero's faction on the enemy: it is defeated and leaves at once with its score.
    cShot& shot = m_Scene->m_Shots.emplace_back();
    shot.cGameObject::Init(900, 1, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 1, 1, 0);
    shot.m_dX = Enemy()->m_dX;
    shot.m_dY = Enemy()->m_dY;
    shot.ClampToStageX(2);
    shot.ClampToStageY(2);
    shot.m_Work.bPassBlocks = 1;
    shot.m_nPower = 5;
    cObjectLinks::JoinFaction(shot, 0);
    Play(1);
    EXPECT_EQ(Enemy(), nullptr);
    EXPECT_EQ(g_nScore, 100);
    EXPECT_TRUE(m_Scene->m_Shots.empty());

    // Walking right takes both coins on the way and ends at the goal.
    Play(2000, DIR_RIGHT);
    EXPECT_EQ(m_Scene->m_nState, GAMESTATE_RESULT);
    EXPECT_EQ(PlayEndWord(*m_Scene), PLAY_END_CLEARED);
    EXPECT_FALSE(Hero().m_bDefeated);
    EXPECT_TRUE(g_Items.empty());
}

TEST_F(ScenarioTest, TimeRunsOutAndARestartRestoresTheStage) {
    WriteAndLoad(3);
    // The play step goes on after the defeat (the death sequence is the play scene's): 180 steps.
    std::vector<std::string> lines = Traced(40, DIR_RIGHT); // over the coins, short of the enemy
    const std::vector<std::string> rest = Traced(140, 0);
    lines.insert(lines.end(), rest.begin(), rest.end());
    ASSERT_EQ(lines.size(), 180u);
    EXPECT_NE(lines.back().find(" time=0 "), std::string::npos) << lines.back();
    EXPECT_NE(lines.back().find(" end=2 "), std::string::npos) << lines.back();
    EXPECT_NE(lines[178].find(" end=0 "), std::string::npos);
    EXPECT_LT(g_Items.size(), 3u);

    SetStage(*m_Scene, true, false);
    m_Scene->m_nState = GAMESTATE_PLAY;
    EXPECT_FALSE(Hero().m_bDefeated);
    EXPECT_EQ(g_Items.size(), 3u);
    EXPECT_NE(Enemy(), nullptr);
    EXPECT_EQ(m_Scene->m_nTimeLimit, 3);
    const std::vector<std::string> again = Traced(1, 0);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].rfind("1 hero=", 0), 0u);
}

TEST_F(ScenarioTest, SameInputGivesTheSameTrace) {
    std::vector<std::string> runs[2];
    for (auto& run : runs) {
        g_Stage = cEdStage();
        WriteAndLoad(20);
        run = Traced(150, 0);
        const std::vector<std::string> more = Traced(400, DIR_RIGHT);
        run.insert(run.end(), more.begin(), more.end());
    }
    ASSERT_FALSE(runs[0].empty());
    EXPECT_EQ(runs[0], runs[1]);
    // The play did something: the hero moved.
    EXPECT_NE(runs[0].front().substr(runs[0].front().find("hero=")),
              runs[0].back().substr(runs[0].back().find("hero=")));
}

TEST_F(ScenarioTest, ACharacterDefeatedInAStepOrByAHitLeavesWithTheSweepOfItsSubStep) {
    // The hero steps before the enemy in each sub-step: a defeated enemy still in the list would be
    // met by the hero's step of the next.
    struct Case {
        int at;      // the enemy's step that defeats it, or 0
        bool struck; // the enemy stands on the hero, whose body defeats it in the first hits
        int steps;   // the steps the enemy takes
    };
    const Case cases[] = {{1, false, 1},   {2, false, 2},   {9, false, 9}, {10, false, 10},
                          {11, false, 11}, {25, false, 25}, {0, true, 1}};
    SetFlowCommandHandler(FCT_LINE_MOVE, &DefeatingMove);
    for (const Case& k : cases) {
        g_Stage = cEdStage();
        FloorStage(30, 15);
        cEdCharaDef& hero = g_Stage.m_Charas.back();
        hero.m_Flows.push_back(MoveFlow());
        hero.m_nBodyPower = 1;
        cEdCharaDef enemy = k.struck ? Chara(hero.m_nX, hero.m_nY) : Chara(12, 13);
        enemy.m_nMaxHP = 1;
        enemy.m_Flows.push_back(MoveFlow());
        g_Stage.m_Charas.push_back(enemy);
        SaveLoadAndStart();
        if (HasFatalFailure()) return;
        g_nDefeatAtCall = k.at, g_nCalls = 0, g_nLingering = 0;
        Play(4);
        EXPECT_EQ(g_nCalls, k.steps) << k.at;
        EXPECT_EQ(g_nLingering, 0) << k.at;
        EXPECT_TRUE(g_Charas.empty()) << k.at;
    }
}

TEST_F(ScenarioTest, HeroRidesAMovingPlatform) {
    // A floating block character under the hero moves right a quarter pixel per sub-step; the hero
    // drops onto it from just above.
    FloorStage(30, 15);
    cEdCharaDef& hero = g_Stage.m_Charas.back();
    hero.m_nX = 5;
    hero.m_nY = 7;
    cEdCharaDef platform = Chara(5, 8);
    platform.m_nBlockChara = 1;
    platform.m_nMoveType = 1;
    platform.m_Flows.push_back(MoveFlow());
    g_Stage.m_Charas.push_back(platform);
    SaveLoadAndStart();
    if (HasFatalFailure()) return;
    ASSERT_EQ(g_Charas.size(), 1u);
    const cStageChara& p = g_Charas.front();
    int frame = 0;
    for (; frame < 10 && !Hero().m_bRiding; ++frame)
        Play(1);
    ASSERT_EQ(Hero().m_bRiding, 1) << "the hero never landed on the platform";
    EXPECT_EQ(Hero().m_nRiddenId, p.m_nId);
    const double offset = Hero().m_dX - p.m_dX;
    const double startX = p.m_dX;
    // Carried along for 100 frames: it stays where it stood, on top, never pushed to a side.
    for (int f = 0; f < 100; ++f) {
        Play(1);
        ASSERT_EQ(Hero().m_bRiding, 1) << f;
        ASSERT_DOUBLE_EQ(Hero().m_dX - p.m_dX, offset) << f;
        ASSERT_EQ(static_cast<int>(Hero().m_dBottom), static_cast<int>(p.m_dY) - 1) << f;
        ASSERT_FALSE(Hero().m_nTouchLeft || Hero().m_nTouchRight) << f;
    }
    EXPECT_DOUBLE_EQ(p.m_dX - startX, 100 * 10 * 0.25);
    EXPECT_FALSE(Hero().m_bDefeated);
}
