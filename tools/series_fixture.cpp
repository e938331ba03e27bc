#include "series_fixture.h"

#include "demo_project.h"
#include "flow_writer.h"
#include "ogg_writer.h"
#include "project_writer.h"
#include "stage_writer.h"

#include <string>

namespace series_fixture {

namespace {

// The stage-clear command's first parameter: go on to the next part of the series.
constexpr std::int32_t kNextPart = 0;
constexpr int kCarriedGroups[] = {11, 13, 22};
// The warp's first parameter: its distance in half blocks; the move direction up.
constexpr std::int32_t kWarpDistance = 0;
constexpr std::uint8_t UP = 6;

} // namespace

cCommonPalette LinksPalette() {
    cCommonPalette palette = stage_writer::DemoCommonPalette();
    palette.m_Items.resize(kLinkItem + 1);
    cEdItemDef& item = palette.m_Items.at(kLinkItem);
    item = stage_writer::MakeItem(0, 0, 3);
    cEdFlowCmd link = flow_writer::MakeItemCommand(ICT_ARRANGE);
    link.m_Params.assign({FCT_WARP, kWarpDistance, PLO_ASSIGN, VS_CHARA, 1});
    cEdFlowCmd warp = flow_writer::MakeItemCommand(ICT_WARP);
    warp.m_Move->m_nTargetMode = 0;
    warp.m_Move->m_nDirection = UP;
    warp.m_Move->m_nDistance = kItemDistance;
    item.m_Commands.push_back(link);
    item.m_Commands.push_back(warp);
    return palette;
}

cEdStage LinksStage() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = 5;
    cEdFlow take = flow_writer::MakeFlow(FTK_ALWAYS);
    take.m_Commands.push_back(flow_writer::MakeWait(5));
    take.m_Commands.push_back(flow_writer::MakeCode("my.v1 = " + std::to_string(kLinkedDistance)));
    cEdFlowCmd get = flow_writer::MakeCommand(FCT_TAKE_ITEM);
    get.m_Params.at(0) = 0; // the common palette
    get.m_Params.at(1) = kLinkItem;
    take.m_Commands.push_back(get);
    take.m_Commands.push_back(flow_writer::MakeWait(9999));
    hero.m_Flows.push_back(take);
    return stage;
}

cEdStage BannerStage() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    stage.m_nStartBanner1 = 1;
    return stage;
}

cEdStage FirstPart() {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    stage.m_nHandOver = 1;
    stage.m_nTimeLimitOn = 1;
    stage.m_nTimeLimit = kFirstTime;
    cEdCharaDef& hero = stage.m_Charas.back();
    hero.m_nMaxHP = kFirstMaxHP;
    cEdFlow clear = flow_writer::MakeFlow(FTK_ALWAYS);
    // The hero's own status command takes kFirstLoss hit points (status 1, hit points: add).
    cEdFlowCmd loss = flow_writer::MakeCommand(FCT_STATUS);
    loss.m_Params.at(4) = 1;
    loss.m_Params.at(5) = PLO_ADD;
    loss.m_Params.at(7) = -kFirstLoss;
    clear.m_Commands.push_back(loss);
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
                    stage_writer::WriteCommonPalette(folder, LinksPalette()) &&
                    stage_writer::WriteStageFile(folder, "c01-1", 0, FirstPart()) &&
                    stage_writer::WriteStageFile(folder, "c01-2", 0, SecondPart()) &&
                    stage_writer::WriteStageFile(folder, kLinksBase, 0, LinksStage()) &&
                    stage_writer::WriteStageFile(folder, kBannerBase, 0, BannerStage());
    g_Database = std::move(running);
    return ok;
}

} // namespace series_fixture
