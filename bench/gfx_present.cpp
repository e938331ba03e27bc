// The present's conversion of a finished 640 x 480 frame to the window's XRGB, at 32 and 16 bits: the
// conversion alone, and the whole hand-over of a frame that changed since the last one (conversion,
// comparison with the frame shown, and the kept source).
#include "platform/gfx/presenter.h"
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

using namespace gfx;

namespace {

PixelFormat FormatOf(int bpp, int alpha) {
    if (bpp == 32) return PixelFormat::X8R8G8B8;
    return alpha ? PixelFormat::A1R5G5B5 : PixelFormat::R5G6B5;
}

// A frame of random pixels, so that no row is like another.
PixelBuffer Frame(PixelFormat f, unsigned seed) {
    PixelBuffer b;
    b.Allocate(kScreenWidth, kScreenHeight, f);
    std::mt19937 rng(seed);
    for (auto& byte : b.bytes)
        byte = static_cast<std::uint8_t>(rng());
    return b;
}

void BM_ConvertFrame(benchmark::State& state) {
    const PixelBuffer frame =
        Frame(FormatOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), 1);
    std::vector<std::uint32_t> out(static_cast<std::size_t>(frame.width) * frame.height);
    for (auto _ : state) {
        ConvertToXrgb(frame, nullptr, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ConvertFrame)
    ->Args({32, 0})
    ->Args({16, 0})
    ->Args({16, 1})
    ->ArgNames({"bpp", "alpha"})
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Two different frames published in turn: every one is converted and counted as a change.
void BM_PublishChangedFrame(benchmark::State& state) {
    const PixelFormat f = FormatOf(static_cast<int>(state.range(0)), 0);
    const PixelBuffer frames[2] = {Frame(f, 1), Frame(f, 2)};
    ClearPublishedFrames();
    int i = 0;
    for (auto _ : state) {
        PublishPixels(frames[i], nullptr);
        i ^= 1;
    }
    ClearPublishedFrames();
}
BENCHMARK(BM_PublishChangedFrame)
    ->Arg(32)
    ->Arg(16)
    ->ArgName("bpp")
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

} // namespace
