// Full-screen effects at 32 bits: one fade step and one wave of the whole screen, on each back-end.
#include "bench_frame.h"
#include "draw/dd_effects.h"
#include "draw/dd_palette_fx.h"

#include <benchmark/benchmark.h>

namespace {

struct Screen {
    DDSURFACEDATA picture;
    bool ok = false;
    explicit Screen(int bD3D) {
        if (!bench::StartScreen(bD3D)) return;
        // The screen effects wave a copy of the screen, which has no transparent colour.
        if (!DDCreateSurface(&picture, 640, 480, 0, 0, DTMEMORYTYPE_VIDEO_RT, 0, 0)) return;
        for (int y = 0; y < 480; y += 16)
            for (int x = 0; x < 640; x += 16)
                DDFillRectRGB(&picture, x, y, 16, 16,
                              0xFF000000u | static_cast<std::uint32_t>(x * 7 + y * 3) * 0x010305u);
        DDClearRGB(&g_BackBuffer, bD3D ? 0xFF203040u : 0x203040u);
        ok = true;
    }
    ~Screen() {
        DDReleaseSurface(&picture);
        bench::EndScreen();
    }
};

void FadeStep(benchmark::State& state) {
    Screen s(static_cast<int>(state.range(0)));
    if (!s.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDResetFadePhases();
    for (auto _ : state) {
        // A small step keeps the fade in its middle, where every call blends the whole screen.
        DDFadeOut(g_Palette, 0, 255, 0, 0, 0, 0.001, g_BasePalette, 0);
        DDEndScene();
        bench::RunKeptDrawsEverywhere();
    }
}
BENCHMARK(FadeStep)->Arg(0)->Arg(1)->ArgName("d3d")->Unit(benchmark::kMicrosecond);

void Wave(benchmark::State& state) {
    Screen s(static_cast<int>(state.range(0)));
    if (!s.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    int phase = 0;
    const int strip = static_cast<int>(state.range(1));
    for (auto _ : state) {
        DDBltWave(&g_BackBuffer, 0, 0, 640, 480, 2, 8.0, phase, strip, &s.picture, 0, 0, 0, 1);
        DDEndScene();
        bench::RunKeptDrawsEverywhere();
        phase = (phase + 6) % 360;
    }
}
BENCHMARK(Wave)
    ->Args({0, 1})
    ->Args({0, 4})
    ->Args({1, 1})
    ->Args({1, 4})
    ->ArgNames({"d3d", "strip"})
    ->Unit(benchmark::kMicrosecond);

} // namespace
