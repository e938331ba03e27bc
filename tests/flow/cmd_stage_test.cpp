// The stage clear's next-stage record, warps against walls and the stage's edge, and target links.
#include "app/input.h"
#include "flow/cmd_motion.h"
#include "flow/cmd_stage.h"
#include "flow_fixture.h"
#include "objects/blocks.h"
#include "project/system_data.h"
#include "records/ed_move.h"
#include "records/param_link.h"
#include "records/param_tables.h"

#include <cmath>

namespace {

class FlowStageCmdTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        RegisterStageCommands();
        ResetBlockGrid(m_Scene->m_ScrollX.m_nGridStride, m_Scene->m_ScrollY.m_nGridExtent);
        m_SavedSave = g_SaveData;
        g_ClearNext = cClearNext{};
    }
    void TearDown() override {
        g_Blocks.clear();
        g_SaveData = m_SavedSave;
        g_ClearNext = cClearNext{};
        FlowTest::TearDown();
    }
    static void Place(cChara& c, double x, double y, int id = 1) {
        c.cGameObject::Init(id, 0, 0, 1, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, 0, 0, 0);
        c.m_dX = x;
        c.m_dY = y;
        c.AfterMoveX();
        c.AfterMoveY();
        c.UpdateScreenRect();
        c.m_bPresent = 1;
    }
    void Solid(int col, int row) {
        g_Blocks[(static_cast<std::size_t>(row) << m_Scene->m_ScrollX.m_nStrideExp) + col].m_nSolid = 1;
    }
    static cEdFlowCmd Cmd(int type, std::vector<std::int32_t> params, std::string text = "") {
        cEdFlowCmd rec;
        rec.m_nKind = static_cast<std::int8_t>(type);
        rec.m_Params.assign(params.begin(), params.end());
        rec.m_strText = std::move(text);
        return rec;
    }
    // A warp by direction code `dir` (0 facing left at rest) over `blocks` half blocks.
    static cEdFlowCmd Warp(int dir, int halfBlocks) {
        cEdFlowCmd rec = Cmd(FCT_WARP, {});
        NewMove(rec.m_Move);
        rec.m_Move->m_nTargetMode = 0;
        rec.m_Move->m_nDirection = static_cast<std::uint8_t>(dir);
        rec.m_Move->m_nDistance = static_cast<std::int16_t>(halfBlocks);
        rec.m_Move->m_nLengthUnit = 0;
        rec.m_Move->m_bMirrorAngle = 0;
        return rec;
    }
    cSaveData m_SavedSave;
};

TEST_F(FlowStageCmdTest, StageClearSaysWhatFollows) {
    struct Case {
        std::vector<std::int32_t> params;
        std::string text;
        int index, useName;
        std::string name;
        std::size_t boxes;
    } cases[] = {
        {{0}, "", 4, 0, "", 0},
        {{1, 7}, "", 7, 0, "", 0},
        {{2}, "data\\stg4\\other.stg4", 3, 1, "data\\stg4\\other.stg4", 0},
        // An empty path is reported with an empty name; the stage ends all the same, with nothing to follow.
        {{2}, "", 3, 1, "", 1},
        {{3}, "", 0, 0, "", 0},
    };
    cStageChara c;
    std::string box;
    for (const Case& k : cases) {
        s_Boxes.clear();
        g_SaveData.m_nStagePart = 3;
        m_Scene->m_nStageEndRequest = 0;
        g_ClearNext.strName = "left over";
        cEdFlowCmd rec = Cmd(FCT_STAGE_CLEAR, k.params, k.text);
        EXPECT_EQ(RunItemCommand(c, ICT_STAGE_CLEAR, rec), 1);
        EXPECT_EQ(m_Scene->m_nStageEndRequest, 1);
        EXPECT_EQ(g_ClearNext.nIndex, k.index) << k.params[0];
        EXPECT_EQ(g_ClearNext.bUseName, k.useName);
        EXPECT_EQ(g_ClearNext.strName, k.name);
        ASSERT_EQ(s_Boxes.size(), k.boxes);
        if (k.boxes) box = s_Boxes[0];
    }
    EXPECT_NE(box.find("ステージファイル  が不正です。"), std::string::npos);
}

TEST_F(FlowStageCmdTest, StageClearKeepsMapPositionAndNextStart) {
    g_Heroes.resize(1);
    g_Heroes[0].m_nDir = 1;
    g_SaveData.m_nMapX = 1, g_SaveData.m_nMapY = 1;
    cStageChara c;
    // The world-map position is kept as given (the world map keeps it inside the map), and the
    // hero's start on the next stage takes hero 1's facing now.
    cEdFlowCmd rec = Cmd(FCT_STAGE_CLEAR, {0, 0, 1, 999, 12, 1, 40, 2, 2});
    CmdStageClear(c, rec);
    EXPECT_EQ(g_SaveData.m_nMapX, 999);
    EXPECT_EQ(g_SaveData.m_nMapY, 12);
    EXPECT_EQ(g_SaveData.m_bNextStart, 1);
    EXPECT_EQ(g_SaveData.m_nNextStartX, 40);
    EXPECT_EQ(g_SaveData.m_nNextStartY, 2);
    EXPECT_EQ(g_SaveData.m_nNextStartFacing, 1);
    // Without the switches the position stays and the start is cleared.
    rec = Cmd(FCT_STAGE_CLEAR, {0, 0, 0, 5, 5, 0, 1, 1, 0});
    CmdStageClear(c, rec);
    EXPECT_EQ(g_SaveData.m_nMapX, 999);
    EXPECT_EQ(g_SaveData.m_bNextStart, 0);
}

TEST_F(FlowStageCmdTest, WarpStaysPutWhenBlockedOrOutside) {
    struct Case {
        const char* name;
        double x, y;
        int dir, halfBlocks;
        double ex, ey;
    } cases[] = {
        {"Free", 640, 640, 2, 4, 576, 640},     // left by 64 pixels
        {"Up", 640, 640, 6, 2, 640, 608},       // up by 32
        {"IntoWall", 640, 640, 3, 4, 640, 640}, // a solid cell at column 22
        {"OutOfStage", 40, 640, 2, 8, 40, 640}, // 128 pixels left of x 40
    };
    Solid(22, 20);
    for (const Case& k : cases) {
        cStageChara c;
        Place(c, k.x, k.y);
        c.m_dVY = 3;
        cEdFlowCmd rec = Warp(k.dir, k.halfBlocks);
        CmdWarp(c, rec);
        EXPECT_DOUBLE_EQ(c.m_dX, k.ex) << k.name;
        EXPECT_DOUBLE_EQ(c.m_dY, k.ey) << k.name;
        EXPECT_DOUBLE_EQ(c.m_dRight, k.ex + 31) << k.name;
        EXPECT_DOUBLE_EQ(c.m_dBottom, k.ey + 31) << k.name;
        // A character with gravity that arrived loses its vertical speed.
        EXPECT_DOUBLE_EQ(c.m_dVY, k.ex != k.x || k.ey != k.y ? 0 : 3) << k.name;
    }
}

// An arrangement of a warp's distance reaches the warp that runs next, at each run of its flow.
TEST_F(FlowStageCmdTest, AFlowsWarpGoesTheDistanceArrangedForIt) {
    BuildParamTables();
    g_SaveData.m_vnCommonVars[1] = 2;
    m_OnRun = [](cChara&, cFlowCommand&) {
        CurFlow()->m_Pending.push_back(ParamLink{FCT_WARP, 0, PLO_ADD, VS_COMMON, 1});
    };
    const std::vector<TestCmd> cmds = {{FCT_WAIT, 1, 0, 'Q'}, {FCT_WARP, 1, 0, 'w'}};
    cEdFlow flow = MakeFlow(FTK_ALWAYS, cmds);
    flow.m_Commands[1] = Warp(2, 1); // left by one half block, two more at each run
    cStageChara c;
    Place(c, 640, 640);
    Give(c, {flow});
    SetFrames(c, 0, cmds);
    const double expected[] = {640 - 3 * 16, 640 - 3 * 16 - 5 * 16};
    for (double x : expected) {
        Frame(c, {FTK_ALWAYS});
        Frame(c, {FTK_ALWAYS});
        EXPECT_DOUBLE_EQ(c.m_dX, x);
    }
}

// Direction 12: a shot fires along the key that started its flow, a warp goes along the key
// pressed now. The flow starts with up held; right is held by the time both commands run.
TEST_F(FlowStageCmdTest, InputDirectionIsTheStartingKeyForShotsAndTheKeyNowForWarps) {
    RegisterShotCommands();
    const std::vector<cInputRecord> savedInputs(g_Inputs.begin(), g_Inputs.end());
    g_Inputs.assign(1, cInputRecord{});
    const auto hold = [](std::uint16_t dir, int number) {
        cInputRecord& in = g_Inputs[0];
        in.wDir = dir;
        in.nDirNumber = number;
        cInputHistory::Record(in);
        SampleInput(in);
    };
    cEdFlowCmd wait = Cmd(FCT_WAIT, {});
    cEdFlowCmd shot = Cmd(FCT_SHOT, {});
    NewShot(shot.m_Shot);
    shot.m_Shot->m_nFormation = 2;
    shot.m_Shot->m_nCount = 1;
    shot.m_Shot->m_nSpeed = 20;
    shot.m_Shot->m_nDirection = 12;
    cEdFlowCmd warp = Warp(12, 4);
    cEdFlow flow = MakeFlow(FTK_ALWAYS, {});
    for (const cEdFlowCmd* rec : {&wait, &shot, &warp})
        flow.m_Commands.push_back(*rec);
    cStageChara& c = g_Charas.emplace_back();
    Place(c, 640, 640);
    c.m_bNoGravity = 1;
    Give(c, {flow});
    for (cFlowCommand& inst : c.m_Flows[0].m_Commands)
        inst.m_nUseTime = 1;
    hold(4, 8); // up
    Frame(c, {FTK_ALWAYS});
    hold(2, 6); // right
    Frame(c);
    ASSERT_EQ(m_Scene->m_Shots.size(), 1u);
    EXPECT_NEAR(m_Scene->m_Shots.front().m_dVX, 0.0, 1e-9);
    EXPECT_LT(m_Scene->m_Shots.front().m_dVY, 0);
    Frame(c);
    EXPECT_DOUBLE_EQ(c.m_dX, 640 + 64);
    EXPECT_DOUBLE_EQ(c.m_dY, 640);
    m_Scene->m_Shots.clear();
    g_Inputs.assign(savedInputs.begin(), savedInputs.end());
}

// A diagonal warp keeps its diagonal for a character with gravity unless the project is older
// than the switch that keeps it.
TEST_F(FlowStageCmdTest, DiagonalWarpsFoldOnlyInOlderProjects) {
    const std::int32_t saved = g_SystemData.m_nCompat721;
    for (const int older : {0, 1}) {
        g_SystemData.m_nCompat721 = older;
        cStageChara c;
        Place(c, 640, 640);
        cEdFlowCmd rec = Warp(10, 4); // up-right, 64 pixels
        CmdWarp(c, rec);
        const double diagonal = 64 / std::sqrt(2.0);
        EXPECT_NEAR(c.m_dX, 640 + (older ? 64 : diagonal), 1.0) << older;
        EXPECT_NEAR(c.m_dY, 640 - (older ? 0 : diagonal), 1.0) << older;
    }
    g_SystemData.m_nCompat721 = saved;
}

TEST_F(FlowStageCmdTest, TargetLinksStayOnBothSides) {
    g_Heroes.resize(1);
    Place(g_Heroes[0], 320, 640, 100);
    cStageChara& me = g_Charas.emplace_back();
    Place(me, 640, 640, 1);
    cStageChara& near = g_Charas.emplace_back();
    Place(near, 700, 640, 2);
    cStageChara& far = g_Charas.emplace_back();
    Place(far, 900, 640, 3);
    auto set = [&](std::vector<std::int32_t> p) {
        p.resize(10, 0);
        cEdFlowCmd rec = Cmd(FCT_SET_TARGET, p);
        CmdSetTarget(me, rec);
    };
    auto watchedBy = [](const cChara& t, const cChara& w) {
        return std::count(t.m_Watchers.begin(), t.m_Watchers.end(), &w);
    };
    set({0});
    EXPECT_EQ(me.m_pTarget, &g_Heroes[0]);
    EXPECT_EQ(watchedBy(g_Heroes[0], me), 1);
    set({1});
    EXPECT_EQ(me.m_pTarget, &me);
    EXPECT_EQ(watchedBy(g_Heroes[0], me), 0);
    set({2, 0, 0, 1}); // the nearest other character anywhere
    EXPECT_EQ(me.m_pTarget, &near);
    // By the character ID the author gave, not the run-time number: two characters share ID 3,
    // and the one of the lower faction is taken whatever their order in the stage.
    near.m_Def.m_nCharaId = 3;
    far.m_Def.m_nCharaId = 3;
    g_Heroes[0].m_Def.m_nCharaId = 3;
    cObjectLinks::JoinFaction(near, 5);
    cObjectLinks::JoinFaction(far, 1);
    cObjectLinks::JoinFaction(g_Heroes[0], 2);
    set({3, 0, 0, 0, 0, 0, 0, 0, 0, 3});
    EXPECT_EQ(me.m_pTarget, &far);
    EXPECT_EQ(watchedBy(near, me), 0);
    EXPECT_EQ(watchedBy(far, me), 1);
    set({3, 0, 0, 0, 0, 0, 0, 0, 0, 3});
    EXPECT_EQ(watchedBy(far, me), 1) << "setting the same target twice links once";
    // An ID no character has leaves no target, and no watcher entry behind.
    set({3, 0, 0, 0, 0, 0, 0, 0, 0, 77});
    EXPECT_EQ(me.m_pTarget, nullptr);
    EXPECT_EQ(watchedBy(far, me), 0);
    // A run-time number is no character ID.
    set({3, 0, 0, 0, 0, 0, 0, 0, 0, 2});
    EXPECT_EQ(me.m_pTarget, nullptr);
    // A character already taken out of play is never chosen: the next faction's match is.
    far.m_bRemoved = 1;
    set({3, 0, 0, 0, 0, 0, 0, 0, 0, 3});
    EXPECT_EQ(me.m_pTarget, &g_Heroes[0]);
    // A target that leaves the stage takes the link with it.
    g_Heroes[0].m_Def.m_nCharaId = 0;
    set({3, 0, 0, 0, 0, 0, 0, 0, 0, 3});
    EXPECT_EQ(me.m_pTarget, &near);
    cObjectLinks::LeaveFaction(near);
    g_Charas.remove_if([](const cStageChara& c) { return c.m_nId == 2; });
    EXPECT_EQ(me.m_pTarget, nullptr);
    set({4});
    EXPECT_EQ(me.m_pTarget, nullptr);
}

} // namespace
