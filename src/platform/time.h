// Clocks and sleeping in place of the platform's millisecond timer, timer period and performance
// counter. Tests can put a manual clock in place of the real one: then `timeGetTime` reads it and
// `Sleep` advances it instead of waiting, so pacing can be checked without real time passing.
#pragma once
#include "platform/win_types.h"

#include <atomic>
#include <cstdint>

namespace win {

// Milliseconds of a monotonic clock; wraps at 2^32 like the platform's counter.
DWORD timeGetTime();
// The timer period is always fine enough here; both only record the request and return 0
// (TIMERR_NOERROR).
UINT timeBeginPeriod(UINT periodMs);
UINT timeEndPeriod(UINT periodMs);
// Number of timeBeginPeriod calls not yet matched by timeEndPeriod.
int TimerPeriodRequests();

// Waits at least `ms` milliseconds (0 only yields). A worker thread asked to suspend parks here
// until it is resumed (see platform/threads.h).
void Sleep(DWORD ms);
// Waits until timeGetTime() reaches `when` (returns at once when it has, also across the counter's
// wrap), waking as close to that moment as the system allows rather than in whole-millisecond steps.
// A manual clock is moved there instead. Parks a suspended worker as Sleep does.
void SleepUntil(DWORD when);

struct LARGE_INTEGER {
    std::int64_t QuadPart = 0;
};
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// A clock that moves only when told to (or by Sleep on any thread while it is installed).
struct ManualClock {
    std::atomic<DWORD> now{0};
    // How far each Sleep call moves the clock: the requested milliseconds when true (Sleep(0)
    // moves nothing), nothing at all when false.
    std::atomic<bool> sleepAdvances{true};
    std::atomic<unsigned> sleeps{0};
    void Advance(DWORD ms) { now.fetch_add(ms); }
};
// Installs a manual clock for the calling test; null restores the real clock.
void UseManualClock(ManualClock* clock);

} // namespace win
