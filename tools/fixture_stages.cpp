#include "fixture_stages.h"

#include "demo_game.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include "project/project_database.h"
#include "records/serial_record.h"

#include <initializer_list>
#include <utility>

namespace fixture_stages {

namespace {

using flow_writer::MakeCommand;

// Demo pictures: block 1 grass; characters 2 the slime.
constexpr int BLOCK_GRASS = 1, CHARA_SLIME = 2;

cEdFlow Flow(FlowTriggerKind trigger, std::initializer_list<cEdFlowCmd> commands) {
    cEdFlow flow = flow_writer::MakeFlow(trigger);
    for (const cEdFlowCmd& c : commands)
        flow.m_Commands.push_back(c);
    return flow;
}

cEdFlowCmd Timed(cEdFlowCmd c, std::int16_t tenths) {
    c.m_nUseTime = tenths;
    return c;
}

// A stage of width x height with grass on its last row and the demo's hero at column `heroX`.
cEdStage Floor(int width, int height, int heroX) {
    cEdStage stage;
    stage.m_nWidth = width;
    stage.m_nHeight = height;
    for (int x = 0; x < width; ++x)
        stage.m_Blocks.push_back(stage_writer::MakeBlock(x, height - 1, BLOCK_GRASS));
    stage.m_Charas.push_back(demo_game::Hero(heroX, height - 2));
    return stage;
}

} // namespace

cEdStage ReplaySummons() {
    cEdStage stage = Floor(30, 15, 4);
    cEdCharaDef slime = stage_writer::MakeChara(0, 0, CHARA_SLIME);
    cEdFlowCmd walk = MakeCommand(FCT_GROUND_TURN_MOVE);
    walk.m_Move->m_nSpeed = 8;
    walk.m_nUseTime = 10;
    slime.m_Flows.push_back(Flow(FTK_ALWAYS, {walk}));
    stage.m_PaletteCharas.resize(2);
    stage.m_PaletteCharas.at(1) = slime;
    cEdFlowCmd summon = MakeCommand(FCT_SUMMON_CHARA);
    summon.m_Shot->m_nGraphic = CHARA_SLIME;
    summon.m_Shot->m_nCount = 1;
    summon.m_Shot->m_nSummonPalette = 1; // the stage's own palette
    summon.m_Shot->m_nSummonEntry = 1;
    stage.m_Charas.front().m_Flows.push_back(Flow(FTK_ALWAYS, {summon, Timed(MakeCommand(FCT_WAIT), 10)}));
    return stage;
}

std::vector<StageFile> All() {
    std::vector<StageFile> files;
    files.push_back({"fx_replay", ReplaySummons()});
    return files;
}

bool WriteAll(const std::string& folder) {
    g_nDataVersion = DATA_VERSION_CURRENT;
    // The stages are checked against the demo's lists while they are saved.
    cProjectDatabase running = g_Database;
    g_Database = project_writer::DemoDatabase(ogg_writer::Available());
    bool ok = true;
    for (const StageFile& file : All())
        ok = ok && stage_writer::WriteStageFile(folder, file.base, 0, file.stage);
    g_Database = std::move(running);
    return ok;
}

} // namespace fixture_stages
