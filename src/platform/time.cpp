#include "platform/time.h"

#include "platform/threads.h"

#include <chrono>
#include <thread>

namespace win {

namespace {

std::atomic<ManualClock*> g_manual{nullptr};
std::atomic<int> g_periodRequests{0};

std::int64_t SteadyNanoseconds() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

DWORD timeGetTime() {
    if (ManualClock* c = g_manual.load()) return c->now.load();
    return static_cast<DWORD>(SteadyNanoseconds() / 1000000);
}

UINT timeBeginPeriod(UINT) {
    g_periodRequests.fetch_add(1);
    return 0;
}

UINT timeEndPeriod(UINT) {
    g_periodRequests.fetch_sub(1);
    return 0;
}

int TimerPeriodRequests() {
    return g_periodRequests.load();
}

void Sleep(DWORD ms) {
    ParkWhileSuspended();
    if (ManualClock* c = g_manual.load()) {
        c->sleeps.fetch_add(1);
        if (c->sleepAdvances.load()) c->Advance(ms);
        std::this_thread::yield();
        return;
    }
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SleepUntil(DWORD when) {
    ParkWhileSuspended();
    if (ManualClock* c = g_manual.load()) {
        c->sleeps.fetch_add(1);
        const auto ahead = static_cast<std::int32_t>(when - c->now.load());
        if (c->sleepAdvances.load() && ahead > 0) c->Advance(static_cast<DWORD>(ahead));
        std::this_thread::yield();
        return;
    }
    const std::int64_t nowNs = SteadyNanoseconds();
    const std::int64_t nowMs = nowNs / 1000000;
    const auto ahead = static_cast<std::int32_t>(when - static_cast<DWORD>(nowMs));
    if (ahead <= 0) return;
    // timeGetTime() reads `when` from the first nanosecond of that millisecond.
    using namespace std::chrono;
    std::this_thread::sleep_until(steady_clock::time_point(
        duration_cast<steady_clock::duration>(nanoseconds((nowMs + ahead) * 1000000))));
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count) return FALSE;
    count->QuadPart = SteadyNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return FALSE;
    frequency->QuadPart = 1000000000;
    return TRUE;
}

void UseManualClock(ManualClock* clock) {
    g_manual.store(clock);
}

} // namespace win
