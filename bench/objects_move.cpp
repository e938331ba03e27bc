// 2,000 characters moved and block-tested per frame over a stage with floors and walls.
#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/stage_file.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_MoveAndTestBlocks(benchmark::State& state) {
    g_Stage.m_dGravityBase = 0.4;
    g_Stage.SetHitLevel(1);
    auto scene = std::make_unique<cGameScene>();
    g_lpGameScene = scene.get();
    scene->m_ScrollX.SetUp(0, 200);
    scene->m_ScrollY.SetUp(1, 40);
    ResetBlockGrid(scene->m_ScrollX.m_nGridStride, scene->m_ScrollY.m_nGridExtent);
    const int stride = scene->m_ScrollX.m_nStrideExp;
    for (int col = 10; col < 210; ++col)
        g_Blocks[(static_cast<std::size_t>(45) << stride) + col].m_nSolid = 1;
    for (int col = 20; col < 210; col += 17)
        for (int row = 40; row < 45; ++row)
            g_Blocks[(static_cast<std::size_t>(row) << stride) + col].m_nSolid = 1;
    g_Charas.clear();
    for (int i = 0; i < 2000; ++i) {
        g_Charas.emplace_back();
        cStageChara& c = g_Charas.back();
        c.cGameObject::Init(i, 0, 0, 1, 0, nullptr, 0, 8, 8, 16, 24, 32, 32, i & 1, 0, 0);
        c.m_dX = 330 + (i * 37) % 6000;
        c.m_dY = 330 + (i * 13) % 1000;
        c.m_dAX = (i & 1) ? 0.05 : -0.05;
        c.AfterMoveX();
        c.AfterMoveY();
    }
    for (auto _ : state) {
        int touching = 0;
        for (cStageChara& c : g_Charas) {
            c.ApplyGravity();
            c.StepX();
            if (c.TouchesSolidBlock()) {
                c.m_dVX = -c.m_dVX;
                c.m_dAX = -c.m_dAX;
                ++touching;
            }
            c.StepY();
            if (c.m_dVY > 0 && c.TouchesSolidBlock()) c.Land();
            c.m_RaisedTriggers.clear();
        }
        benchmark::DoNotOptimize(touching);
    }
    g_Charas.clear();
    scene.reset();
    g_lpGameScene = nullptr;
}
BENCHMARK(BM_MoveAndTestBlocks)->Unit(benchmark::kMicrosecond);

} // namespace
