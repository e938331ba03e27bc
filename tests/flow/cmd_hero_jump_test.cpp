// A hero on a block floor jumps through its own key-started flow, driven frame by frame through
// player 1's input record: objects, the flow engine and the jump command only.
#include "app/input.h"
#include "flow/cmd_motion.h"
#include "flow_fixture.h"
#include "objects/blocks.h"

#include <algorithm>

namespace {

constexpr int SLOT_BUTTON0 = 11;

class HeroJumpTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        RegisterMotionCommands();
        m_SavedInputs = g_Inputs;
        g_Inputs.assign(1, cInputRecord{});
        g_Stage.m_dGravityBase = 0.5;
        g_Stage.SetHitLevel(11); // one sub-step a frame
        ResetBlockGrid(m_Scene->m_ScrollX.m_nGridStride, m_Scene->m_ScrollY.m_nGridExtent);
    }
    void TearDown() override {
        g_Blocks.clear();
        g_Inputs = m_SavedInputs;
        FlowTest::TearDown();
    }

    // The hero's only flow: started by a press of button 0, a key-held jump ("1") of 4 half blocks.
    static cEdCharaDef JumperDef() {
        cEdFlow flow = MakeFlow(FTK_ALWAYS, {});
        cEdFlowEntry press;
        press.Clear();
        press.m_KeyStates[SLOT_BUTTON0] = 1;
        press.m_bAnyHold = 1;
        flow.m_KeySteps.push_back(press);
        cEdFlowCmd jump;
        jump.m_nKind = 10;
        jump.m_Params.assign({1, 0, 4});
        flow.m_Commands.push_back(jump);
        cEdCharaDef def;
        def.m_nController = 0;
        def.m_Flows.push_back(flow);
        return def;
    }

    // The fixture floor: a hero moving down whose bottom reaches a solid block lands on it.
    static void Floor(cHero& hero) {
        hero.m_lpStandBlock = nullptr;
        if (hero.m_dVY < 0) return;
        const int row = static_cast<int>(hero.m_dBottom) >> 5;
        for (const int x : {static_cast<int>(hero.m_dX), static_cast<int>(hero.m_dRight)}) {
            const cBlock* b = BlockAt(x >> 5, row);
            if (b && IsBlockSolid(*b, hero.m_nPassKind)) hero.m_lpStandBlock = b;
        }
        if (!hero.m_lpStandBlock) return;
        hero.m_nTouchBottom = 1;
        hero.Land();
    }

    // One frame: the button sampled into the record and its histories, then the hero's flows,
    // its moves and the floor, in the order of a play step.
    static void Frame(cHero& hero, bool pressed) {
        cInputRecord& in = g_Inputs[0];
        in.wDir = 0;
        in.wButtons = pressed ? 1 : 0;
        cInputHistory::Record(in);
        SampleInput(in);
        ClearFlowFrameMarks(hero);
        hero.ClearFrameFlag();
        TriggerRaisedFlows(hero);
        TriggerFlows(hero, FTK_ALWAYS);
        hero.RunFlows(0);
        hero.StepX();
        hero.ApplyGravity();
        hero.StepY();
        Floor(hero);
    }

    cCheckedVector<cInputRecord> m_SavedInputs;
};

// The heights are those of the jump speed for 4 half blocks at gravity 0.5 (v0 = -8.2539052968):
// held to the hold limit of 18 frames the whole rise (64.0625); released on the fifth frame of the
// press, the rest of the rise cut to 0.3 times (30.6441).
TEST_F(HeroJumpTest, ScriptedPressesJumpToTheHeightsOfTheirHold) {
    struct Case {
        int pressFrames; // frames the button stays down
        double rise;
    } cases[] = {{60, 64.0624847487}, {4, 30.6441359543}};
    for (const Case& k : cases) {
        g_Inputs.assign(1, cInputRecord{});
        g_Heroes.assign(1, cHero{});
        cHero& hero = g_Heroes[0];
        hero.Init(1, JumperDef(), 5, 10, 0, 0);
        ASSERT_EQ(hero.m_lpInput, &g_Inputs[0]);
        ASSERT_EQ(hero.m_Flows.size(), 1u);
        EXPECT_EQ(hero.m_Flows[0].m_Commands[0].m_nUseTime, 18);
        // A floor of blocks along the row under the hero's feet.
        const int floorRow = (static_cast<int>(hero.m_dBottom) >> 5) + 1;
        for (int col = 0; col < m_Scene->m_ScrollX.m_nGridStride; ++col)
            g_Blocks[(static_cast<std::size_t>(floorRow) << m_Scene->m_ScrollX.m_nStrideExp) + col].m_nSolid =
                1;
        const int standRow = floorRow * 32 - 1; // the pixel row of the bottom of a standing hero
        for (int f = 0; f < 10; ++f)
            Frame(hero, false);
        ASSERT_EQ(static_cast<int>(hero.m_dBottom), standRow);

        const double startY = hero.m_dY;
        double top = startY;
        int takeOffs = 0;
        double lastVY = hero.m_dVY;
        for (int f = 1; f <= 90; ++f) {
            Frame(hero, f <= k.pressFrames);
            top = std::min<double>(top, hero.m_dY);
            if (hero.m_dVY < -1 && lastVY >= 0) ++takeOffs;
            lastVY = hero.m_dVY;
            if (f == 1) {
                EXPECT_LT(hero.m_dY, startY) << "the jump leaves on the frame of the press";
            }
        }
        EXPECT_NEAR(startY - top, k.rise, 1e-6) << k.pressFrames;
        // One jump per press, however long the button stays down, and back on the floor.
        EXPECT_EQ(takeOffs, 1) << k.pressFrames;
        EXPECT_EQ(static_cast<int>(hero.m_dBottom), standRow) << k.pressFrames;
        EXPECT_EQ(hero.m_bJumped, 0);
    }
}

} // namespace
