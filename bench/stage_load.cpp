// Loading a stage for play: a 256 x 256-block play area with 2,000 placed objects (1,000 blocks,
// 500 characters, 500 items), and the same area filled with 65,536 blocks plus 2,000 characters
// and items; every placed object names a stage palette entry. "Fresh" loads into an empty running
// stage (the first load of a run), "reload" over the previous load.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_temp.h"
#include "project/stage_file.h"

namespace {

std::string WriteBenchStage(int blocks, int charas, int items) {
    const std::filesystem::path dir = bench::TempFolder() / "stage";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / ("s" + std::to_string(blocks) + ".stg4_000")).string();
    cEdStage& stage = g_Stage;
    stage.Clear();
    stage.m_nWidth = 256;
    stage.m_nHeight = 256;
    stage.m_PaletteBlocks.resize(4);
    stage.m_PaletteBlocks[1].m_nPictureNo = 5;
    stage.m_PaletteCharas.resize(3);
    stage.m_PaletteCharas[1].m_nPictureNo = 2;
    stage.m_PaletteItems.resize(3);
    cEdBlockDef block;
    block.m_nPictureNo = 1;
    block.m_nPalette = 2;
    block.m_nPaletteEntry = 1;
    block.m_InheritFlags[2] = 1;
    block.m_InheritFlags[6] = 1;
    stage.m_Blocks.reserve(static_cast<std::size_t>(blocks));
    for (int i = 0; i < blocks; ++i) {
        block.m_nX = static_cast<std::int16_t>(i % 256);
        block.m_nY = static_cast<std::int16_t>(i / 256);
        stage.m_Blocks.push_back(block);
    }
    cEdCharaDef chara;
    chara.m_nPalette = 2;
    chara.m_nPaletteEntry = 1;
    chara.m_InheritFlags[9] = 1;
    chara.m_Conditions.resize(1);
    for (int i = 0; i < charas; ++i) {
        chara.m_nX = static_cast<std::int16_t>(i % 256);
        chara.m_nController = i == 0 ? 0 : 1;
        stage.m_Charas.push_back(chara);
    }
    cEdItemDef item;
    item.m_nPalette = 2;
    item.m_nPaletteEntry = 2;
    item.m_InheritFlags.assign(13, 1);
    for (int i = 0; i < items; ++i) {
        item.m_nX = static_cast<std::int16_t>(i % 256);
        stage.m_Items.push_back(item);
    }
    stage.SaveFile(path);
    return path;
}

void EmptyRunningStage() {
    g_Stage.Clear();
    g_Stage.m_Blocks = {};
    g_Stage.m_Charas = {};
    g_Stage.m_Items = {};
}

// Arguments: placed blocks, characters, items; fresh (1) or reload (0).
void BM_StageLoad(benchmark::State& state) {
    const std::string path = WriteBenchStage(
        static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    const bool fresh = state.range(3) != 0;
    EmptyRunningStage();
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            EmptyRunningStage();
            state.ResumeTiming();
        }
        if (!g_Stage.LoadFile(path) || g_Stage.m_Blocks.size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("stage did not load");
    }
}
BENCHMARK(BM_StageLoad)
    ->Args({1000, 500, 500, 1})
    ->Args({1000, 500, 500, 0})
    ->Args({65536, 1000, 1000, 1})
    ->Args({65536, 1000, 1000, 0})
    ->Unit(benchmark::kMillisecond);

// The whole load for play: revision check, the stage-load thread, the set-up parts kept.
void BM_LoadStageForPlay(benchmark::State& state) {
    const std::string path = WriteBenchStage(1000, 500, 500);
    for (auto _ : state)
        if (!LoadStageForPlay(path, 0, &g_StageOriginal)) state.SkipWithError("stage did not load");
}
BENCHMARK(BM_LoadStageForPlay)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
