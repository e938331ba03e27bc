// Shown pictures drawn stretched, on each back-end at 32 bits: 1,024 copies of a 160 x 96 picture with
// a transparent colour at 189 %, spread over the screen, as a flow that shows many enlarged pictures
// draws them each frame.
#include "bench_bitmap.h"
#include "bench_frame.h"
#include "draw/draw.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int PICTURES = 1024;
constexpr int PICTURE_W = 160, PICTURE_H = 96, SCALE = 189;

struct Screen {
    DDSURFACEDATA picture;
    bool ok = false;
    explicit Screen(int bD3D) {
        if (!bench::StartScreen(bD3D)) return;
        // A sign: a framed panel with a transparent border (the colour of the top-left pixel).
        const std::string file = bench::WriteBitmap24("sign.bmp", PICTURE_W, PICTURE_H, [](int x, int y) {
            if (x < 4 || y < 4 || x >= PICTURE_W - 4 || y >= PICTURE_H - 4) return 0x000000u;
            return static_cast<std::uint32_t>(0x806040u + (x * 3 + y * 5) % 64);
        });
        if (!DDCheckResult(DDCreateSurfaceFromFile(&picture, file.c_str(), 1, 32, 0, DTMEMORYTYPE_VIDEO_NORT,
                                                   0, 0, 0, 0, 0)))
            return;
        ok = true;
    }
    ~Screen() {
        DDReleaseSurface(&picture);
        bench::EndScreen();
    }
};

void StretchedPictures(benchmark::State& state) {
    Screen s(static_cast<int>(state.range(0)));
    if (!s.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    const int w = PICTURE_W * SCALE / 100, h = PICTURE_H * SCALE / 100;
    int frame = 0;
    for (auto _ : state) {
        DDClearRGB(&g_BackBuffer, 0x203040u);
        // Each frame moves them by a pixel, so that no frame is the one before.
        for (int i = 0; i < PICTURES; ++i)
            DDBltStretch(&g_BackBuffer, (i * 37 + frame) % 800 - w / 2, (i * 53) % 600 - h / 2, w, h,
                         &s.picture, 0, 0, PICTURE_W, PICTURE_H, 1);
        DDEndScene();
        bench::RunKeptDrawsEverywhere();
        ++frame;
    }
}
BENCHMARK(StretchedPictures)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("d3d")
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace
