// A screen of text at 32 bits: 30 lines of 40 full-width characters through the glyph sheets, on
// each back-end.
#include "bench_frame.h"
#include "draw/font.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void ScreenOfText(benchmark::State& state) {
    const int bD3D = static_cast<int>(state.range(0));
    if (!bench::StartScreen(bD3D)) {
        state.SkipWithError("display set-up failed");
        return;
    }
    g_BasePalette[1] = {255, 255, 255, 0};
    std::string text;
    for (int line = 0; line < 30; ++line) {
        for (int i = 0; i < 40; ++i) {
            const char* p = g_szFullWidthTable + 2 * ((line * 40 + i) % 200);
            text.append(p, 2);
        }
        text.push_back('\n');
    }
    {
        Font font;
        font.Create("ＭＳ ゴシック", 0, 16, 16, 16, 1, nullptr, 0, 0, nullptr, 1);
        for (auto _ : state) {
            font.Draw(&g_BackBuffer, 0, 0, text.c_str(), 0);
            DDEndScene();
            bench::RunKeptDrawsEverywhere();
        }
    }
    bench::EndScreen();
}
BENCHMARK(ScreenOfText)->Arg(0)->Arg(1)->ArgName("d3d")->Unit(benchmark::kMicrosecond);

} // namespace
