// How the play step grows with what is on the stage: one frame with 50 to 5,000 walking characters
// (ten of them block characters), with 100 to 10,000 shots hanging in the air (topped up before every
// frame), and on stages of 64 to 1,024 blocks square. "per_object" is the frame's time divided by the
// count that varies (for the stage series, the frame's time itself); it should stay flat as counts grow.
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

// A `width` x `height` stage with a floor, platforms every seventh column, `charas` walkers spread
// over the floor and `shots` shots of two factions over the stage.
void PlayFrames(benchmark::State& state, int width, int height, int charas, int shots, double per) {
    g_nPlayMode = 3;
    g_SystemData.m_nReplay = 0;
    SetFlowCommandHandler(FCT_LINE_MOVE, &Walk);
    g_Stage = cEdStage();
    g_Stage.m_nWidth = width;
    g_Stage.m_nHeight = height;
    g_Stage.m_nActiveOnly = 0;
    g_Stage.m_nHitLevel2 = 0;
    const int floor = height - 1;
    for (int x = 0; x < width; ++x) {
        cEdBlockDef b;
        b.m_nX = static_cast<std::int16_t>(x);
        b.m_nY = static_cast<std::int16_t>(floor);
        b.m_nPictureNo = 1;
        g_Stage.m_Blocks.push_back(b);
        if (x % 7 == 0) {
            b.m_nY = static_cast<std::int16_t>(floor / 2 + x % 20);
            g_Stage.m_Blocks.push_back(b);
        }
    }
    g_Stage.m_Charas.push_back(Placed(2, floor - 1, 0, 0));
    cEdFlow flow;
    cEdFlowCmd walk;
    walk.m_nKind = FCT_LINE_MOVE;
    walk.m_nUseTime = 10;
    flow.m_Commands.push_back(walk);
    for (int i = 0; i < charas; ++i) {
        cEdCharaDef c = Placed(4 + i % (width - 8), floor - 1 - i / (width - 8) % (floor / 2), 1, 1);
        c.m_nFacing = static_cast<std::uint8_t>(i % 2);
        c.m_Flows.push_back(flow);
        if (i % (charas / 10 > 0 ? charas / 10 : 1) == 0) c.m_nBlockChara = 1;
        g_Stage.m_Charas.push_back(c);
    }
    KeepStageSetup(g_StageOriginal, g_Stage);
    auto scene = std::make_unique<cGameScene>();
    g_lpGameScene = scene.get();
    InstallPlayHooks();
    g_PlayStepHooks.CheckSpaceKey = [](cGameScene&) { return false; };
    SetStage(*scene, false, false);
    scene->m_nState = GAMESTATE_PLAY;
    const int spanX = width * 32 - 800, spanY = height * 32 - 800;
    int next = 0;
    auto refill = [&] {
        while (static_cast<int>(scene->m_Shots.size()) < shots) {
            const int i = next++;
            cShot& s = scene->m_Shots.emplace_back();
            s.cGameObject::Init(100000 + i, 0, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 1, 1, 0);
            s.m_dX = 400 + (i * 37) % (spanX > 1 ? spanX : 1);
            s.m_dY = 400 + (i * 53) % (spanY > 1 ? spanY : 1);
            s.ClampToStageX(2);
            s.ClampToStageY(2);
            s.m_Work.bPassBlocks = 1;
            cObjectLinks::JoinFaction(s, 2 + i % 2);
        }
    };
    for (auto _ : state) {
        state.PauseTiming();
        refill();
        state.ResumeTiming();
        PlayStep(*scene);
        benchmark::DoNotOptimize(g_Charas.size());
    }
    state.counters["charas"] = static_cast<double>(g_Charas.size());
    state.counters["shots"] = static_cast<double>(scene->m_Shots.size());
    state.counters["per_object"] =
        benchmark::Counter(per, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    scene->m_Shots.clear();
    g_Charas.clear();
    g_Heroes.clear();
    scene.reset();
    g_lpGameScene = nullptr;
}

void BM_PlayScalingCharas(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    PlayFrames(state, 1024, 64, n, 100, n);
}
BENCHMARK(BM_PlayScalingCharas)->Arg(50)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_PlayScalingShots(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    PlayFrames(state, 1024, 64, 100, n, n);
}
BENCHMARK(BM_PlayScalingShots)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_PlayScalingStage(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    PlayFrames(state, n, n, 100, 500, 1);
}
BENCHMARK(BM_PlayScalingStage)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

} // namespace
