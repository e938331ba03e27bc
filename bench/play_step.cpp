// One frame of the play step on a busy stage: 256 x 64 blocks (a floor and scattered platforms),
// 100 walking characters each running a flow, and 500 shots of two factions hanging in the air
// (topped up before every frame).
#include "bench_play.h"

namespace {

// The stage's speed count: 0 tests shots against characters in every sub-step, n in n of them.
void BM_PlayStepBusyStage(benchmark::State& state) {
    bench::PlayFrames(state, {256, 64, 100, 500, static_cast<int>(state.range(0)), false}, 1);
}
BENCHMARK(BM_PlayStepBusyStage)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
