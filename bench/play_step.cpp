// One frame of the play step on a busy stage: 256 x 64 blocks (a floor and scattered platforms),
// 100 walking characters each running a flow, and 500 shots of two factions hanging in the air
// (topped up before every frame).
#include "app/input.h"
#include "app/scene.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "play/play_step.h"
#include "play/set_stage.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/param_tables.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void Walk(cChara& c, cFlowCommand&) {
    c.m_dVX = c.m_nDir ? 0.3 : -0.3;
}

cEdCharaDef Placed(int x, int y, int faction, int controller) {
    cEdCharaDef c;
    c.m_nX = static_cast<std::int16_t>(x);
    c.m_nY = static_cast<std::int16_t>(y);
    c.m_nPictureNo = 1;
    c.m_nFaction = static_cast<std::uint8_t>(faction);
    c.m_nController = static_cast<std::uint8_t>(controller);
    c.m_nMaxHP = 1000000;
    return c;
}

void BM_PlayStepBusyStage(benchmark::State& state) {
    g_nPlayMode = 3;
    g_SystemData.m_nReplay = 0;
    SetFlowCommandHandler(FCT_LINE_MOVE, &Walk);
    g_Stage = cEdStage();
    g_Stage.m_nWidth = 256;
    g_Stage.m_nHeight = 64;
    g_Stage.m_nActiveOnly = 0;
    // The stage's speed count: 0 tests shots against characters in every sub-step, n in n of them.
    g_Stage.m_nHitLevel2 = static_cast<std::int32_t>(state.range(0));
    for (int x = 0; x < 256; ++x) {
        cEdBlockDef b;
        b.m_nX = static_cast<std::int16_t>(x);
        b.m_nY = 63;
        b.m_nPictureNo = 1;
        g_Stage.m_Blocks.push_back(b);
        if (x % 7 == 0) {
            b.m_nY = static_cast<std::int16_t>(40 + x % 20);
            g_Stage.m_Blocks.push_back(b);
        }
    }
    cEdCharaDef hero = Placed(2, 62, 0, 0);
    g_Stage.m_Charas.push_back(hero);
    cEdFlow flow;
    cEdFlowCmd walk;
    walk.m_nKind = FCT_LINE_MOVE;
    walk.m_nUseTime = 10;
    flow.m_Commands.push_back(walk);
    for (int i = 0; i < 100; ++i) {
        cEdCharaDef c = Placed(10 + i * 2, 62, 1, 1);
        c.m_nFacing = static_cast<std::uint8_t>(i % 2);
        c.m_Flows.push_back(flow);
        g_Stage.m_Charas.push_back(c);
    }
    KeepStageSetup(g_StageOriginal, g_Stage);
    auto scene = std::make_unique<cGameScene>();
    g_lpGameScene = scene.get();
    InstallPlayHooks();
    g_PlayStepHooks.CheckSpaceKey = [](cGameScene&) { return false; };
    SetStage(*scene, false, false);
    scene->m_nState = GAMESTATE_PLAY;
    int next = 0;
    auto refill = [&] {
        while (scene->m_Shots.size() < 500) {
            const int i = next++;
            cShot& s = scene->m_Shots.emplace_back();
            s.cGameObject::Init(100000 + i, 0, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 1, 1, 0);
            s.m_dX = 400 + (i * 37) % 7000;
            s.m_dY = 400 + (i * 53) % 1500;
            s.ClampToStageX(2);
            s.ClampToStageY(2);
            s.m_Work.bPassBlocks = 1;
            cObjectLinks::JoinFaction(s, 2 + i % 2);
        }
    };
    // Shots that leave (limits, hits) are replaced outside the timing: 500 fly in every frame.
    for (auto _ : state) {
        state.PauseTiming();
        refill();
        state.ResumeTiming();
        PlayStep(*scene);
        benchmark::DoNotOptimize(g_Charas.size());
    }
    state.counters["charas"] = static_cast<double>(g_Charas.size());
    state.counters["shots"] = static_cast<double>(scene->m_Shots.size());
    state.counters["substeps"] = g_nFrameMul;
    scene->m_Shots.clear();
    g_Charas.clear();
    g_Heroes.clear();
    scene.reset();
    g_lpGameScene = nullptr;
}
BENCHMARK(BM_PlayStepBusyStage)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
