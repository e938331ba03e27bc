#include "platform/close_guard.h"

#include "platform/threads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace win {
namespace {

using Clock = std::chrono::steady_clock;

struct Guard {
    std::mutex lock;
    std::condition_variable changed;
    std::thread thread;
    void (*end)() = nullptr;
    std::chrono::milliseconds held{4000};
    bool running = false;
    bool armed = false;
    bool stopping = false;
    // A thread met the broken connection inside a call that would loop: the end begins at once.
    bool parked = false;
    // The guard has begun the end: nothing else may go on with the close.
    bool ending = false;
    int waits = 0;               // calls into the video system under way
    Clock::time_point waitSince; // when the outermost of them began
    Clock::time_point armedAt;
};

// Never destroyed: a process that ends without stopping the guard does not wait for its thread.
Guard& TheGuard() {
    static Guard& guard = *new Guard;
    return guard;
}

thread_local int t_loopingWaits = 0;

// Never returns: the process is ended by the guard (or by `end` run here).
[[noreturn]] void WaitForEnd() {
    for (;;)
        pause();
}

// Whether the end is due now; otherwise how long until it may be.
bool EndDue(const Guard& g, Clock::duration& wait) {
    wait = std::chrono::hours(1);
    if (g.parked) return true;
    if (!g.armed || g.waits == 0) return false;
    const Clock::time_point from = std::max(g.waitSince, g.armedAt);
    const Clock::duration left = from + g.held - Clock::now();
    if (left <= Clock::duration::zero()) return true;
    wait = left;
    return false;
}

void RunGuard() {
    Guard& g = TheGuard();
    std::unique_lock<std::mutex> lock(g.lock);
    for (;;) {
        if (g.stopping) return;
        Clock::duration wait;
        if (EndDue(g, wait)) break;
        g.changed.wait_for(lock, wait);
    }
    g.ending = true;
    void (*end)() = g.end;
    lock.unlock();
    if (end) end();
    _exit(0);
}

} // namespace

void StartCloseGuard(void (*end)(), int heldMs) {
    Guard& g = TheGuard();
    std::lock_guard<std::mutex> guard(g.lock);
    if (g.running) return;
    g.end = end;
    g.held = std::chrono::milliseconds(heldMs);
    g.stopping = false;
    // No memory for the thread (its stack) throws std::bad_alloc: told as memory running out.
    g.thread = StartStdThread(&RunGuard);
    g.running = true;
}

void StopCloseGuard() {
    Guard& g = TheGuard();
    bool ending = false;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        if (!g.running) return;
        ending = g.ending;
        g.stopping = !ending;
    }
    if (ending) WaitForEnd(); // the guard is ending the process
    g.changed.notify_all();
    g.thread.join();
    std::lock_guard<std::mutex> guard(g.lock);
    g.running = false;
    g.armed = g.parked = false;
}

void ArmCloseGuard() {
    Guard& g = TheGuard();
    {
        std::lock_guard<std::mutex> guard(g.lock);
        if (g.armed) return;
        g.armed = true;
        g.armedAt = Clock::now();
    }
    g.changed.notify_all();
}

DisplayWait::DisplayWait(bool mayLoop) : outerLoop_(mayLoop) {
    if (mayLoop) ++t_loopingWaits;
    Guard& g = TheGuard();
    bool armed = false;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        if (g.waits++ == 0) g.waitSince = Clock::now();
        armed = g.armed;
    }
    // Until it is armed the guard times nothing (arming wakes it): the window thread's calls of
    // every frame do not wake it.
    if (armed) g.changed.notify_all();
}

DisplayWait::~DisplayWait() {
    if (outerLoop_) --t_loopingWaits;
    Guard& g = TheGuard();
    bool ending = false;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        --g.waits;
        ending = g.ending;
    }
    if (ending) WaitForEnd();
}

bool InLoopingDisplayWait() {
    return t_loopingWaits > 0;
}

void ParkInDisplayWait() {
    Guard& g = TheGuard();
    void (*endHere)() = nullptr;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        g.armed = g.parked = true;
        if (!g.running && !g.ending) {
            g.ending = true;
            endHere = g.end;
        }
    }
    g.changed.notify_all();
    if (endHere) {
        endHere();
        _exit(0);
    }
    WaitForEnd();
}

} // namespace win
