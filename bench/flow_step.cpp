// One frame of flows: 500 characters with 8 running flows each are triggered and stepped (marks
// cleared, the "常時" kind raised, cues, walks, group bits). Target: well under 1 ms per frame.
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/save_data.h"
#include "project/stage_file.h"

#include <benchmark/benchmark.h>

#include <list>
#include <memory>

namespace {

cEdFlowCmd Command(int type, int tenths, int withNext) {
    cEdFlowCmd c;
    c.m_nKind = static_cast<std::int8_t>(type);
    c.m_nUseTime = static_cast<std::int16_t>(tenths);
    c.m_bRunWithNext = static_cast<std::uint8_t>(withNext);
    return c;
}

cEdFlow Flow(int i) {
    cEdFlow f;
    f.m_nTrigger = FTK_ALWAYS;
    f.m_nGroup = static_cast<std::int8_t>(i % 2 == 0 ? 0 : i);
    f.m_Commands.push_back(Command(FCT_WAIT, 3 + i % 3, 1));
    f.m_Commands.push_back(Command(FCT_WAIT, 2, 0));
    f.m_Commands.push_back(Command(FCT_TURN, 1, 0));
    f.m_Commands.push_back(Command(FCT_WAIT, 4, 0));
    cEdFlowCond c;
    c.m_nKind = CK_COMMON_VAR;
    c.m_nNumber = 1;
    c.m_nOperator = 2;
    f.m_Conds.push_back(c);
    return f;
}

void BM_FlowFrame(benchmark::State& state) {
    g_Stage.SetHitLevel(1);
    auto scene = std::make_unique<cGameScene>();
    g_lpGameScene = scene.get();
    scene->m_StageVars.assign(16, 0);
    g_SaveData.m_vnCommonVars.assign(256, 0);
    cCheckedVector<cEdFlow> defs;
    for (int i = 0; i < 8; ++i)
        defs.push_back(Flow(i));
    cStageCharaList charas(static_cast<std::size_t>(state.range(0)));
    for (cStageChara& c : charas) {
        c.m_nHP = 10;
        c.m_Def.m_nMaxHP = 10;
        BuildFlows(c, defs, 0, 0);
    }
    for (auto _ : state) {
        for (cStageChara& c : charas) {
            ClearFlowFrameMarks(c);
            TriggerFlows(c, FTK_ALWAYS);
            RunFlowUpdate(c, 0);
        }
    }
    int running = 0;
    for (cStageChara& c : charas)
        for (const cFlow& f : c.m_Flows)
            running += f.m_bRunning;
    state.counters["running"] = running;
    charas.clear();
    scene.reset();
    g_lpGameScene = nullptr;
}
BENCHMARK(BM_FlowFrame)->Arg(500)->Unit(benchmark::kMicrosecond);

} // namespace
