#include "platform/crt_rand.h"

#include <cstdint>

namespace crt {

namespace {
thread_local std::uint32_t t_state = 1;
}

void srand(unsigned int seed) {
    t_state = seed;
}

int rand() {
    t_state = t_state * 214013u + 2531011u;
    return static_cast<int>((t_state >> 16) & 0x7FFF);
}

unsigned int rand_state() {
    return t_state;
}

} // namespace crt
