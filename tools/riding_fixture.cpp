#include "riding_fixture.h"

#include "demo_project.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

namespace riding_fixture {

namespace {

// Directions of the movement list: 2 left, 3 right. The demo sheet's platform is character picture 3.
constexpr std::uint8_t LEFT = 2, RIGHT = 3;
constexpr int CHARA_PLATFORM = 3;
// The shot direction "the direction of the key that started the flow".
constexpr int kDirectionOfKey = 12;

cEdCharaDef Platform(int x, int y) {
    cEdCharaDef p = stage_writer::MakeChara(x, y, CHARA_PLATFORM);
    p.m_nBlockChara = 1;
    p.m_nMoveType = 1; // flies: no gravity
    p.m_nInvincible = 1;
    p.m_nFaction = 2;
    cEdFlow flow = flow_writer::MakeFlow(FTK_ALWAYS);
    flow.m_Commands.push_back(flow_writer::MakeLineMove(RIGHT, 10, 30));
    flow.m_Commands.push_back(flow_writer::MakeWait(5));
    flow.m_Commands.push_back(flow_writer::MakeLineMove(LEFT, 10, 30));
    flow.m_Commands.push_back(flow_writer::MakeWait(5));
    p.m_Flows.push_back(flow);
    return p;
}

// A flow started by a key slot (1 left, 2 right, 3 up): again and again while it is held (`level`),
// or once per press.
cEdFlow KeyFlow(int slot, bool level, const cEdFlowCmd& command) {
    cEdFlow flow = flow_writer::MakeFlow(FTK_ALWAYS);
    cEdFlowEntry step = flow_writer::MakeKeyStep({{slot, 1}});
    step.m_bAnyHold = 1;
    flow.m_KeySteps.push_back(step);
    flow.m_bKeyLevel = level ? 1 : 0;
    flow.m_Commands.push_back(command);
    return flow;
}

cEdFlowCmd SummonGround(int direction, int offsetX) {
    cEdFlowCmd place = flow_writer::MakeCommand(FCT_SUMMON_BLOCK);
    place.m_Shot->m_nCount = 1;
    place.m_Shot->m_nSummonPalette = 0;
    place.m_Shot->m_nSummonEntry = 1;
    place.m_Shot->m_nDirection = static_cast<std::int8_t>(direction);
    place.m_Shot->m_nOffsetX = static_cast<std::int16_t>(offsetX);
    place.m_Shot->m_bMirrorOffsetX = 0; // the offset as given, whichever way the hero faces
    return place;
}

} // namespace

cEdStage SummonStage() {
    cEdStage stage = stage_writer::MakeFloorStage(40, 15);
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = 5;
    hero.m_Flows.push_back(KeyFlow(2, true, flow_writer::MakeLineMove(RIGHT, 25, 1)));
    // A press of the up key summons a ground block the way of that key: above the hero's head.
    hero.m_Flows.push_back(KeyFlow(3, false, SummonGround(kDirectionOfKey, 0)));
    // After half a second the hero summons the ground block kSummonOffset pixels to its right, once.
    cEdFlow summon = flow_writer::MakeFlow(FTK_ALWAYS);
    summon.m_Commands.push_back(flow_writer::MakeWait(5));
    summon.m_Commands.push_back(SummonGround(0, kSummonOffset));
    summon.m_Commands.push_back(flow_writer::MakeWait(9999));
    hero.m_Flows.push_back(summon);
    return stage;
}

cEdStage RidingStage() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nX = 4;
    hero.m_nY = kPlatformRow - 2;
    hero.m_nMaxHP = 5;
    stage.m_Charas.push_back(Platform(4, kPlatformRow));
    return stage;
}

bool Write(const std::string& folder) {
    if (!demo_project::Write(folder)) return false;
    cProjectDatabase running = g_Database;
    g_Database = project_writer::DemoDatabase(ogg_writer::Available());
    const bool stage = stage_writer::WriteStageFile(folder, kStageBase, 0, RidingStage()) &&
                       stage_writer::WriteStageFile(folder, kSummonBase, 0, SummonStage());
    g_Database = std::move(running);
    return stage;
}

} // namespace riding_fixture
