// Frame pacing on this machine's real clock, at the stage rate of 60: each iteration paces one
// second of frames (60) the way the game thread does and reports the rate reached and how late the
// frames came.
//   Direct3D:   presents wait on the fractional schedule (t0 + n x 1000/60, anchored again every
//               60 frames), sleeping until the next present is due (WaitPresentDue).
//   DirectDraw: frames wait on the whole-millisecond frame timer, sleeping until it is due
//               (WaitFrameTimer).
//   Blank:      a DirectDraw window waits for the 60 Hz vertical blank.
//   Window:     a DirectDraw window as the frame loop runs it: the frame timer, 2 ms of drawing, then the
//               wait for the blank before the copy to the window.
// Counters: fps (frames per second of wall time), late_ms_max (the longest gap between frames beyond
// 1000/60 ms), gap_ms_mean (the mean gap), gap_ms_p50 / p95 / p99 (the distribution of the gaps) and
// missed (gaps longer than one and a half frames: a blank missed).
#include "app/game_loop.h"
#include "platform/gfx/sim.h"
#include "platform/time.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int kRate = 60;

bool Yes() {
    return true;
}

template <typename WaitForFrame> void Pace(benchmark::State& state, WaitForFrame wait) {
    using Clock = std::chrono::steady_clock;
    double lateMax = 0, gapSum = 0, seconds = 0;
    long frames = 0;
    std::vector<double> gaps;
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
                gaps.push_back(gap);
            }
            last = now;
        }
        seconds += std::chrono::duration<double>(last - start).count();
        frames += kRate;
    }
    state.counters["fps"] = static_cast<double>(frames) / seconds;
    state.counters["late_ms_max"] = lateMax;
    state.counters["gap_ms_mean"] = gapSum / static_cast<double>(std::max(1L, frames - 1));
    std::sort(gaps.begin(), gaps.end());
    auto at = [&](double q) {
        return gaps.empty() ? 0.0
                            : gaps[std::min(gaps.size() - 1, static_cast<std::size_t>(q * gaps.size()))];
    };
    state.counters["gap_ms_p50"] = at(0.50);
    state.counters["gap_ms_p95"] = at(0.95);
    state.counters["gap_ms_p99"] = at(0.99);
    state.counters["missed"] = static_cast<double>(
        std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 1.5 * 1000.0 / kRate; }));
}

void BM_PacingDirect3D(benchmark::State& state) {
    ResetFrameTimers();
    g_DrawingHooks.direct3DActive = &Yes;
    Pace(state, [] { WaitPresentDue(kRate); });
    ResetDrawingHooks();
}

void BM_PacingDirectDraw(benchmark::State& state) {
    ResetFrameTimers();
    Pace(state, [] { WaitFrameTimer(kRate); });
}

void BM_PacingVerticalBlank(benchmark::State& state) {
    gfx::sim::SetVerticalBlankEmulation(true);
    Pace(state, [] { gfx::sim::WaitForVerticalBlank(); });
}

void BM_PacingDirectDrawWindow(benchmark::State& state) {
    ResetFrameTimers();
    gfx::sim::SetVerticalBlankEmulation(true);
    Pace(state, [] {
        WaitFrameTimer(kRate);
        const auto drawn = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
        while (std::chrono::steady_clock::now() < drawn) {
        }
        gfx::sim::WaitForVerticalBlank();
    });
}

} // namespace

BENCHMARK(BM_PacingDirect3D)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacingDirectDraw)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacingVerticalBlank)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacingDirectDrawWindow)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
