// The block walk on small hand-made grids. The fixture's stage is 20 x 15 blocks; grid cell
// (column, row) covers pixels column x 32 .. column x 32 + 31 (margin included).
#include "objects/flow_calls.h"
#include "objects/objects_fixture.h"
#include "play/collision.h"
#include "play/hits.h"
#include "project/system_data.h"

#include <vector>

namespace {

class CollisionTest : public ObjectsTest {
  protected:
    // The kinds raised on a character are kept on it in order, instead of starting its flows.
    void SetUp() override {
        ObjectsTest::SetUp();
        m_SavedTrigger = g_ObjectFlowCalls.TriggerFlows;
        g_ObjectFlowCalls.TriggerFlows = nullptr;
    }
    void TearDown() override {
        g_ObjectFlowCalls.TriggerFlows = m_SavedTrigger;
        g_SystemData.m_nCompat677 = 0;
        ObjectsTest::TearDown();
    }
    void (*m_SavedTrigger)(cChara&, int) = nullptr;
    // The cell index of a probe, or -1 outside the grid.
    static long CellOf(const cBlockProbe& p) { return p.block ? p.block - &g_Blocks[0] : -1; }
    long Cell(int column, int row) const {
        return (static_cast<long>(row) << m_Scene->m_ScrollX.m_nStrideExp) + column;
    }
};

TEST_F(CollisionTest, ProbePointsFollowTheScaleAndTheEdges) {
    cStageChara c;
    Place(c, 20 * 32, 15 * 32, 32, 32);
    // A 32-wide object probes its first and last pixel: x and x + 31, never x + 32.
    PutBlock(20, 16);
    EXPECT_EQ(CellOf(PickBlockOnLine(c, 640, 512, 671, 512)), Cell(20, 16));
    PutBlock(20, 16, 0);
    PutBlock(21, 16);
    EXPECT_EQ(CellOf(PickBlockOnLine(c, 640, 512, 671, 512)), Cell(20, 16)) << "x + 32 is not probed";
    EXPECT_EQ(PickBlockOnLine(c, 641, 512, 672, 512).solid, 1) << "x + 31 is probed";
    // Equal solidity on a horizontal line goes to the point nearer the middle; a more solid one wins.
    // (Points 650 and 681; the middle of 650 .. 720 is 685.)
    PutBlock(20, 16);
    EXPECT_EQ(CellOf(PickBlockOnLine(c, 650, 512, 681, 512)), Cell(20, 16));
    EXPECT_EQ(CellOf(PickBlockOnLine(c, 650, 512, 720, 512)), Cell(21, 16));
    PutBlock(20, 16, 2);
    EXPECT_EQ(CellOf(PickBlockOnLine(c, 650, 512, 720, 512)), Cell(20, 16));
    // A line that is neither vertical nor horizontal gives grid cell 0.
    EXPECT_EQ(CellOf(PickBlockOnLine(c, 640, 512, 671, 513)), 0);

    // Outside the grid everything is passable.
    EXPECT_EQ(CellOf(ProbeBlockAt(-1, 40, 1)), -1);
    EXPECT_EQ(CellOf(ProbeBlockAt(40, -40, 1)), -1);
    EXPECT_EQ(CellOf(ProbeBlockAt(64 * 32, 40, 1)), -1);
    EXPECT_EQ(CellOf(ProbeBlockAt(40, 35 * 32, 1)), -1);

    // A 128-wide object at scale 1: the line probe has points x and x + 127 (columns 20 and 23),
    // the wide floor probe 3 points x, x + 64, right (20, 22, 23), at giant factor 3 five points
    // 32 apart (20, 21, 22, 23, 23).
    PutBlock(20, 16, 0);
    PutBlock(21, 16, 0);
    cStageChara wide;
    Place(wide, 640, 512 - 31, 128, 32);
    PutBlock(22, 16);
    EXPECT_EQ(PickFloorBlockWide(wide).solid, 1);
    EXPECT_EQ(PickBlockOnLine(wide, 640, 512, 767, 512).solid, 0);
    PutBlock(22, 16, 0);
    PutBlock(21, 16);
    EXPECT_EQ(PickFloorBlockWide(wide).solid, 0);
    wide.m_Def.m_nScale = 3;
    EXPECT_EQ(PickFloorBlockWide(wide).solid, 1);
}

TEST_F(CollisionTest, FloorsLandKillOrWaitBySideAndSpeed) {
    struct Case {
        int player;
        std::uint8_t leftBlock, rightBlock;
        double vy;
        int landSwitch;
        int result, landed;
    };
    const Case cases[] = {
        {1, 2, 1, 3, 0, 2, 0},  // half over a deadly block: the player dies
        {0, 2, 1, 3, 0, 0, 1},  // the computer side stands on it
        {0, 2, 2, 3, 0, 0, 1},  //
        {1, 1, 1, 3, 0, 0, 1},  //
        {1, 1, 1, -3, 0, 0, 0}, // rising through a floor line: no landing
        {1, 1, 1, -3, 1, 0, 1}, // unless the project lets objects land while rising
    };
    for (const Case& k : cases) {
        g_SystemData.m_nCompat677 = k.landSwitch;
        PutBlock(20, 16, k.leftBlock);
        PutBlock(21, 16, k.rightBlock);
        cStageChara c;
        Place(c, 20 * 32 + 16, 16 * 32 + 4 - 24, 32, 24); // bottom 4 pixels into row 16
        c.m_nPlayerFlag = k.player;
        c.m_dVY = k.vy;
        // Rising, the ceiling is tested first and finds nothing.
        EXPECT_EQ(WalkBlocksY(c), k.result) << k.player << " " << int(k.leftBlock) << " " << k.vy;
        EXPECT_EQ(c.m_bLanded, k.landed);
        if (k.landed) {
            EXPECT_DOUBLE_EQ(c.m_dBottom, 16 * 32 - 1);
            EXPECT_EQ(c.m_nTouchBottom, 1);
            EXPECT_EQ(c.m_RaisedTriggers, (std::vector<int>{9, 13, 15}));
        }
    }
}

TEST_F(CollisionTest, WallsPushBackToTheBlockEdgeAndRaiseTheirKindsOnce) {
    PutBlock(20, 15);
    PutBlock(10, 15);
    struct Case {
        double x, vx;
        int wallSide, touchLeft, touchRight;
        double right;
        std::vector<int> kinds;
    };
    const Case cases[] = {
        {620, 8, 1, 0, 1, 639, {9, 10, 12}},
        {356, -8, 0, 1, 0, 352 + 15, {9, 10, 11}},
    };
    for (const Case& k : cases) {
        cStageChara c;
        Place(c, k.x, 480, 16, 24);
        c.m_nWallSide = 7;
        c.m_dVX = k.vx;
        c.m_dAX = 0.5;
        c.MoveX(2);
        EXPECT_EQ(WalkBlocksX(c), 0);
        EXPECT_DOUBLE_EQ(c.m_dRight, k.right);
        EXPECT_EQ(c.m_nWallSide, k.wallSide);
        EXPECT_EQ(c.m_nTouchLeft, k.touchLeft);
        EXPECT_EQ(c.m_nTouchRight, k.touchRight);
        EXPECT_EQ(c.m_dAX, 0);
        EXPECT_EQ(c.m_RaisedTriggers, k.kinds);
    }
}

TEST_F(CollisionTest, NoGravityBlockModesPassHitOrDie) {
    PutBlock(20, 15);
    struct Case {
        int moveMode;
        int result;
        double right;
        bool blocked;
    };
    const Case cases[] = {
        {1, 0, 643, false}, // passes through blocks
        {2, 0, 639, true},  // hits them
        {3, 2, 643, true},  // dies on touching one
    };
    for (const Case& k : cases) {
        cStageChara c;
        Place(c, 628, 480, 16, 24, k.moveMode);
        c.m_dVX = -1; // sub-mode 1 tests the right wall whatever the speed
        EXPECT_EQ(WalkBlocksX(c), k.result) << k.moveMode;
        EXPECT_DOUBLE_EQ(c.m_dRight, k.right);
        c.m_dX = 628;
        c.AfterMoveX();
        EXPECT_EQ(IsBlockedAt(c), k.blocked);
    }
}

TEST_F(CollisionTest, OpenFloorCountsToTheFallDelay) {
    const int delay = g_Stage.m_nFrameMul8;
    g_Heroes.resize(1);
    struct Case {
        int player, riding;
        int falling;
    };
    const Case cases[] = {{0, 0, 1}, {1, 0, 1}, {1, 1, 0}, {0, 1, 1}};
    for (const Case& k : cases) {
        cStageChara c;
        Place(c, 640, 400);
        c.m_nPlayerFlag = k.player;
        c.m_bRiding = k.riding;
        for (int i = 0; i < delay - 1; ++i)
            HitFloor(c);
        EXPECT_EQ(c.m_bFalling, 0);
        HitFloor(c);
        EXPECT_EQ(c.m_nAirFrames, delay);
        EXPECT_EQ(c.m_bFalling, k.falling);
    }
}

TEST_F(CollisionTest, HeroesAreKeptInAnAutoScrollingView) {
    SetUpStage(20, 40);
    m_Scene->m_ScrollY.m_dPos = 1000;
    m_Scene->m_ScrollY.m_bAutoScroll = 1;
    struct Case {
        double y;
        int moveMode;
        int result, top, bottom;
    };
    const Case cases[] = {
        {1000 + 470, 0, 2, 0, 1},   // carried off the bottom: killed
        {1000 + 470, 2, 0, -1, -1}, // flying: only held
        {990, 0, 0, 1, 0},          // above the top: held
        {1200, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        cHero h;
        Place(h, 800, k.y, 16, 24, k.moveMode);
        EXPECT_EQ(KeepInViewY(h), k.result) << k.y;
        if (k.top >= 0) {
            EXPECT_EQ(h.m_nTouchTop, k.top);
            EXPECT_EQ(h.m_nTouchBottom, k.bottom);
        }
        EXPECT_GE(h.m_dY, 1000);
        EXPECT_LT(h.m_dBottom, 1480);
    }
    // Without an automatic scroll a hero under gravity is not held.
    m_Scene->m_ScrollY.m_bAutoScroll = 0;
    cHero h;
    Place(h, 800, 1470);
    EXPECT_EQ(KeepInViewY(h), 0);
    EXPECT_DOUBLE_EQ(h.m_dY, 1470);
}

} // namespace
