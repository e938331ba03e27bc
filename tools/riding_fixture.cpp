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

} // namespace

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
    const bool stage = stage_writer::WriteStageFile(folder, kStageBase, 0, RidingStage());
    g_Database = std::move(running);
    return stage;
}

} // namespace riding_fixture
