#include "flow/cmd_motion.h"
#include "flow_fixture.h"
#include "objects/blocks.h"
#include "objects/object_links.h"
#include "project/project_database.h"

#include <cmath>

namespace {

class MotionTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        RegisterMotionCommands();
        RegisterShotCommands();
        ResetBlockGrid(m_Scene->m_ScrollX.m_nGridStride, m_Scene->m_ScrollY.m_nGridExtent);
    }
    void TearDown() override {
        m_Scene->m_Shots.clear();
        g_Blocks.clear();
        FlowTest::TearDown();
    }
    // A command of `type` with movement (or shot) settings, built into an instance for c.
    cFlowCommand Build(cChara& c, cEdFlowCmd& rec, int useTime) {
        cFlowCommand inst;
        inst.m_lpRecord = &rec;
        inst.m_nUseTime = inst.m_nRemain = useTime;
        if (rec.m_Move) {
            inst.m_dSpeed = rec.m_Move->m_nSpeed * 0.1;
            inst.m_nDirByte = rec.m_Move->m_nDirection;
        }
        if (const auto prep = FlowCommandTypeInfo(rec.m_nKind).prep) prep(inst, c);
        return inst;
    }
    static cEdFlowCmd MoveCmd(int type, int dir = 0, int speed = 10) {
        cEdFlowCmd rec;
        rec.m_nKind = static_cast<std::int8_t>(type);
        NewMove(rec.m_Move);
        rec.m_Move->m_nDirection = static_cast<std::uint8_t>(dir);
        rec.m_Move->m_nSpeed = static_cast<std::int16_t>(speed);
        rec.m_Move->m_bMirrorAngle = 0;
        return rec;
    }
    // One frame of a command: the character's base speeds cleared, the handler, the step.
    static void Run(cChara& c, cFlowCommand& inst) {
        c.m_dVX = 0;
        if (c.m_bNoGravity) c.m_dVY = 0;
        FlowCommandTypeInfo(inst.m_lpRecord->m_nKind).handler(c, inst);
        c.StepX();
        c.StepY();
    }
    static void PlaceChara(cStageChara& c, double x, double y, int moveMode) {
        c.cGameObject::Init(1, 0, 0, 1, 0, nullptr, 0, 8, 8, 16, 24, 32, 32, 0, moveMode, 0);
        c.m_Def.m_nFixedFacing = 0;
        c.m_dX = x;
        c.m_dY = y;
        c.AfterMoveX();
        c.AfterMoveY();
        c.UpdateScreenRect();
    }
};

TEST_F(MotionTest, AStageCharacterJumpsOnLandingWithinTheUseTime) {
    g_Stage.m_dGravityBase = 0.5;
    cStageChara c;
    PlaceChara(c, 600, 600, 0);
    cEdFlowCmd rec;
    rec.m_nKind = FCT_JUMP;
    rec.m_Params.assign({0, 0, 4});
    cFlowCommand inst = Build(c, rec, 0);
    ASSERT_LT(inst.m_dSpeed, 0);
    // Falling for the first three frames of the command, then on the ground.
    c.m_bFalling = 1;
    for (int f = 0; f < 3; ++f) {
        FlowCommandTypeInfo(FCT_JUMP).handler(c, inst);
        EXPECT_EQ(c.m_bJumped, 0) << "frame " << f;
    }
    c.m_bFalling = 0;
    FlowCommandTypeInfo(FCT_JUMP).handler(c, inst);
    EXPECT_EQ(c.m_bJumped, 1);
    EXPECT_DOUBLE_EQ(c.m_dVY, inst.m_dSpeed);
}

TEST_F(MotionTest, StraightMovesKeepTheirQuadrantAndAxes) {
    struct Case {
        int dir, angle, holdX, sx, sy; // expected signs
    } cases[] = {
        {10, 0, 0, 1, -1}, {10, 20, 0, 1, -1}, {10, -20, 0, 1, -1},
        {2, 0, 0, -1, 0},  {6, 0, 1, 0, -1},   {3, 0, 1, 0, 0},
    };
    for (const Case& k : cases) {
        cStageChara c;
        PlaceChara(c, 600, 600, 1);
        cEdFlowCmd rec = MoveCmd(2, k.dir, 20);
        rec.m_Move->m_nAngle = static_cast<std::int16_t>(k.angle);
        rec.m_Move->m_bHoldX = static_cast<std::uint8_t>(k.holdX);
        cFlowCommand inst = Build(c, rec, 10);
        for (int f = 0; f < 5; ++f)
            Run(c, inst);
        auto sign = [](double d) { return d > 1e-9 ? 1 : (d < -1e-9 ? -1 : 0); };
        EXPECT_EQ(sign(c.m_dX - 600), k.sx) << k.dir << "/" << k.angle;
        EXPECT_EQ(sign(c.m_dY - 600), k.sy) << k.dir << "/" << k.angle;
    }
}

// A straight move run by a flow honours each switch of its settings at every step.
TEST_F(MotionTest, AFlowsMoveHonoursTheSwitchesOfItsSettings) {
    struct Case {
        int holdX, holdY, keepFacing, keepAnimation;
    } cases[] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 1, 1, 1}};
    for (const Case& k : cases) {
        cStageChara c;
        PlaceChara(c, 600, 600, 1);
        c.m_nDir = 0;
        cEdFlow flow = MakeFlow(FTK_ALWAYS, {{2, 10}});
        flow.m_Commands[0] = MoveCmd(2, 10, 20); // up and right
        cEdMove& mv = *flow.m_Commands[0].m_Move;
        mv.m_bHoldX = static_cast<std::uint8_t>(k.holdX);
        mv.m_bHoldY = static_cast<std::uint8_t>(k.holdY);
        mv.m_bKeepFacing = static_cast<std::uint8_t>(k.keepFacing);
        mv.m_bKeepAnimation = static_cast<std::uint8_t>(k.keepAnimation);
        Give(c, {flow});
        c.m_Flows[0].m_Commands[0].m_nUseTime = 10;
        for (int f = 0; f < 3; ++f) {
            c.m_dVX = c.m_dVY = 0;
            c.m_Motion.bMoveCmd = 0;
            Frame(c, {FTK_ALWAYS});
            const std::string at = std::to_string(k.holdX) + std::to_string(k.holdY) +
                                   std::to_string(k.keepFacing) + std::to_string(k.keepAnimation) + "/" +
                                   std::to_string(f);
            EXPECT_EQ(c.m_dVX > 0, !k.holdX) << at;
            EXPECT_EQ(c.m_dVY < 0, !k.holdY) << at;
            EXPECT_EQ(c.m_nDir, k.keepFacing ? 0 : 1) << at;
            EXPECT_EQ(c.m_Motion.bMoveCmd, k.keepAnimation ? 0 : 1) << at;
        }
    }
}

TEST_F(MotionTest, TimesAndSpeedsComeFromDistancesWithoutDividingByZero) {
    cStageChara c;
    PlaceChara(c, 600, 600, 1);
    struct Case {
        int given, distance, speed, useTime;
        double expectSpeed;
        int expectTime;
    } cases[] = {
        {1, 4, 10, 32, 2.0, 32}, // 4 half blocks in 32 frames: 2 pixels a frame
        {1, 4, 10, 0, 0.0, 0},   // no time: no speed
        {2, 4, 20, 99, 2.0, 32}, // 64 pixels at 2 a frame
        {2, 4, 0, 99, 0.0, 0},   // no speed: no time
        {2, -4, 20, 99, 2.0, 32},
    };
    for (const Case& k : cases) {
        cEdFlowCmd rec = MoveCmd(2, 3, k.speed);
        rec.m_Move->m_nGivenValues = static_cast<std::uint8_t>(k.given);
        rec.m_Move->m_nDistance = static_cast<std::int16_t>(k.distance);
        cFlowCommand inst = Build(c, rec, k.useTime);
        EXPECT_DOUBLE_EQ(inst.m_dSpeed, k.expectSpeed) << k.given << " " << k.speed;
        EXPECT_EQ(inst.m_nUseTime, k.expectTime);
    }
    // The circle with no time or no speed turns by nothing.
    cEdFlowCmd circle = MoveCmd(4, 0, 0);
    circle.m_Move->m_nDistance = 90;
    circle.m_Move->m_nGivenValues = 1;
    cFlowCommand inst = Build(c, circle, 50);
    EXPECT_EQ(inst.m_nUseTime, 0);
    circle.m_Move->m_nGivenValues = 0;
    inst = Build(c, circle, 0);
    Run(c, inst);
    EXPECT_DOUBLE_EQ(c.m_dX, 600);
}

TEST_F(MotionTest, ChargeAndHomingWithoutTargetStandStill) {
    for (int type : {5, 6}) {
        cStageChara c;
        PlaceChara(c, 600, 600, 1);
        cEdFlowCmd rec = MoveCmd(type, 0, 30);
        cFlowCommand inst = Build(c, rec, 10);
        for (int f = 0; f < 4; ++f)
            Run(c, inst);
        EXPECT_DOUBLE_EQ(c.m_dX, 600);
        EXPECT_DOUBLE_EQ(c.m_dY, 600);
    }
}

// A flying charger heads for its target's centre moved by the target offsets and, told to stop
// there, is put on that point and stays; one with gravity charges along the ground at its full
// speed, however high the target stands.
TEST_F(MotionTest, ChargeHeadsForTheTargetPointAndStopsThere) {
    cStageChara target;
    PlaceChara(target, 800, 700, 1);
    struct Case {
        int moveMode; // 1 flies
        double farX;  // x after one frame
    } cases[] = {{1, -1}, {0, 603}};
    for (const Case& k : cases) {
        cStageChara c;
        PlaceChara(c, 600, 600, k.moveMode);
        cObjectLinks::SetTarget(c, &target);
        cEdFlowCmd rec = MoveCmd(5, 0, 30); // 3 pixels a frame
        rec.m_Move->m_bUseTargetX = rec.m_Move->m_bUseTargetY = 1;
        rec.m_Move->m_nTargetYDot = -150; // above the target's centre
        rec.m_Move->m_bStopAtTarget = 1;
        cFlowCommand inst = Build(c, rec, 400);
        const int px = target.ScreenCenterX(), py = target.ScreenCenterY() - 150;
        Run(c, inst);
        if (k.farX > 0) {
            EXPECT_DOUBLE_EQ(c.m_dX, k.farX);
        } else {
            for (int f = 0; f < 150; ++f) {
                c.UpdateScreenRect();
                Run(c, inst);
            }
            c.UpdateScreenRect();
            EXPECT_EQ(c.ScreenCenterX(), px);
            EXPECT_EQ(c.ScreenCenterY(), py);
        }
        cObjectLinks::SetTarget(c, nullptr);
    }
}

// Charge and homing moves mirror their target offset, and the charge its angle, when the
// character's definition faces right, whatever way it faces now.
TEST_F(MotionTest, ChargeAndHomingMirrorByTheDefinitionsFacing) {
    struct Case {
        const char* what;
        int type;      // 5 charge, 6 homing
        int defFacing; // 1: the definition faces right
        int dir;       // the facing now (1 right)
        int mirrorX, offsetX, mirrorAngle, angle;
        int dx, dy; // the way it moves on its first frame
    };
    const Case cases[] = {
        {"charge, defined left, turned right: not mirrored", 5, 0, 1, 1, -300, 0, 0, -1, 0},
        {"charge, defined right, turned left: mirrored", 5, 1, 0, 1, -300, 0, 0, 1, 0},
        {"charge, defined right, mirror off", 5, 1, 1, 0, -300, 0, 0, -1, 0},
        {"homing, defined left, turned right: not mirrored", 6, 0, 1, 1, -300, 0, 0, -1, 0},
        {"homing, defined right, turned left: mirrored", 6, 1, 0, 1, -300, 0, 0, 1, 0},
        {"charge angle, defined left", 5, 0, 1, 0, 0, 1, 90, 0, 1},
        {"charge angle, defined right: 360 - angle", 5, 1, 0, 0, 0, 1, 90, 0, -1},
        {"charge angle, defined right, mirror off", 5, 1, 0, 0, 0, 0, 90, 0, 1},
    };
    auto sign = [](double v) { return std::fabs(v) < 0.5 ? 0 : (v < 0 ? -1 : 1); };
    for (const Case& k : cases) {
        cStageChara target;
        PlaceChara(target, 800, 600, 1);
        cStageChara c;
        PlaceChara(c, 600, 600, 1);
        c.m_Def.m_nFacing = static_cast<std::uint8_t>(k.defFacing);
        c.m_Def.m_nFixedFacing = 1; // the move does not turn it
        c.m_nDir = k.dir;
        cObjectLinks::SetTarget(c, &target);
        cEdFlowCmd rec = MoveCmd(k.type, 0, 30);
        rec.m_Move->m_bUseTargetX = rec.m_Move->m_bUseTargetY = 1;
        rec.m_Move->m_bMirrorX = static_cast<std::uint8_t>(k.mirrorX);
        rec.m_Move->m_nTargetXDot = static_cast<std::int16_t>(k.offsetX);
        rec.m_Move->m_bMirrorAngle = static_cast<std::uint8_t>(k.mirrorAngle);
        rec.m_Move->m_nAngle = static_cast<std::int16_t>(k.angle);
        cFlowCommand inst = Build(c, rec, 10);
        Run(c, inst);
        EXPECT_EQ(sign(c.m_dX - 600), k.dx) << k.what;
        EXPECT_EQ(sign(c.m_dY - 600), k.dy) << k.what;
        cObjectLinks::SetTarget(c, nullptr);
    }
}

// A homing character told to stop at the point comes to rest on it; with only the target's X in
// use it does not rise or sink toward the target.
TEST_F(MotionTest, HomingStopsOnTheTargetPointAlongTheAxesInUse) {
    cStageChara target;
    PlaceChara(target, 800, 700, 1);
    for (const int useY : {1, 0}) {
        cStageChara c;
        PlaceChara(c, 600, 600, 1);
        cObjectLinks::SetTarget(c, &target);
        cEdFlowCmd rec = MoveCmd(6, 0, 30);
        rec.m_Move->m_bUseTargetX = 1;
        rec.m_Move->m_bUseTargetY = static_cast<std::uint8_t>(useY);
        rec.m_Move->m_nTargetXDot = -40;
        rec.m_Move->m_bStopAtTarget = 1;
        cFlowCommand inst = Build(c, rec, 400);
        const int startY = c.ScreenCenterY();
        for (int f = 0; f < 150; ++f) {
            c.UpdateScreenRect();
            Run(c, inst);
        }
        c.UpdateScreenRect();
        EXPECT_EQ(c.ScreenCenterX(), target.ScreenCenterX() - 40) << useY;
        EXPECT_EQ(c.ScreenCenterY(), useY ? target.ScreenCenterY() : startY) << useY;
        cObjectLinks::SetTarget(c, nullptr);
    }
}

// A circle from angle 0 turning right: along the top of the circle to the right first, then down
// its right side; a quarter turn lands about one radius right and one radius down.
TEST_F(MotionTest, CircleMoveStartsAlongTheTopOfItsCircle) {
    cStageChara c;
    PlaceChara(c, 600, 600, 1);
    cEdFlowCmd rec = MoveCmd(4, 0, 0);
    rec.m_Move->m_nHomingWeakness = 2; // radius 32 pixels: 5 pixels a frame
    rec.m_Move->m_nAngle = 0;
    rec.m_Move->m_nDistance = 360; // one turn over the use time: 9 degrees a frame
    cFlowCommand inst = Build(c, rec, 40);
    Run(c, inst);
    EXPECT_NEAR(c.m_dX - 600, 32 * 9 * 3.14159265358979323846 / 180, 1e-9);
    EXPECT_NEAR(c.m_dY, 600, 1e-9);
    for (int f = 1; f < 10; ++f)
        Run(c, inst);
    EXPECT_NEAR(c.m_dX - 600, 32, 4);
    EXPECT_NEAR(c.m_dY - 600, 32, 4);
}

TEST_F(MotionTest, GroundWalkerTurnsBackAtTheLedge) {
    // A floor of cells 14-17 on row 20; the walker stands on it facing right.
    for (int col = 14; col <= 17; ++col)
        g_Blocks[(static_cast<std::size_t>(20) << m_Scene->m_ScrollX.m_nStrideExp) + col].m_nSolid = 1;
    cStageChara c;
    PlaceChara(c, 15 * 32 + 8, 20 * 32 - 24, 0);
    c.m_nDir = 1;
    cEdFlowCmd rec = MoveCmd(3, 0, 20);
    cFlowCommand inst = Build(c, rec, 200);
    double maxRight = 0;
    for (int f = 0; f < 60; ++f) {
        Run(c, inst);
        maxRight = std::max<double>(maxRight, c.m_dRight);
    }
    EXPECT_LE(maxRight, 18 * 32 + 4); // turns back as soon as its front leaves the floor
    EXPECT_GE(c.m_dX, 14 * 32 - 16);
}

TEST_F(MotionTest, ShotsFireOnTheFirstFrameAndEveryPeriodAndSwordsOnce) {
    cStageChara c;
    PlaceChara(c, 600, 600, 1);
    c.m_Def.m_nFaction = 1;
    cEdSwordType sword;
    g_Database.m_SwordTypes.assign(1, sword);
    struct Case {
        int type, useTime, emitted;
    } cases[] = {{11, 1, 1}, {11, 13, 3}, {11, 6, 1}, {11, 7, 2}, {12, 40, 1}};
    for (const Case& k : cases) {
        m_Scene->m_Shots.clear();
        cEdFlowCmd rec;
        rec.m_nKind = static_cast<std::int8_t>(k.type);
        NewShot(rec.m_Shot);
        rec.m_Shot->m_nFormation = 2;
        rec.m_Shot->m_nCount = 1;
        cFlowCommand inst = Build(c, rec, k.useTime);
        for (int f = 0; f < k.useTime; ++f)
            FlowCommandTypeInfo(k.type).handler(c, inst);
        EXPECT_EQ(static_cast<int>(m_Scene->m_Shots.size()), k.emitted) << k.type << " " << k.useTime;
    }
    g_Database.m_SwordTypes.clear();
}

// A hero jumps on a floor under scripted input: the jump lasts to its apex, and the heights are
// those of the jump speed for 4 half blocks at gravity 0.5 (v0 = -8.2539052968), held to the limit
// (64.0625) or released on its fifth frame (the rest of the rise x 0.3: 30.6441).
// A hero held in place leaves the hold on the last sub-step of a frame, a little faster.
TEST_F(MotionTest, AHeroHeldInPlaceJumpsOnTheFramesLastSubStep) {
    g_Stage.m_dGravityBase = 0.5;
    g_Stage.SetHitLevel(2);
    ASSERT_EQ(g_Stage.m_nFrameMul, 2);
    g_Heroes.assign(1, cHero{});
    cHero& hero = g_Heroes[0];
    cEdCharaDef def;
    def.m_nController = 0;
    hero.Init(1, def, 5, 10, 0, 0);
    hero.m_bHold = 1;
    double speed = -8;
    int started = 0;
    cJumpRequest req;
    req.m_lpSpeed = &speed;
    req.m_lpStarted = &started;
    req.m_nHoldLimit = 36;
    for (int k = 1; k <= 2; ++k) {
        m_Scene->m_nSubStep = k;
        hero.m_Motion.bJumpActive = 0;
        hero.Jump(req);
        EXPECT_EQ(hero.m_bHold, k == 1 ? 1 : 0) << k;
        EXPECT_DOUBLE_EQ(hero.m_dVY, k == 1 ? 0.0 : -8 * 1.0199999809265137) << k;
    }
}

TEST_F(MotionTest, HeroJumpsToTheHeightOfItsHoldOnAFloor) {
    g_Stage.m_dGravityBase = 0.5;
    g_Stage.SetHitLevel(11); // one step a frame, speeds up to 60 pixels a frame
    struct Case {
        int release; // frame of the release, 0 none
        double rise;
    } cases[] = {{0, 64.0624847487}, {5, 30.6441359543}};
    for (const Case& k : cases) {
        g_Heroes.assign(1, cHero{});
        cHero& hero = g_Heroes[0];
        cEdCharaDef def;
        def.m_nController = 0;
        hero.Init(1, def, 5, 10, 0, 0);
        const double floorY = hero.m_dY;
        hero.m_lpStandBlock = &g_Blocks[0];
        hero.m_bHold = 1; // stands on the fixture floor
        cEdFlowCmd rec;
        rec.m_nKind = 10;
        rec.m_Params.assign({1, 0, 4});
        cFlowCommand inst = Build(hero, rec, 0);
        EXPECT_EQ(inst.m_nUseTime, 18);
        hero.m_bHold = 0;
        double top = floorY;
        for (int f = 1; f <= 40; ++f) {
            hero.m_Motion.bJumpActive = 0;
            cJumpRequest req;
            req.m_lpSpeed = &inst.m_dSpeed;
            req.m_lpStarted = &inst.m_bStartedMark;
            req.m_nHoldLimit = inst.m_nUseTime;
            req.m_nKind = 1;
            req.m_bKeyHeld = (k.release == 0 || f < k.release) ? 1 : 0;
            req.m_bHasKeySteps = 1;
            hero.Jump(req);
            hero.ApplyGravity();
            hero.StepY();
            // The fixture floor: landing on the starting row.
            if (hero.m_dY >= floorY && hero.m_dVY > 0) {
                hero.m_dY = floorY + 1;
                hero.ClampToStageY(2);
                hero.Land();
            }
            top = std::min<double>(top, hero.m_dY);
        }
        EXPECT_NEAR(floorY - top, k.rise, 1e-6) << k.release;
        EXPECT_DOUBLE_EQ(hero.m_dY, floorY);
    }
}

} // namespace
