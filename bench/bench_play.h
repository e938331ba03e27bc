// The play benchmarks' stage: a floor, platforms, walking characters each running a flow and shots
// hanging in the air, played frame by frame.
#pragma once
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

namespace bench {

inline void Walk(cChara& c, cFlowCommand&) {
    c.m_dVX = c.m_nDir ? 0.3 : -0.3;
}

inline cEdCharaDef Placed(int x, int y, int faction, int controller) {
    cEdCharaDef c;
    c.m_nX = static_cast<std::int16_t>(x);
    c.m_nY = static_cast<std::int16_t>(y);
    c.m_nPictureNo = 1;
    c.m_nFaction = static_cast<std::uint8_t>(faction);
    c.m_nController = static_cast<std::uint8_t>(controller);
    c.m_nMaxHP = 1000000;
    return c;
}

// What a benchmark stage holds.
struct BusyStage {
    int width = 256, height = 64; // blocks
    int charas = 100;             // walkers spread over the floor
    int shots = 500;              // shots of two factions over the stage, topped up before every frame
    int hitLevel = 0;             // the stage's speed count (shots against characters in n sub-steps)
    bool blockCharas = false;     // one walker in ten is a block character
    // The square of blocks at the stage's bottom left that the walkers and shots spread over (0: the
    // whole stage), so that a larger stage holds the same objects as densely as a smaller one.
    int spread = 0;
};

// Plays frames of a stage with a floor, platforms every seventh column and `stage`'s walkers and
// shots; the counter "per_object" is a frame's time divided by `per`.
inline void PlayFrames(benchmark::State& state, const BusyStage& stage, double per) {
    const int width = stage.width, height = stage.height, charas = stage.charas, shots = stage.shots;
    g_nPlayMode = 3;
    g_SystemData.m_nReplay = 0;
    SetFlowCommandHandler(FCT_LINE_MOVE, &Walk);
    g_Stage = cEdStage();
    g_Stage.m_nWidth = width;
    g_Stage.m_nHeight = height;
    g_Stage.m_nExtentX = width * 32; // objects may go anywhere on the stage
    g_Stage.m_nExtentY = height * 32;
    g_Stage.m_nActiveOnly = 0;
    g_Stage.m_nHitLevel2 = stage.hitLevel;
    // Shots hang wherever they are placed: no removal limit around the view takes them away, so
    // every frame plays the same count of shots however many frames the benchmark runs.
    g_Stage.m_Limits[3].Set(0, 0, 0, 0, 0, 0, 0, 0);
    g_Stage.m_Limits[4].Set(0, 0, 0, 0, 0, 0, 0, 0);
    const int floor = height - 1;
    const int spreadW = stage.spread > 0 && stage.spread < width ? stage.spread : width;
    const int spreadH = stage.spread > 0 && stage.spread < height ? stage.spread : height;
    for (int x = 0; x < width; ++x) {
        cEdBlockDef b;
        b.m_nX = static_cast<std::int16_t>(x);
        b.m_nY = static_cast<std::int16_t>(floor);
        b.m_nPictureNo = 1;
        g_Stage.m_Blocks.push_back(b);
        if (x % 7 == 0) {
            b.m_nY = static_cast<std::int16_t>(floor - spreadH / 2 + x % 20);
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
        cEdCharaDef c = Placed(4 + i % (spreadW - 8), floor - 1 - i / (spreadW - 8) % (spreadH / 2), 1, 1);
        c.m_nFacing = static_cast<std::uint8_t>(i % 2);
        c.m_Flows.push_back(flow);
        if (stage.blockCharas && i % (charas / 10 > 0 ? charas / 10 : 1) == 0) c.m_nBlockChara = 1;
        g_Stage.m_Charas.push_back(c);
    }
    KeepStageSetup(g_StageOriginal, g_Stage);
    auto scene = std::make_unique<cGameScene>();
    g_lpGameScene = scene.get();
    InstallPlayHooks();
    g_PlayStepHooks.CheckSpaceKey = [](cGameScene&) { return false; };
    SetStage(*scene, false, false);
    scene->m_nState = GAMESTATE_PLAY;
    const int spanX = spreadW * 32 - 800, spanY = spreadH * 32 - 800, top = (height - spreadH) * 32;
    int next = 0;
    auto refill = [&] {
        while (static_cast<int>(scene->m_Shots.size()) < shots) {
            const int i = next++;
            cShot& s = scene->m_Shots.emplace_back();
            s.cGameObject::Init(100000 + i, 0, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 1, 1, 0);
            s.m_dX = 400 + (i * 37) % (spanX > 1 ? spanX : 1);
            s.m_dY = top + 400 + (i * 53) % (spanY > 1 ? spanY : 1);
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
    state.counters["substeps"] = g_nFrameMul;
    state.counters["per_object"] =
        benchmark::Counter(per, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    scene->m_Shots.clear();
    g_Charas.clear();
    g_Heroes.clear();
    scene.reset();
    g_lpGameScene = nullptr;
}

} // namespace bench
