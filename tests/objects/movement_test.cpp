#include "objects/movement.h"
#include "objects_fixture.h"

#include <cmath>
#include <vector>

namespace {

using MovementTest = ObjectsTest;

TEST_F(MovementTest, SpeedsAreCutToTheMaximum) {
    const double cases[][2] = {{6.0, 6.0}, {7.5, 6.0}, {-9.0, -6.0}, {-6.0, -6.0}, {2.25, 2.25}};
    for (const auto& c : cases) {
        cStageChara o;
        Place(o, 500, 500);
        o.m_dVX = c[0];
        o.m_dVY = c[0];
        o.MoveX(2);
        o.MoveY(2);
        EXPECT_DOUBLE_EQ(o.m_dVX, c[1]);
        EXPECT_DOUBLE_EQ(o.m_dX, 500 + c[1]);
        EXPECT_DOUBLE_EQ(o.m_dY, 500 + c[1]);
    }
}

TEST_F(MovementTest, StageClampGivesTheSideTouched) {
    SetUpStage(0, 15); // 640 pixels wide in all
    cStageChara o;
    Place(o, 100, 400, 40, 24);
    o.m_dX = 610;
    EXPECT_EQ(o.ClampToStageX(2), 3);
    EXPECT_DOUBLE_EQ(o.m_dX, 600);
    EXPECT_DOUBLE_EQ(o.m_dRight, 639);
    EXPECT_EQ(o.m_nCellRight, 19);

    // Vertically the stage is 35 x 32 = 1120 pixels; the view is 480 high, the outer area 320
    // pixels more on each side.
    struct Case {
        double view, y, expectY;
        int side;
    };
    const Case cases[] = {
        {200, -5, 0, 3},    {200, 1110, 1096, 6}, {200, 990, 990, 5}, {200, 100, 100, 1},
        {200, 670, 670, 4}, {200, 300, 300, 0},   {400, 50, 50, 2},
    };
    for (const Case& c : cases) {
        m_Scene->m_ScrollY.m_dPos = c.view;
        o.m_dY = c.y;
        EXPECT_EQ(o.ClampToStageY(2), c.side) << c.view << " " << c.y;
        EXPECT_DOUBLE_EQ(o.m_dY, c.expectY);
        EXPECT_DOUBLE_EQ(o.m_dBottom - o.m_dY + 1, o.m_nHeight);
    }
    // Mode 0 keeps the object inside the view and reports no side.
    m_Scene->m_ScrollY.m_dPos = 200;
    o.m_dY = 100;
    EXPECT_EQ(o.ClampToStageY(0), 0);
    EXPECT_DOUBLE_EQ(o.m_dY, 200);
}

TEST_F(MovementTest, LandingAndCeilingMoveToTheBlockEdgeAndRaiseTriggersInOrder) {
    cStageChara c;
    Place(c, 400, 95.7 - 23);
    c.m_dVY = 3;
    c.m_bJumped = c.m_bFalling = c.m_bAirborne = c.m_bKnockBack = 1;
    c.m_nAirFrames = 7;
    c.Land();
    EXPECT_DOUBLE_EQ(c.m_dBottom, 63.7);
    EXPECT_DOUBLE_EQ(c.m_dY, 95.7 - 23 - 32);
    EXPECT_EQ(c.m_RaisedTriggers, (std::vector<int>{9, 13, 15}));
    EXPECT_EQ(c.m_dVY, 0);
    EXPECT_EQ(c.m_bLanded, 1);
    EXPECT_EQ(c.m_bJumped + c.m_bFalling + c.m_bAirborne + c.m_bKnockBack + c.m_nAirFrames, 0);

    cStageChara d;
    Place(d, 400, 70.2);
    d.m_dVY = -4;
    d.HitCeiling();
    EXPECT_DOUBLE_EQ(d.m_dY, 96.2);
    EXPECT_EQ(d.m_RaisedTriggers, (std::vector<int>{9, 13, 14}));
    EXPECT_EQ(d.m_bCeilingFall, 1);
    EXPECT_EQ(d.m_dVY, 0);
}

TEST_F(MovementTest, PushIsShapedByPowerResistanceAndDirection) {
    struct Case {
        int power, resist;
        double dx, dy;
        double px, py;
        int knockBack;
    };
    const Case cases[] = {
        {5, 10, 1, 0, 0, 0, 1},                                     // resisted: no push, still knocked back
        {8, 0, 3, -1, 13.365424623862047, -7.515609770940699, 1},   // split 6 : -2
        {0, 0, 1, 1, 0, 0, 0},                                      // no power: nothing at all
        {-25, 3, 0, 2, 0, -(std::sqrt(1 + 128 * 20.0) - 1) / 2, 1}, // cut to -20
        {4, 0, 0, 0, 0, 0, 0},                                      // no direction: push ends
    };
    for (const Case& c : cases) {
        cStageChara o;
        Place(o, 500, 500);
        o.m_Def.m_nImpactResist = static_cast<std::uint8_t>(c.resist);
        o.m_dPushX = o.m_dPushY = 99;
        if (c.power == 0) o.m_dPushX = o.m_dPushY = 0;
        o.m_dAX = -1; // against a rightward push
        o.m_dVY = 2;  // against an upward push
        o.ApplyPush(static_cast<std::int8_t>(c.power), c.dx, c.dy);
        EXPECT_DOUBLE_EQ(o.m_dPushX, c.px) << c.power;
        EXPECT_DOUBLE_EQ(o.m_dPushY, c.py) << c.power;
        EXPECT_EQ(o.m_bKnockBack, c.knockBack) << c.power;
        if (c.px > 0) {
            EXPECT_EQ(o.m_dAX, 0);
        }
        if (c.py < 0) {
            EXPECT_EQ(o.m_dVY, 0);
        }
    }
}

TEST_F(MovementTest, AStepMovesAndClampsAsAMoveAndAStageClampDo) {
    SetUpStage(0, 0); // 640 x 640 pixels in all
    // A step is a move that keeps the object in the stage followed by the stage clamp again; the
    // second clamp changes something only at an end of a stage narrower than the object.
    const int sizes[] = {16, 639, 640, 700};
    const double positions[] = {-10, 0, 300, 620, 630};
    const double speeds[] = {-6, -0.5, 0, 5};
    for (int size : sizes)
        for (double pos : positions)
            for (double speed : speeds) {
                cStageChara o, ref;
                Place(o, pos, pos, size, size);
                Place(ref, pos, pos, size, size);
                o.m_dVX = ref.m_dVX = speed;
                o.m_dVY = ref.m_dVY = speed;
                o.m_bNoGravity = ref.m_bNoGravity = 1;
                const int sideX = o.StepX(), sideY = o.StepY();
                ref.MoveX(2);
                ref.AfterMoveX();
                ref.MoveY(2);
                ref.AfterMoveY();
                SCOPED_TRACE(testing::Message() << size << " " << pos << " " << speed);
                EXPECT_EQ(o.m_dX, ref.m_dX);
                EXPECT_EQ(o.m_dRight, ref.m_dRight);
                EXPECT_EQ(o.m_nCellLeft, ref.m_nCellLeft);
                EXPECT_EQ(o.m_dY, ref.m_dY);
                EXPECT_EQ(o.m_dBottom, ref.m_dBottom);
                EXPECT_EQ(o.m_nCellBottom, ref.m_nCellBottom);
                EXPECT_GE(sideX, 0);
                EXPECT_GE(sideY, 0);
            }
}

TEST_F(MovementTest, PushDecaysAndStepsUseItBeforeSpeed) {
    cStageChara o;
    Place(o, 500, 500);
    o.m_dPushX = 1.5;
    o.m_dVX = -3;
    o.StepX();
    EXPECT_DOUBLE_EQ(o.m_dX, 501.5);
    o.DecayPushX();
    EXPECT_DOUBLE_EQ(o.m_dPushX, 0.5);
    o.DecayPushX();
    EXPECT_DOUBLE_EQ(o.m_dPushX, 0);
    // An upward push replaces the last push in the vertical speed.
    o.m_dPushY = -2;
    o.m_dVY = 1;
    o.ApplyVerticalPush();
    EXPECT_DOUBLE_EQ(o.m_dVY, -1);
    o.m_dPushY = -1;
    o.ApplyVerticalPush();
    EXPECT_DOUBLE_EQ(o.m_dVY, 0);
}

TEST_F(MovementTest, JumpSizingAndItsGuardAgainstNoGravity) {
    cStageChara hero, other;
    hero.m_nPlayerFlag = 1;
    EXPECT_DOUBLE_EQ(hero.JumpSpeedForHeight(4), -7.358212067269313);
    EXPECT_DOUBLE_EQ(other.JumpSpeedForHeight(4), -7.358212067269313 * 0.99);
    EXPECT_EQ(FramesToApex(hero.JumpSpeedForHeight(4)), 19);
    EXPECT_EQ(hero.JumpTimeForHeight(4), 4);
    EXPECT_EQ(HalfBlocksToPixels(-3), -48);
    for (double gravity : {0.0, -0.4}) {
        SetUpStage(20, 15, 1, gravity);
        EXPECT_EQ(hero.JumpSpeedForHeight(4), 0.0);
        EXPECT_EQ(hero.JumpTimeForHeight(4), 0);
        EXPECT_EQ(FramesToApex(-3), 0);
    }
}

TEST_F(MovementTest, JumpIsRefusedWhileAirborneForAnyReason) {
    cStageChara c;
    Place(c, 500, 500);
    int* reasons[] = {&c.m_bFalling, &c.m_bCeilingFall, &c.m_bKnockBack, &c.m_nAirFrames};
    for (int* r : reasons) {
        *r = 2;
        EXPECT_EQ(c.Jump(cJumpRequest{-5, 0}), 2);
        EXPECT_EQ(c.m_dVY, 0);
        *r = 0;
    }
    c.m_bHold = 1;
    EXPECT_EQ(c.Jump(cJumpRequest{-5, 0}), 1);
    EXPECT_EQ(c.m_dVY, -5);
    EXPECT_EQ(c.m_bHold, 0);
    EXPECT_EQ(c.m_bJumped, 1);
}

TEST_F(MovementTest, BlocksStopOnlyObjectsTheyDoNotLetThrough) {
    cStageChara c;
    Place(c, 20 * 32 + 4, 15 * 32 + 4);
    EXPECT_FALSE(c.TouchesSolidBlock());
    PutBlock(20, 15);
    EXPECT_TRUE(c.TouchesSolidBlock());
    g_Blocks[(15 << m_Scene->m_ScrollX.m_nStrideExp) + 20].m_nPassKind =
        static_cast<std::uint8_t>(c.m_nPassKind);
    EXPECT_FALSE(c.TouchesSolidBlock());
    // Conditions that do not hold make a block passable.
    cBlock cond;
    cond.m_nSolid = 1;
    cond.m_Conditions.resize(1);
    g_ObjectHooks.BlockConditionsHold = [](const cBlock&) { return false; };
    EXPECT_EQ(IsBlockSolid(cond, 0), 0);
    g_ObjectHooks.BlockConditionsHold = [](const cBlock&) { return true; };
    EXPECT_EQ(IsBlockSolid(cond, 0), 1);
}

TEST_F(MovementTest, ScaleChangesSizesAndShiftsOnlyWhenTheFactorChanges) {
    cStageChara c;
    Place(c, 500, 500);
    c.m_dX = -50; // outside the stage: an unchanged factor must not even clamp it
    c.SetScale(2, 2);
    EXPECT_DOUBLE_EQ(c.m_dX, -50);
    c.m_dX = 500;
    c.SetScale(2, 1);
    EXPECT_EQ(c.m_nWidth, 32);
    EXPECT_EQ(c.m_nHitW, 64);
    EXPECT_DOUBLE_EQ(c.m_dX, 492);
    EXPECT_DOUBLE_EQ(c.m_dY, 500 - 32 + 8); // the cell's foot stays where it was
    EXPECT_DOUBLE_EQ(c.m_dRight - c.m_dX + 1, 32);

    cEdCharaDef def;
    def.m_nScale = 0; // read as 1
    def.m_nMoveType = 0;
    cStageChara s;
    s.Init(5, def, nullptr);
    EXPECT_EQ(s.Scale(), 1);
    EXPECT_EQ(s.m_nWidth, g_Stage.m_nCharaBodyW);
    EXPECT_EQ(s.m_nHitW, 32);
}

// A walker on a small grid: a floor under stage row 10 and a wall three blocks high at grid
// column 22. Each frame: gravity unless a solid block lies right under the feet, the horizontal
// step (a wall puts the right edge against it), the vertical step (a floor met while falling
// lands the walker).
TEST_F(MovementTest, ScriptedWalkerFallsLandsAndStopsAtAWall) {
    SetUpStage(30, 15, 1, 0.5); // gravity 0.5, maximum speed 6
    for (int col = 10; col < 40; ++col)
        PutBlock(col, 20);
    for (int row = 17; row <= 19; ++row)
        PutBlock(22, row);
    cStageChara w;
    Place(w, 0, 0);
    w.SetCellPos(2, 2);
    ASSERT_DOUBLE_EQ(w.m_dX, 392.5);
    ASSERT_DOUBLE_EQ(w.m_dY, 392);
    auto solidAt = [](int col, int row) {
        const cBlock* b = BlockAt(col, row);
        return b && b->m_nSolid;
    };
    for (int f = 1; f <= 120; ++f) {
        const int below = (static_cast<int>(w.m_dBottom) + 1) >> 5;
        const bool standing = solidAt(w.m_nCellLeft, below) || solidAt(w.m_nCellRight, below);
        if (standing)
            w.m_dVY = 0;
        else
            w.ApplyGravity();
        w.m_dVX = 2.5;
        w.StepX();
        if (w.TouchesSolidBlock()) {
            w.m_dX = w.m_nCellRight * 32 - w.m_nWidth;
            w.AfterMoveX();
        }
        w.StepY();
        if (w.m_dVY > 0 && w.TouchesSolidBlock()) w.Land();

        // By hand: x = 392.5 + 2.5 f until the right edge meets the wall's left pixel 704;
        // y falls with v = 0.5 f (y = 392 + 0.25 f (f + 1)) up to frame 12, then at the maximum
        // speed 6; at frame 43 the feet reach pixel row 640 and the landing lifts them to row 639.
        const double x = f <= 118 ? 392.5 + 2.5 * f : 688.0;
        double y;
        if (f <= 12)
            y = 392 + 0.25 * f * (f + 1);
        else if (f <= 42)
            y = 431 + 6.0 * (f - 12);
        else
            y = 616;
        ASSERT_DOUBLE_EQ(w.m_dX, x) << "frame " << f;
        ASSERT_DOUBLE_EQ(w.m_dY, y) << "frame " << f;
    }
    EXPECT_EQ(w.m_bLanded, 1);
    EXPECT_EQ(w.m_RaisedTriggers, (std::vector<int>{9, 13, 15}));
}

TEST_F(MovementTest, ActivationFollowsTheViewOnTheAxesThatCount) {
    std::vector<std::int32_t> switches(10, 0);
    // Area 0 tests both axes, 1 only x, 2 only y, 3 none; one place beside the view, one below it.
    const struct {
        int area, besideActive, belowActive;
    } areas[] = {{0, 0, 0}, {1, 0, 1}, {2, 1, 0}, {3, 1, 1}};
    for (const auto& k : areas) {
        cEdCharaDef def;
        def.m_nActivityArea = static_cast<std::uint8_t>(k.area);
        cStageChara c;
        c.Init(1, def, nullptr);
        const double places[2][3] = {{5000, 400, double(k.besideActive)}, {500, 1000, double(k.belowActive)}};
        for (const auto& p : places) {
            c.m_dX = p[0];
            c.m_dY = p[1];
            c.AfterMoveX();
            c.AfterMoveY();
            c.UpdateActive(switches);
            EXPECT_EQ(c.m_bActive, int(p[2])) << "area " << k.area << " at " << p[0] << "," << p[1];
        }
    }
    cEdCharaDef def;
    def.m_nGroupSwitch = 1;
    def.m_nGroupNo = 3;
    def.m_nActivityArea = 2; // only the vertical position counts
    cStageChara c;
    c.Init(1, def, nullptr);
    c.m_dX = 5000; // far right of the view, but the horizontal test is off
    c.m_dY = 400;
    c.AfterMoveX();
    c.AfterMoveY();
    c.UpdateActive(switches);
    EXPECT_EQ(c.m_bActive, 1);
    EXPECT_EQ(switches[3], 1);
    c.m_dY = 1000; // below the view
    c.AfterMoveY();
    c.UpdateActive(switches);
    EXPECT_EQ(c.m_bActive, 0);
    EXPECT_EQ(c.CheckAwake(switches), 1); // woken by its group's switch
    switches[3] = 0;
    EXPECT_EQ(c.CheckAwake(switches), 0);
    c.m_bFalling = 1; // once woken, a fall keeps it awake
    EXPECT_EQ(c.CheckAwake(switches), 1);
}

} // namespace
