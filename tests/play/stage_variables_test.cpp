// Stage variables in a running stage: flows of a set-up stage read and write them without the
// checked access closing the program, and every set-up of the stage starts them again at 0.
#include "play_fixture.h"

#include "platform/messages.h"
#include "records/vocab_flow.h"

using namespace play_fixture;

namespace {

cEdFlowCmd Command(int kind, std::vector<std::int32_t> params) {
    cEdFlowCmd cmd;
    cmd.m_nKind = static_cast<std::int8_t>(kind);
    cmd.m_Params.assign(params.begin(), params.end());
    return cmd;
}

// WM_CLOSE messages posted on this thread (the test has no window), removed from the queue.
int PostedCloses() {
    int closes = 0;
    win::MSG m;
    while (win::PeekMessage(&m, nullptr, win::WM_CLOSE, win::WM_CLOSE, win::PM_REMOVE))
        ++closes;
    return closes;
}

class StageVariablesTest : public PlayTest {};

// The hero's landing flow sets the system's horizontal scroll mode, then adds 2 to stage
// variable 3, and adds 1 to the highest stage variable a message field can name (255).
TEST_F(StageVariablesTest, LandingFlowKeepsPlayingAndCountsInStageVariables) {
    PostedCloses();
    FloorStage(20, 15);
    cEdFlow landing;
    landing.m_nTrigger = FTK_BLOCK_UP_DOWN;
    landing.m_Commands.push_back(Command(FCT_STATUS2, {2, 0, 0}));
    landing.m_Commands.push_back(Command(FCT_STATUS, {1, VS_STAGE, 3, 0, 0, PLO_ADD, 0, 2}));
    landing.m_Commands.push_back(Command(FCT_STATUS, {1, VS_STAGE, 255, 0, 0, PLO_ADD, 0, 1}));
    g_Stage.m_Charas.back().m_Flows.push_back(landing);
    Start();
    Play(60);

    EXPECT_EQ(m_Scene->m_nState, GAMESTATE_PLAY);
    EXPECT_EQ(m_Scene->m_nPlayFrame, 60);
    EXPECT_EQ(PostedCloses(), 0) << "a stage variable access was refused";
    ASSERT_EQ(m_Scene->m_StageVars.size(), 256u);
    EXPECT_GT(m_Scene->m_StageVars[3], 0);
    EXPECT_EQ(m_Scene->m_StageVars[3] % 2, 0);
    EXPECT_EQ(m_Scene->m_StageVars[255] * 2, m_Scene->m_StageVars[3]);

    // A restart of the stage starts its variables again.
    SetStage(*m_Scene, true, false);
    EXPECT_EQ(m_Scene->m_StageVars.size(), 256u);
    EXPECT_EQ(m_Scene->m_StageVars[3], 0);
    EXPECT_EQ(m_Scene->m_StageVars[255], 0);
    EXPECT_EQ(PostedCloses(), 0);
}

} // namespace
