// A frame of 1,000 colour-keyed 32 x 32 copies on each back-end at 32 bits: through the sorted
// draw batch on the Direct3D-like device, as keyed blits on the DirectDraw-like one.
#include "bench_frame.h"
#include "bench_bitmap.h"

#include "draw/draw.h"
#include "platform/gfx/sim.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// A 128 x 32 24-bit sheet: magenta key with a square per cell.
std::string WriteSheet() {
    return bench::WriteBitmap24("m4_bench_sheet.bmp", 128, 32, [](int x, int y) {
        const bool inside = (x % 32) > 4 && (x % 32) < 28 && y > 4 && y < 28;
        return inside ? 0x2080F0u + static_cast<std::uint32_t>(x / 32) * 0x300000u : 0xFF00FFu;
    });
}

void RunFrames(benchmark::State& state, int bD3D) {
    gfx::sim::ResetSimulation();
    gfx::sim::SetVerticalBlankEmulation(false);
    const std::string sheet = WriteSheet();
    DDSURFACEDATA sys[1];
    SURFACEDEF table[1];
    std::snprintf(table[0].szFileName, sizeof table[0].szFileName, "%s", sheet.c_str());
    table[0].bColorKey = 1;
    if (!DDInit(bD3D, nullptr, 640, 480, 32, 0, 1, 1, 60, 0, sys, table, 1, 0)) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDSetTransmitFromFile(&table[0]);
    const int one[] = {0};
    if (!DDLoadSystemSurfaces(sys, one, 1)) {
        state.SkipWithError("sheet did not load");
        DDEnd();
        return;
    }
    for (auto _ : state) {
        DDBeginBatch(1);
        DDBatchAddSurface(&sys[0]);
        for (int i = 0; i < 1000; ++i)
            DDBlt(&g_BackBuffer, (i * 37) % 608, (i * 53) % 448, 32, 32, &sys[0], (i % 4) * 32, 0, 1);
        DDEndBatch();
        DDEndScene();
        bench::RunKeptDrawsEverywhere();
    }
    DDReleaseSurface(&sys[0]);
    DDEnd();
    g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
}

void BM_Direct3DBatchOf1000KeyedBlits(benchmark::State& state) {
    RunFrames(state, 1);
}
void BM_DirectDrawOf1000KeyedBlits(benchmark::State& state) {
    RunFrames(state, 0);
}

BENCHMARK(BM_Direct3DBatchOf1000KeyedBlits)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DirectDrawOf1000KeyedBlits)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
