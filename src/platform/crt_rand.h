// The C run-time's random generator, reproduced so that seeds and replays give the same numbers as
// the original player: x = x * 214013 + 2531011, result (x >> 16) & 0x7FFF. Each thread has its own
// state, starting at 1.
#pragma once

namespace crt {

constexpr int RAND_MAX_VALUE = 0x7FFF;

void srand(unsigned int seed);
int rand();
// The calling thread's generator state (for state hashes of test traces).
unsigned int rand_state();

} // namespace crt
