// The project writer's flow builders make records that save and load as the editor's do.
#include <gtest/gtest.h>

#include "tools/flow_writer.h"
#include "records/flow_test_util.h"

namespace {

TEST(FlowWriter, BuiltFlowsSaveAndLoadUnchanged) {
    cEdFlow flow = flow_writer::MakeFlow(FTK_ALWAYS);
    EXPECT_EQ(flow.m_nKeyGap, 3);
    flow.m_Conds.push_back(flow_writer::MakeVariableCondition(CK_COMMON_VAR, 3, 2, 10));
    flow.m_KeySteps.push_back(flow_writer::MakeKeyStep({{2, 1}, {10, 2}, {40, 1}}));
    flow.m_Commands.push_back(flow_writer::MakeLineMove(3, 25, 10));
    flow.m_Commands.push_back(flow_writer::MakeArrange(FCT_SHOT, 18, PLO_ADD, VS_STAGE, 1));
    flow.m_Commands.push_back(flow_writer::MakeShot(4, 3, 0, 50));
    flow.m_Commands.push_back(flow_writer::MakeMessage(7));
    flow.m_Commands.push_back(flow_writer::MakeCode("a=1"));
    flow.m_Commands.push_back(flow_writer::MakeWait(5));

    EXPECT_EQ(flow.m_KeySteps[0].KeyState(2), 1);
    EXPECT_EQ(flow.m_KeySteps[0].KeyState(10), 2);
    EXPECT_EQ(flow.m_Commands[3].m_Params.size(), 18u);
    EXPECT_EQ(flow.m_Commands[3].m_Params[13], 7);
    EXPECT_TRUE(flow.m_Commands[0].m_Move);
    EXPECT_TRUE(flow.m_Commands[2].m_Shot);
    EXPECT_FALSE(flow.m_Commands[5].m_Move);

    const Bytes saved = SavedBytes(flow);
    cEdFlow loaded = MakeFlowPrototype();
    ASSERT_TRUE(LoadFromBytes(loaded, saved, 732));
    EXPECT_EQ(SavedBytes(loaded), saved);
    EXPECT_EQ(loaded.m_Commands[4].m_strText, "a=1");
    EXPECT_EQ(loaded.m_Commands[2].m_Shot->m_nSpeed, 50);

    cEdFlowCmd warp = flow_writer::MakeItemCommand(ICT_WARP);
    EXPECT_EQ(warp.FlowKind(), FCT_WARP);
    EXPECT_TRUE(warp.m_Move);
    EXPECT_EQ(flow_writer::MakeItemCommand(ICT_FLOW_CHANGE).m_Params.size(), 2u);
}

} // namespace
