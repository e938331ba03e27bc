// Helpers for the audio tests: the mixer in manual mode and loudness measures.
#pragma once
#include "platform/audio/mixer.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace testaudio {

inline std::vector<std::int16_t> PullFrames(int frames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2);
    int done = 0;
    while (done < frames) {
        int n = std::min(1024, frames - done);
        audio::Pull(out.data() + 2 * done, n);
        done += n;
    }
    return out;
}

// Root mean square of one channel (0 left, 1 right) or of both (-1), over frames [from, to).
inline double Rms(const std::vector<std::int16_t>& s, int channel = -1, std::size_t from = 0,
                  std::size_t to = static_cast<std::size_t>(-1)) {
    to = std::min(to, s.size() / 2);
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = from; i < to; ++i)
        for (int ch = 0; ch < 2; ++ch)
            if (channel < 0 || channel == ch) {
                double x = s[2 * i + ch];
                sum += x * x;
                ++n;
            }
    return n ? std::sqrt(sum / n) : 0.0;
}

} // namespace testaudio
