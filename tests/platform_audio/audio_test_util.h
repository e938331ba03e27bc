// Helpers for the audio tests: the mixer in manual mode and loudness measures.
#pragma once
#include "platform/audio/mixer.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testaudio {

// Ends the test program with a message when the work it guards is still running after `seconds`,
// so that a hang in the mixer fails the run instead of holding up the suite. The limit is far
// above what the guarded work needs (under the sanitizers too); it catches hangs, it measures
// nothing.
class HangGuard {
  public:
    HangGuard(std::string what, int seconds)
        : m_thread([this, what = std::move(what), seconds] {
              std::unique_lock lock(m_mutex);
              if (!m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
                  std::fprintf(stderr, "hung: %s\n", what.c_str());
                  std::fflush(stderr);
                  std::abort();
              }
          }) {}
    ~HangGuard() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_one();
        m_thread.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

  private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread; // last: it starts once the members above exist
};

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
