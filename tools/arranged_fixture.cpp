#include "arranged_fixture.h"

#include "demo_game.h"
#include "demo_project.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include "flow/status_ops.h"

#include <string>

namespace arranged_fixture {

namespace {

// The slime's picture in the demo.
constexpr int CHARA_SLIME = 2;
// The flow-control command's operation "start" and its choices.
constexpr std::int32_t START = 0, OTHERS = 1, BY_ID = 2;

// A floor of 20 x 15 blocks with the demo's hero standing at column 2.
cEdStage Floor() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    stage.m_Charas.back() = demo_game::Hero(2, 13);
    return stage;
}

// A command that runs before the stage starts.
cEdFlowCmd AtStart(cEdFlowCmd c) {
    c.m_bRunWithNext = 1;
    return c;
}
cEdFlowCmd AddScore(int n) {
    return AtStart(flow_writer::MakeCode("score = score + " + std::to_string(n)));
}
cEdFlowCmd StartFlows(std::int32_t choice, std::int32_t id) {
    return AtStart(flow_writer::WithParams(flow_writer::MakeCommand(FCT_FLOW_CONTROL), {START, choice, id}));
}
// A flow run before the stage starts: its digit, the start of other flows, its digit again.
cEdFlow CycleFlow(int digit, cEdFlowCmd start, int id) {
    cEdFlow flow = flow_writer::Flow(FTK_BEFORE_STAGE, {AddScore(digit), start, AddScore(digit)});
    flow.m_nId = static_cast<std::uint8_t>(id);
    return flow;
}

} // namespace

int ArrangedItem() {
    return stage_writer::DemoCommonPalette().m_Items.Count();
}

cCommonPalette ArrangedPalette() {
    cCommonPalette palette = stage_writer::DemoCommonPalette();
    cEdItemDef item = stage_writer::MakeItem(0, 0, 3);
    // Both bounds of the status command's random value grow by the hero's variable 1 ...
    for (std::int32_t bound = 0; bound < 2; ++bound) {
        cEdFlowCmd arrange = flow_writer::MakeItemCommand(ICT_ARRANGE);
        arrange.m_Params.assign({FCT_STATUS, bound, PLO_ADD, VS_CHARA, 1});
        item.m_Commands.push_back(arrange);
    }
    // ... and the system's score (subject 2, status 3) grows by that value.
    cEdFlowCmd add = flow_writer::MakeItemCommand(ICT_STATUS);
    add.m_Params.at(SOP_SUBJECT) = 2;
    add.m_Params.at(SOP_STATUS) = 3;
    add.m_Params.at(SOP_OPERATION) = PLO_ADD;
    add.m_Params.at(SOP_VALUE_SOURCE) = 1;
    item.m_Commands.push_back(add);
    palette.m_Items.push_back(item);
    return palette;
}

cEdStage ArrangedStage() {
    cEdStage stage = Floor();
    cEdFlowCmd take = flow_writer::MakeCommand(FCT_TAKE_ITEM);
    take.m_Params.at(0) = 0; // the common palette
    take.m_Params.at(1) = ArrangedItem();
    stage.m_Charas.back().m_Flows.push_back(
        flow_writer::Flow(FTK_ALWAYS, {flow_writer::MakeCode("my.v1 = " + std::to_string(kArrangeStep)),
                                       flow_writer::MakeWait(5), take, flow_writer::MakeWait(5)}));
    return stage;
}

cEdStage CycleStage() {
    cEdStage stage = Floor();
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_Flows.push_back(CycleFlow(1, StartFlows(OTHERS, 0), 0));
    hero.m_Flows.push_back(CycleFlow(10, StartFlows(OTHERS, 0), 0));
    cEdCharaDef slime = stage_writer::MakeChara(10, 13, CHARA_SLIME);
    slime.m_Flows.push_back(CycleFlow(100, StartFlows(BY_ID, 2), 1));
    slime.m_Flows.push_back(CycleFlow(1000, StartFlows(BY_ID, 1), 2));
    stage.m_Charas.push_back(slime);
    return stage;
}

bool Write(const std::string& folder) {
    if (!demo_project::Write(folder)) return false;
    cProjectDatabase running = g_Database;
    g_Database = project_writer::DemoDatabase(ogg_writer::Available());
    const bool ok = stage_writer::WriteCommonPalette(folder, ArrangedPalette()) &&
                    stage_writer::WriteStageFile(folder, kArrangedBase, 0, ArrangedStage()) &&
                    stage_writer::WriteStageFile(folder, kCycleBase, 0, CycleStage());
    g_Database = std::move(running);
    return ok;
}

} // namespace arranged_fixture
