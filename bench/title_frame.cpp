// One frame of the title screen on each back-end at 32 and 16 bits in a window, as the frame loop runs it:
// the lost-surface check (DirectDraw), the title scene's copy of its 640 x 480 picture into the back buffer,
// the frame-rate text in the text font, and the present step (no vertical blank, no pacing). The back
// buffer keeps the draws back and runs them where the frame changed: after the first frame, nowhere.
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

// A 640 x 480 24-bit picture with gradients, so that no row is like another.
std::string WritePicture() {
    constexpr int w = 640, h = 480;
    return bench::WriteBitmap24("m4_bench_title.bmp", w, h, [](int x, int y) {
        return static_cast<std::uint32_t>((x * 255 / w) << 16 | (y * 255 / h) << 8 | ((x + y) & 0xFF));
    });
}

void TitleFrames(benchmark::State& state) {
    const int bD3D = static_cast<int>(state.range(0)), bpp = static_cast<int>(state.range(1));
    gfx::sim::ResetSimulation();
    gfx::SetDisplayBitsPerPixel(bpp); // a DirectDraw window takes the desktop's depth
    gfx::sim::SetVerticalBlankEmulation(false);
    const std::string picture = WritePicture();
    DDSURFACEDATA sys[1];
    SURFACEDEF table[1];
    std::snprintf(table[0].szFileName, sizeof table[0].szFileName, "%s", picture.c_str());
    if (!DDInit(bD3D, nullptr, 640, 480, bpp, 0, 1, 1, 60, 0, sys, table, 1, 0)) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDInstallFrameHooks();
    DDSetTransmit(255, 0, 255);
    const int one[] = {0};
    FONTDEF defs[FONT_COUNT];
    for (int i = 0; i < FONT_COUNT; ++i) {
        defs[i] = g_FontDefs[i];
        std::snprintf(defs[i].szFaceName, sizeof defs[i].szFaceName, "%s", "ＭＳ ゴシック");
        if (defs[i].nCacheMode == 2) defs[i].nCacheMode = bD3D ? 0 : 1; // the settings' defaults
    }
    if (!DDLoadSystemSurfaces(sys, one, 1) || !CreateFonts(g_Fonts, defs, FONT_COUNT)) {
        state.SkipWithError("picture or fonts did not load");
        DDEnd();
        return;
    }
    // No pacing: Direct3D's present waits for nothing at rate 0.
    g_SceneManager.g_nFrameRate = 0;
    for (auto _ : state) {
        if (g_DrawingHooks.directDrawActive()) g_DrawingHooks.restoreSurfaces();
        DDBlt(&g_BackBuffer, 0, 0, 640, 480, &sys[0], 0, 0, 0);
        g_Font.DrawInRectF(&g_BackBuffer, 495, 463, 0, 0, "FPS%2d(%2d)", 60, 3);
        PresentFrame();
    }
    g_SceneManager.g_nFrameRate = 60;
    for (Font& f : g_Fonts)
        f.Release();
    DDReleaseSurface(&sys[0]);
    DDEnd();
    g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
    std::filesystem::remove(picture);
    gfx::SetDisplayBitsPerPixel(32);
}
BENCHMARK(TitleFrames)
    ->Args({0, 32})
    ->Args({1, 32})
    ->Args({0, 16})
    ->Args({1, 16})
    ->ArgNames({"d3d", "bpp"})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace
