// One whole play frame of a busy stage at 32 bits on each back-end (bench_stage.h), drawn by the
// frame drawing as the play step calls it (the present is left out).
// Reported per back-end as the median of the repetitions.
#include "bench_frame.h"
#include "bench_stage.h"

#include <benchmark/benchmark.h>

namespace {

using bench::BusyStage;

void StageFrame(benchmark::State& state) {
    BusyStage s(static_cast<int>(state.range(0)));
    if (!s.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    for (auto _ : state) {
        DrawFrame(*s.scene, 1, 0, 0, 0);
        DDEndScene();
        bench::RunKeptDrawsEverywhere();
    }
    state.counters["objects"] =
        static_cast<double>(g_Charas.size() + g_Items.size() + s.scene->m_Shots.size());
}
BENCHMARK(StageFrame)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("d3d")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace
