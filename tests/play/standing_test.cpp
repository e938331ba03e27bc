// A hero standing still on a floor through whole play steps: gravity pulls it a fraction of a pixel
// into the floor between landings and each landing puts its bottom edge back on the last pixel row
// above the block, keeping the fraction, so its pixel row never changes, it never counts as
// falling, and its landing flows run while it stands.
#include "play_fixture.h"

#include "records/vocab_flow.h"

#include <cmath>

namespace {

class StandingTest : public PlayTest {};

TEST_F(StandingTest, StandingHeroKeepsItsPixelRowAndNeverFalls) {
    FloorStage(20, 15);
    // Its landing flow counts in common variable 1.
    cEdFlow landing;
    landing.m_nTrigger = FTK_BLOCK_DOWN;
    cEdFlowCmd count;
    count.m_nKind = FCT_STATUS;
    count.m_Params.assign({1, VS_COMMON, 1, 0, 0, PLO_ADD, 0, 1});
    landing.m_Commands.push_back(count);
    g_Stage.m_Charas.back().m_Flows.push_back(landing);
    g_SaveData.m_vnCommonVars.assign(256, 0);
    Start();
    const int floorTop = (15 - 1 + STAGE_GRID_BORDER) * 32;
    for (int frame = 1; frame <= 60; ++frame) {
        Play(1);
        ASSERT_EQ(static_cast<int>(Hero().m_dBottom), floorTop - 1) << "frame " << frame;
        ASSERT_EQ(std::floor(Hero().m_dY), floorTop - Hero().m_nHeight) << "frame " << frame;
        ASSERT_EQ(Hero().m_bFalling, 0) << "frame " << frame;
        ASSERT_LT(Hero().m_nAirFrames, g_Stage.m_nFrameMul8) << "frame " << frame;
    }
    // It lands again and again while it stands, but not in every sub-step.
    const int landings = g_SaveData.m_vnCommonVars[1];
    EXPECT_GE(landings, 10);
    EXPECT_LT(landings, 60 * g_nFrameMul);
}

} // namespace
