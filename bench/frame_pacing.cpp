// Frame pacing on this machine's real clock, at the stage rate of 60: each iteration paces one
// second of frames (60) the way the game thread does and reports the rate reached and how late the
// frames came.
//   Direct3D:   presents wait on the fractional schedule (t0 + n x 1000/60, anchored again every
//               60 frames), polling every millisecond.
//   DirectDraw: frames wait on the whole-millisecond frame timer, polling every millisecond.
//   Blank:      a DirectDraw window waits for the 60 Hz vertical blank.
// Counters: fps (frames per second of wall time), late_ms_max (the longest gap between frames beyond
// 1000/60 ms), gap_ms_mean (the mean gap).
#include "app/game_loop.h"
#include "platform/gfx/sim.h"
#include "platform/time.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr int kRate = 60;

bool Yes() {
    return true;
}

template <typename WaitForFrame> void Pace(benchmark::State& state, WaitForFrame wait) {
    using Clock = std::chrono::steady_clock;
    double lateMax = 0, gapSum = 0, seconds = 0;
    long frames = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        Clock::time_point last = start;
        for (int n = 0; n < kRate; ++n) {
            wait();
            const Clock::time_point now = Clock::now();
            const double gap = std::chrono::duration<double, std::milli>(now - last).count();
            if (n > 0 || frames > 0) {
                lateMax = std::max(lateMax, gap - 1000.0 / kRate);
                gapSum += gap;
            }
            last = now;
        }
        seconds += std::chrono::duration<double>(last - start).count();
        frames += kRate;
    }
    state.counters["fps"] = static_cast<double>(frames) / seconds;
    state.counters["late_ms_max"] = lateMax;
    state.counters["gap_ms_mean"] = gapSum / static_cast<double>(std::max(1L, frames - 1));
}

void BM_PacingDirect3D(benchmark::State& state) {
    ResetFrameTimers();
    g_DrawingHooks.direct3DActive = &Yes;
    Pace(state, [] {
        while (!DrawFpsAverage(kRate, 0, 0))
            win::Sleep(1);
    });
    ResetDrawingHooks();
}

void BM_PacingDirectDraw(benchmark::State& state) {
    ResetFrameTimers();
    Pace(state, [] {
        while (!FrameTimerDue(kRate))
            win::Sleep(1);
    });
}

void BM_PacingVerticalBlank(benchmark::State& state) {
    gfx::sim::SetVerticalBlankEmulation(true);
    Pace(state, [] { gfx::sim::WaitForVerticalBlank(); });
}

} // namespace

BENCHMARK(BM_PacingDirect3D)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacingDirectDraw)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacingVerticalBlank)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
