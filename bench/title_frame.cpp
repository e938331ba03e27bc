// One frame of the title screen on each back-end at 32 and 16 bits in a window, as the frame loop runs it:
// the lost-surface check (DirectDraw), the title scene's copy of its 640 x 480 picture into the back buffer,
// the frame-rate text in the text font, and the present step (no vertical blank, no pacing). The back
// buffer keeps the draws back and runs them where the frame changed: with redraw=0 the title stands
// still, so after the first frame nothing is drawn; with redraw=1 the scene shows one of two pictures
// in turn, so every frame draws, converts and shows every row.
#include "bench_bitmap.h"

#include "app/game_loop.h"
#include "app/scene.h"
#include "draw/draw.h"
#include "draw/font.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/sim.h"
#include "project/system_bitmaps.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// A 640 x 480 24-bit picture with gradients, so that no row is like another; the second one is the
// first turned upside down, so that every row differs between the two.
std::string WritePicture(int n) {
    constexpr int w = 640, h = 480;
    return bench::WriteBitmap24(n ? "m4_bench_title2.bmp" : "m4_bench_title.bmp", w, h, [n](int x, int y) {
        if (n) y = h - 1 - y;
        return static_cast<std::uint32_t>((x * 255 / w) << 16 | (y * 255 / h) << 8 | ((x + y) & 0xFF));
    });
}

void TitleFrames(benchmark::State& state) {
    const int bD3D = static_cast<int>(state.range(0)), bpp = static_cast<int>(state.range(1));
    const bool redraw = state.range(2) != 0;
    gfx::sim::ResetSimulation();
    gfx::SetDisplayBitsPerPixel(bpp); // a DirectDraw window takes the desktop's depth
    gfx::sim::SetVerticalBlankEmulation(false);
    const std::string pictures[2] = {WritePicture(0), WritePicture(1)};
    DDSURFACEDATA sys[2];
    SURFACEDEF table[2];
    for (int i : {0, 1})
        std::snprintf(table[i].szFileName, sizeof table[i].szFileName, "%s", pictures[i].c_str());
    if (!DDInit(bD3D, nullptr, 640, 480, bpp, 0, 1, 1, 60, 0, sys, table, 2, 0)) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDInstallFrameHooks();
    DDSetTransmit(255, 0, 255);
    const int both[] = {0, 1};
    FONTDEF defs[FONT_COUNT];
    for (int i = 0; i < FONT_COUNT; ++i) {
        defs[i] = g_FontDefs[i];
        std::snprintf(defs[i].szFaceName, sizeof defs[i].szFaceName, "%s", "ＭＳ ゴシック");
        if (defs[i].nCacheMode == 2) defs[i].nCacheMode = bD3D ? 0 : 1; // the settings' defaults
    }
    if (!DDLoadSystemSurfaces(sys, both, 2) || !CreateFonts(g_Fonts, defs, FONT_COUNT)) {
        state.SkipWithError("picture or fonts did not load");
        DDEnd();
        return;
    }
    // No pacing: Direct3D's present waits for nothing at rate 0.
    g_SceneManager.g_nFrameRate = 0;
    int shown = 0;
    for (auto _ : state) {
        if (g_DrawingHooks.directDrawActive()) g_DrawingHooks.restoreSurfaces();
        DDBlt(&g_BackBuffer, 0, 0, 640, 480, &sys[shown], 0, 0, 0);
        if (redraw) shown ^= 1;
        g_Font.DrawInRectF(&g_BackBuffer, 495, 463, 0, 0, "FPS%2d(%2d)", 60, 3);
        PresentFrame();
    }
    g_SceneManager.g_nFrameRate = 60;
    for (Font& f : g_Fonts)
        f.Release();
    for (DDSURFACEDATA& sd : sys)
        DDReleaseSurface(&sd);
    DDEnd();
    g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
    for (const std::string& p : pictures)
        std::filesystem::remove(p);
    gfx::SetDisplayBitsPerPixel(32);
}
BENCHMARK(TitleFrames)
    ->ArgsProduct({{0, 1}, {32, 16}, {0, 1}})
    ->ArgNames({"d3d", "bpp", "redraw"})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace
