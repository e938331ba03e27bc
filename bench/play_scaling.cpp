// How the play step grows with what is on the stage: one frame with 50 to 5,000 walking characters
// (ten of them block characters), with 100 to 10,000 shots hanging in the air (topped up before every
// frame), and on stages of 64 to 1,024 blocks square that hold the same 100 walkers and 500 shots in
// the same 64-block square at their bottom left, so that only the stage's size varies. "per_object"
// is the frame's time divided by the count that varies (for the stage series, the frame's time
// itself); it should stay flat as counts grow.
#include "bench_play.h"

namespace {

void BM_PlayScalingCharas(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    bench::PlayFrames(state, {1024, 64, n, 100, 0, true}, n);
}
BENCHMARK(BM_PlayScalingCharas)
    ->Arg(50)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Unit(benchmark::kMicrosecond);

void BM_PlayScalingShots(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    bench::PlayFrames(state, {1024, 64, 100, n, 0, true}, n);
}
BENCHMARK(BM_PlayScalingShots)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_PlayScalingStage(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    bench::PlayFrames(state, {n, n, 100, 500, 0, true, 64}, 1);
}
BENCHMARK(BM_PlayScalingStage)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

} // namespace
