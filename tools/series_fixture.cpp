#include "series_fixture.h"

#include "demo_project.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

namespace series_fixture {

namespace {

// The stage-clear command's first parameter: go on to the next part of the series.
constexpr std::int32_t kNextPart = 0;
constexpr int kCarriedGroups[] = {11, 22};

} // namespace

cEdStage FirstPart() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    stage.m_nHandOver = 1;
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = kFirstTime;
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = kFirstMaxHP;
    cEdFlow clear = flow_writer::MakeFlow(FTK_ALWAYS);
    clear.m_Commands.push_back(flow_writer::MakeWait(5));
    cEdFlowCmd done = flow_writer::MakeCommand(FCT_STAGE_CLEAR);
    done.m_Params.at(0) = kNextPart;
    clear.m_Commands.push_back(done);
    hero.m_Flows.push_back(clear);
    return stage;
}

cEdStage SecondPart() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    stage.m_nTakeOver = 1;
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = kSecondTime;
    stage.m_Charas.back().m_nMaxHP = kSecondMaxHP;
    return stage;
}

cSystemData SeriesSystemData() {
    cSystemData data = project_writer::DemoSystemData();
    for (std::uint8_t& carried : data.m_vbCarryOver)
        carried = 0;
    for (int group : kCarriedGroups)
        data.m_vbCarryOver.at(group) = 1;
    return data;
}

bool Write(const std::string& folder) {
    if (!demo_project::Write(folder)) return false;
    cProjectDatabase running = g_Database;
    const cProjectDatabase db = project_writer::DemoDatabase(ogg_writer::Available());
    g_Database = db;
    const bool ok = project_writer::WriteSystemData(folder, SeriesSystemData(), db) &&
                    stage_writer::WriteStageFile(folder, "c01-1", 0, FirstPart()) &&
                    stage_writer::WriteStageFile(folder, "c01-2", 0, SecondPart());
    g_Database = std::move(running);
    return ok;
}

} // namespace series_fixture
