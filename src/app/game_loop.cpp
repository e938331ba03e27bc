#include "app/game_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/globals.h"
#include "app/input.h"
#include "app/log.h"
#include "app/scene.h"
#include "app/str_format.h"
#include "app/system_ini.h"
#include "platform/messages.h"
#include "platform/threads.h"
#include "platform/time.h"
#include "platform/fault_points.h"

#include <cstdint>

std::atomic<int> g_bActive{0};
std::atomic<unsigned> g_nFrameCount{0};
int g_nFps = 0;
unsigned g_nFrameMs = 0;
int g_bSelfTimed = 0;

namespace {

// The frame timers. Only one frame loop runs at a time (the game thread, or the pause or ranking
// loop while the game thread waits for it), so they need no lock.
struct FrameTimers {
    win::DWORD stamp = 0;
    unsigned elapsed = 0;
    bool deadlineSet = false;
    win::DWORD deadline = 0;
    bool windowStarted = false;
    win::DWORD windowStart = 0;
    unsigned windowCount = 0;
    unsigned published = 0;
    unsigned ring[16] = {};
    int ringNext = 0;
    int average = 0;
    bool presentStarted = false;
    win::DWORD presentT0 = 0;
    int presentN = 0;
    int tickCounter = 0;
    // For the shut-down line: when the first frame ran, and the frames' work.
    bool firstFrameSeen = false;
    win::DWORD firstFrame = 0;
    cFrameWorkMedian work;
};
FrameTimers g_Timers;

// The frame limit (0 none) and the frames presented so far.
std::atomic<unsigned> g_nFrameLimit{0};
std::atomic<unsigned> g_nPresented{0};

// For measuring from outside: MIRELDA4_FRAME_LIMIT=n closes the program after n presented frames.
unsigned FrameLimitFromEnvironment() {
    const char* env = std::getenv("MIRELDA4_FRAME_LIMIT");
    return env ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 0;
}

// `now` is at or after `when`, also across the wrap of the 32-bit millisecond counter.
bool Reached(win::DWORD now, win::DWORD when) {
    return static_cast<std::int32_t>(now - when) >= 0;
}

} // namespace

void cFrameWorkMedian::Add(std::chrono::nanoseconds work) {
    const auto step = std::chrono::duration_cast<std::chrono::microseconds>(work).count() / STEP_US;
    ++m_Counts[static_cast<std::size_t>(std::clamp<std::int64_t>(step, 0, STEPS - 1))];
    ++m_nFrames;
}

double cFrameWorkMedian::MedianMs() const {
    if (m_nFrames == 0) return 0;
    const unsigned middle = (m_nFrames + 1) / 2;
    unsigned seen = 0;
    int step = 0;
    while (step < STEPS - 1 && (seen += m_Counts[static_cast<std::size_t>(step)]) < middle)
        ++step;
    return (step + 0.5) * STEP_US / 1000.0;
}

void ResetFrameTimers() {
    g_Timers = FrameTimers{};
    g_nFrameCount = 0;
    g_nPresented = 0;
    g_nFps = 0;
    g_nFrameMs = 0;
}

bool FrameTimerDue(int rate) {
    win::DWORD now = win::timeGetTime();
    if (rate == 0) return true;
    if (!g_Timers.deadlineSet) {
        g_Timers.deadlineSet = true;
        g_Timers.deadline = now;
    }
    if (!Reached(now, g_Timers.deadline)) return false;
    g_Timers.deadline = now + static_cast<win::DWORD>(1000 / rate);
    return true;
}

void FrameStamp() {
    g_Timers.stamp = win::timeGetTime();
}

unsigned FrameElapsed(int bUpdate) {
    if (bUpdate) g_Timers.elapsed = win::timeGetTime() - g_Timers.stamp;
    return g_Timers.elapsed;
}

unsigned MeasureFps(int bUpdate) {
    win::DWORD now = win::timeGetTime();
    if (!g_Timers.windowStarted) {
        g_Timers.windowStarted = true;
        g_Timers.windowStart = now;
    }
    if (bUpdate) {
        if (now - g_Timers.windowStart >= 1000) {
            g_Timers.published = g_Timers.windowCount;
            g_Timers.windowStart = now;
            g_Timers.windowCount = 0;
        } else {
            ++g_Timers.windowCount;
        }
    }
    return g_Timers.published;
}

bool DrawFpsAverage(int rate, int, int) {
    if (rate == 0 || !g_DrawingHooks.direct3DActive()) return true;
    win::DWORD now = win::timeGetTime();
    if (!g_Timers.presentStarted) {
        g_Timers.presentStarted = true;
        g_Timers.presentT0 = now;
        g_Timers.presentN = 0;
    }
    // Milliseconds since t0 as an unsigned difference, so the counter's wrap does not matter.
    double sinceT0 = static_cast<double>(static_cast<win::DWORD>(now - g_Timers.presentT0));
    double due = static_cast<double>(g_Timers.presentN) * 1000.0 / static_cast<double>(rate);
    if (sinceT0 < due) return false;
    if (++g_Timers.presentN >= rate) {
        // A new run of `rate` frames starts with this frame. (Starting it one frame later, at n 0,
        // would let the next frame through at once: 61 frames every 983 ms instead of 60 a second.)
        g_Timers.presentN = 1;
        g_Timers.presentT0 = now;
    }
    return true;
}

void WaitPresentDue(int rate) {
    while (!DrawFpsAverage(rate, 0, 0)) {
        // Not due: the present is due at the first whole millisecond at or after t0 + n x 1000 / rate.
        const double due =
            std::ceil(static_cast<double>(g_Timers.presentN) * 1000.0 / static_cast<double>(rate));
        win::SleepUntil(g_Timers.presentT0 + static_cast<win::DWORD>(due));
    }
}

bool FrameTimerTick(int mode, int n) {
    if (mode == 0) {
        g_Timers.tickCounter = 0;
        return false;
    }
    if (mode == 2) return g_Timers.tickCounter == 0;
    if (++g_Timers.tickCounter == n) {
        g_Timers.tickCounter = 0;
        return true;
    }
    return false;
}

int FpsAverage() {
    return g_Timers.average;
}

void WaitFrameTimer(int rate) {
    while (!FrameTimerDue(rate))
        win::SleepUntil(g_Timers.deadline);
}

void WaitFrame() {
    if (!g_DrawingHooks.directDrawActive()) return;
    WaitFrameTimer(g_SceneManager.g_nFrameRate);
}

bool RestoreSurfaces() {
    if (!g_DrawingHooks.directDrawActive()) return true;
    return g_DrawingHooks.restoreSurfaces();
}

void PresentFrame() {
    // The sound requests of the frame reach the window thread as it ends.
    win::AnnounceQueuedRequests();
    if (g_DrawingHooks.direct3DActive()) {
        if (g_DrawingHooks.presentDirect3D(g_SceneManager.g_nFrameRate))
            ++g_nPresented;
        else
            win::SendMessage(g_hWnd, win::WM_USER + 100, 0, 0);
        return;
    }
    if (!g_DrawingHooks.directDrawActive()) return;
    g_DrawingHooks.presentDirectDraw();
    ++g_nPresented;
}

void CountFrameNotPresented() {
    win::AnnounceQueuedRequests();
    ++g_nPresented;
}

bool FrameLimitReached() {
    const unsigned limit = g_nFrameLimit;
    return limit != 0 && g_nPresented >= limit;
}

bool TimeLeftBeforeFrameLimit(unsigned& ms) {
    // Before the game loop has started (the start-up dialog) the limit is still to be read.
    const unsigned limit = g_nFrameLimit ? g_nFrameLimit.load() : FrameLimitFromEnvironment();
    if (limit == 0) return false;
    const unsigned presented = g_nPresented;
    const unsigned left = presented < limit ? limit - presented : 0;
    const int rate = g_SceneManager.g_nFrameRate > 0 ? g_SceneManager.g_nFrameRate : 60;
    ms = static_cast<unsigned>(std::min<std::uint64_t>(std::uint64_t{left} * 1000 / rate, 0xFFFFFFFFu));
    return true;
}

void SetFrameLimit(unsigned frames) {
    g_nPresented = 0;
    g_nFrameLimit = frames;
}

unsigned PresentedFrames() {
    return g_nPresented;
}

bool RunFrame() {
    WaitFrame();
    const auto workStart = std::chrono::steady_clock::now();
    ++g_nFrameCount;
    FrameStamp();
    if (!g_Timers.firstFrameSeen) {
        g_Timers.firstFrameSeen = true;
        g_Timers.firstFrame = g_Timers.stamp;
    }
    if (g_DrawingHooks.directDrawActive() && !RestoreSurfaces()) return false;
    UpdateInput(g_Inputs);
    g_SceneManager.SwitchAndRun();
    g_nFps = static_cast<int>(MeasureFps(1));
    g_nFrameMs = FrameElapsed(1);
    if (g_lpGameScene) SceneEnv().SetGameSceneFps(g_lpGameScene, g_nFps);
    int showFps = g_DrawingHooks.showFpsSetting();
    if (showFps != 0) {
        g_Timers.ring[g_Timers.ringNext] = g_nFrameMs;
        if (++g_Timers.ringNext >= 16) {
            g_Timers.ringNext = 0;
            unsigned sum = 0;
            for (unsigned v : g_Timers.ring)
                sum += v;
            g_Timers.average = static_cast<int>(sum >> 4);
        }
        std::string text;
        StrFormat(text, "FPS%2d(%2d)", g_nFps, g_Timers.average);
        g_DrawingHooks.drawFpsText(showFps, text);
    }
    PresentFrame();
    g_Timers.work.Add(std::chrono::steady_clock::now() - workStart);
    return true;
}

unsigned GameLoop(void*) {
    win::MSG msg;
    g_nFrameLimit = FrameLimitFromEnvironment();
    bool limitReached = false;
    bool memoryCloseRepeated = false;
    for (;;) {
        win::ParkWhileSuspended();
        if (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            if (msg.message == win::WM_QUIT) {
                ECLog("GameLoop WM_QUIT!");
                // The frames run and the time they took, for measuring the pacing from outside, and
                // the work of the middle frame, without its wait for its turn.
                win::DWORD span = g_Timers.firstFrameSeen ? win::timeGetTime() - g_Timers.firstFrame : 0;
                Report("GameLoop : %u frames in %u ms, median frame %.2f ms", g_nFrameCount.load(),
                       static_cast<unsigned>(span), g_Timers.work.MedianMs());
                return 1;
            }
            continue;
        }
        // After the frame limit, or once memory has run out, no frame runs: the close it asked for
        // ends the loop. That close is asked for again once the frame in which memory ran out is
        // complete: a close taken while a pause loop ran is left to the game thread to take up.
        if (OutOfMemoryTold() && !memoryCloseRepeated) {
            memoryCloseRepeated = true;
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        }
        if (!g_bActive || limitReached || OutOfMemoryTold()) {
            win::Sleep(1);
            continue;
        }
        PassFaultPoint("frame");
        if (!RunFrame()) {
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            return 1;
        }
        // Asked for once the frame is complete (a pause loop within it has ended by then), so that
        // the close is taken at once.
        if (FrameLimitReached()) {
            limitReached = true;
            win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        }
    }
}

namespace {

// The hooks before the drawing library starts: a Direct3D-like back-end without vertical sync that
// paces each present with DrawFpsAverage and draws nothing.
bool HookNo() {
    return false;
}
bool HookYes() {
    return true;
}
bool HookPresentPaced(int rate) {
    WaitPresentDue(rate);
    return true;
}
void HookNothing() {}
void HookNoText(int, const std::string&) {}
int HookShowFpsSetting() {
    return g_SystemIni.ShowFps;
}

constexpr DrawingHooks NO_DRAWING_HOOKS{&HookYes,
                                        &HookNo,
                                        &HookYes,
                                        &HookPresentPaced,
                                        &HookNothing,
                                        &HookNoText,
                                        &HookShowFpsSetting,
                                        &HookNothing,
                                        &HookNothing,
                                        &HookNothing};

} // namespace

DrawingHooks g_DrawingHooks = NO_DRAWING_HOOKS;

void ResetDrawingHooks() {
    g_DrawingHooks = NO_DRAWING_HOOKS;
}

unsigned FrameLoopUntilQuit() {
    win::MSG msg;
    for (;;) {
        while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
            if (msg.message == win::WM_QUIT) return 0;
        WaitFrame();
        RestoreSurfaces();
        UpdateInput(g_Inputs);
        PresentFrame();
    }
}
