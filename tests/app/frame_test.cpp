#include "app/game_loop.h"
#include "app/play_se.h"
#include "app/scene.h"
#include "app/thread.h"
#include "platform/time.h"
#include "shell_test_support.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

bool g_directDraw = false;
bool g_direct3D = true;
bool g_restoreOk = true;
int g_showFps = 0;
int g_presents = 0;
std::vector<std::string> g_fpsTexts;

bool DirectDrawActive() {
    return g_directDraw;
}
bool Direct3DActive() {
    return g_direct3D;
}
bool Restore() {
    return g_restoreOk;
}
bool Present3D(int rate) {
    ++g_presents;
    while (!DrawFpsAverage(rate, 0, 0))
        win::Sleep(1);
    return true;
}
void PresentDD() {
    ++g_presents;
}
void FpsText(int, const std::string& text) {
    g_fpsTexts.push_back(text);
}
int ShowFps() {
    return g_showFps;
}

// A scene whose frame takes g_workMs milliseconds of the manual clock and does g_frameWork.
win::ManualClock* g_clock = nullptr;
win::DWORD g_workMs = 0;
std::function<void()> g_frameWork;
class WorkingScene : public cScene {
  public:
    void Run() override {
        g_clock->Advance(g_workMs);
        if (g_frameWork) g_frameWork();
    }
};
class WorkingSceneEnv : public cSceneEnv {
  public:
    cScene* CreateScene(int) const override { return new WorkingScene; }
};
const WorkingSceneEnv g_workingSceneEnv;

class FrameLoop : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        ShellFixture::SetUp();
        clock.now = 0;
        clock.sleepAdvances = true;
        win::UseManualClock(&clock);
        g_clock = &clock;
        ResetFrameTimers();
        SetSceneEnv(&g_workingSceneEnv);
        g_directDraw = false;
        g_direct3D = true;
        g_restoreOk = true;
        g_showFps = 0;
        g_presents = 0;
        g_fpsTexts.clear();
        g_DrawingHooks.direct3DActive = &Direct3DActive;
        g_DrawingHooks.directDrawActive = &DirectDrawActive;
        g_DrawingHooks.restoreSurfaces = &Restore;
        g_DrawingHooks.presentDirect3D = &Present3D;
        g_DrawingHooks.presentDirectDraw = &PresentDD;
        g_DrawingHooks.drawFpsText = &FpsText;
        g_DrawingHooks.showFpsSetting = &ShowFps;
        g_SceneManager.g_nFrameRate = 60;
        g_SceneManager.g_nSceneIndex = SCENE_TITLE;
    }
    void TearDown() override {
        g_frameWork = nullptr;
        win::UseManualClock(nullptr);
        ResetDrawingHooks();
        SetSceneEnv(nullptr);
        g_SceneManager.DeleteAll();
        g_bActive = 0;
        ShellFixture::TearDown();
    }
    win::ManualClock clock;
};

} // namespace

TEST_F(FrameLoop, FrameTimerDueFirstAtOnceThenAfterTheWholePeriod) {
    EXPECT_TRUE(FrameTimerDue(0));
    clock.now = 1000;
    EXPECT_TRUE(FrameTimerDue(60));
    clock.now = 1015;
    EXPECT_FALSE(FrameTimerDue(60));
    clock.now = 1016;
    EXPECT_TRUE(FrameTimerDue(60));
    // The next deadline counts from the moment the wait ended: a late frame delays the rest.
    clock.now = 1040;
    EXPECT_TRUE(FrameTimerDue(60));
    clock.now = 1055;
    EXPECT_FALSE(FrameTimerDue(60));
    clock.now = 1056;
    EXPECT_TRUE(FrameTimerDue(60));
}

TEST_F(FrameLoop, FrameTimerDueSurvivesTheCounterWrapping) {
    clock.now = 0xFFFFFFF8u;
    EXPECT_TRUE(FrameTimerDue(60)); // deadline 8 ms after the wrap
    clock.now = 0xFFFFFFFFu;
    EXPECT_FALSE(FrameTimerDue(60));
    clock.now = 7;
    EXPECT_FALSE(FrameTimerDue(60));
    clock.now = 8;
    EXPECT_TRUE(FrameTimerDue(60));
}

TEST_F(FrameLoop, MeasureFpsPublishesCompleteSeconds) {
    for (unsigned t = 0; t <= 2100; t += 16) {
        clock.now = t;
        unsigned fps = MeasureFps(1);
        if (t == 992) {
            EXPECT_EQ(fps, 0u);
        }
        if (t == 1008) {
            EXPECT_EQ(fps, 63u);
        }
        if (t == 2016) {
            EXPECT_EQ(fps, 62u);
        }
    }
    EXPECT_EQ(MeasureFps(0), 62u);
}

TEST_F(FrameLoop, DirectDrawPacingRunsAtMost62AndAHalfFramesASecond) {
    g_directDraw = true;
    g_direct3D = false;
    int frames = 0;
    while (clock.now < 10000) {
        WaitFrame();
        if (clock.now < 10000) ++frames;
    }
    EXPECT_EQ(frames, 625); // one frame every 16 ms
    // Direct3D pacing only: DrawFpsAverage is always due under DirectDraw.
    EXPECT_TRUE(DrawFpsAverage(60, 0, 0));
}

TEST_F(FrameLoop, Direct3DPacingRunsExactlyTheRate) {
    EXPECT_TRUE(DrawFpsAverage(0, 0, 0));
    clock.now = 0xFFFFF000u; // 4096 ms before the counter wraps
    win::DWORD start = clock.now;
    int frames = 0;
    while (static_cast<win::DWORD>(clock.now - start) < 10000) {
        if (DrawFpsAverage(60, 0, 0))
            ++frames;
        else
            win::Sleep(1);
    }
    EXPECT_EQ(frames, 600);
}

TEST_F(FrameLoop, RunFrameCountsRunsTheSceneAndShowsTheRate) {
    g_showFps = 1;
    for (int i = 0; i < 16; ++i) {
        g_workMs = static_cast<win::DWORD>(i < 8 ? 4 : 6);
        ASSERT_TRUE(RunFrame());
    }
    EXPECT_EQ(g_nFrameCount.load(), 16u);
    EXPECT_EQ(g_presents, 16);
    ASSERT_NE(g_SceneManager.SceneAt(SCENE_TITLE), nullptr);
    ASSERT_EQ(g_fpsTexts.size(), 16u);
    // The first 15 frames show the average 0; the 16th the average of 16 frame times.
    EXPECT_EQ(g_fpsTexts[14], "FPS 0( 0)");
    EXPECT_EQ(g_fpsTexts[15], "FPS 0( 5)"); // (8 x 4 + 8 x 6) / 16
    EXPECT_EQ(FpsAverage(), 5);
    EXPECT_EQ(g_nFrameMs, 6u);
    g_showFps = 0;
    RunFrame();
    EXPECT_EQ(g_fpsTexts.size(), 16u);
}

TEST_F(FrameLoop, FailedRestoreUnderDirectDrawEndsTheFrame) {
    g_directDraw = true;
    g_direct3D = false;
    g_restoreOk = false;
    EXPECT_FALSE(RunFrame());
    EXPECT_EQ(g_presents, 0);
    EXPECT_EQ(RestoreSurfaces(), false);
    g_directDraw = false;
    EXPECT_TRUE(RestoreSurfaces()); // nothing to restore under Direct3D
}

TEST_F(FrameLoop, GameLoopRunsFramesOnlyWhileActiveAndEndsOnQuit) {
    win::UseManualClock(nullptr);
    g_DrawingHooks.presentDirect3D = [](int) { return true; };
    g_bActive = 0;
    cThread game;
    ASSERT_TRUE(StartThreadWithQueue(game, &GameLoop, nullptr, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(g_nFrameCount.load(), 0u);
    g_bActive = 1;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (g_nFrameCount < 10 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(g_nFrameCount.load(), 10u);
    game.Exit();
    EXPECT_FALSE(game.HasThread());
    EXPECT_NE(ReportText().find("GameLoop : "), std::string::npos);
    EXPECT_NE(ReportText().find(" ms, median frame "), std::string::npos);
    EXPECT_EQ(TakeCloses(), 0);
}

// The median of the frames' work is the middle frame's (the lower middle one of an even count), at
// the middle of its 50-microsecond step; frames past the last step count there.
TEST(FrameWorkMedian, TheMiddleFrameOfAnyCountAndLength) {
    using us = std::chrono::microseconds;
    struct Case {
        std::vector<int> framesUs;
        double medianMs;
    };
    const Case cases[] = {
        {{}, 0},
        {{4000}, 4.025},
        {{100, 4000, 900000}, 4.025},
        {{900000, 100, 4000}, 4.025},
        {{100, 4000, 5000, 900000}, 4.025},
        {{100, 149, 200}, 0.125},
        {{900000, 800000, 4000}, 200.025},
        {{0, 0, 49}, 0.025},
    };
    for (const Case& c : cases) {
        cFrameWorkMedian median;
        for (int t : c.framesUs)
            median.Add(us(t));
        EXPECT_EQ(median.Frames(), c.framesUs.size());
        EXPECT_DOUBLE_EQ(median.MedianMs(), c.medianMs) << ::testing::PrintToString(c.framesUs);
    }
}

TEST_F(FrameLoop, GameLoopClosesTheProgramWhenAFrameFails) {
    win::UseManualClock(nullptr);
    g_directDraw = true;
    g_direct3D = false;
    g_restoreOk = false;
    g_bActive = 1;
    cThread game;
    ASSERT_TRUE(StartThreadWithQueue(game, &GameLoop, nullptr, false));
    game.Wait();
    EXPECT_EQ(TakeCloses(), 1);
}

// Sleeping until a frame is due takes every frame at the same millisecond as looking every
// millisecond did, for both timers, also across the counter's wrap.
TEST_F(FrameLoop, SleepingUntilDueKeepsThePolledSchedule) {
    struct Timer {
        const char* name;
        bool directDraw;
    };
    for (const Timer t : {Timer{"frame timer", true}, Timer{"present pacing", false}}) {
        SCOPED_TRACE(t.name);
        auto run = [&](bool poll) {
            g_directDraw = t.directDraw;
            g_direct3D = !t.directDraw;
            ResetFrameTimers();
            clock.now = 0xFFFFF800u; // the counter wraps within the run
            clock.sleeps = 0;
            std::vector<win::DWORD> taken;
            for (int n = 0; n < 300; ++n) {
                if (poll) {
                    while (!(t.directDraw ? FrameTimerDue(60) : DrawFpsAverage(60, 0, 0)))
                        win::Sleep(1);
                } else if (t.directDraw) {
                    WaitFrameTimer(60);
                } else {
                    WaitPresentDue(60);
                }
                taken.push_back(clock.now);
                clock.Advance(n % 7); // frames of different lengths
            }
            return std::pair(taken, clock.sleeps.load());
        };
        const auto [polled, polls] = run(true);
        const auto [slept, sleeps] = run(false);
        EXPECT_EQ(slept, polled);
        EXPECT_LT(sleeps, polls / 4); // one sleep a frame instead of one a millisecond
    }
}

TEST_F(FrameLoop, SleepUntilMovesTheClockOnlyForward) {
    clock.now = 0xFFFFFFF0u;
    win::SleepUntil(0x10u); // after the wrap
    EXPECT_EQ(clock.now.load(), 0x10u);
    win::SleepUntil(0x08u); // already reached
    EXPECT_EQ(clock.now.load(), 0x10u);
    win::UseManualClock(nullptr);
    const win::DWORD when = win::timeGetTime() + 3;
    win::SleepUntil(when);
    EXPECT_GE(static_cast<std::int32_t>(win::timeGetTime() - when), 0);
}

namespace {

// A window thread of its own for the sound requests: what it was asked for (a sound, or 100 + a
// music context), each with the frame that was running when it took it. It holds the first sound
// until the game thread has gone on past it.
struct WindowSide {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::pair<long, unsigned>> heard;
    bool released = false;
    bool heldTooLong = false;

    bool Heard(std::size_t count) {
        std::unique_lock hold(lock);
        return changed.wait_for(hold, std::chrono::seconds(5), [&] { return heard.size() >= count; });
    }
    void Release() {
        std::lock_guard hold(lock);
        released = true;
        changed.notify_all();
    }
};
WindowSide* g_side = nullptr;

win::LRESULT WindowSideProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg != win::WM_USER + 5 && msg != win::WM_USER + 6) return 0;
    const long request = static_cast<long>(wParam) + (msg == win::WM_USER + 6 ? 100 : 0);
    std::unique_lock hold(g_side->lock);
    g_side->heard.emplace_back(request, g_nFrameCount.load());
    g_side->changed.notify_all();
    if (g_side->heard.size() == 1 &&
        !g_side->changed.wait_for(hold, std::chrono::seconds(5), [] { return g_side->released; }))
        g_side->heldTooLong = true;
    return 0;
}

// Long enough for the window thread to be back asleep after what it was given.
void LetTheWindowThreadSleep() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

} // namespace

// The sounds a frame plays reach the window thread in the order they were asked for, the frame's
// music request among them, while the frame goes on without waiting for them: the frame's first sound
// as it is asked for (a long step after it does not hold it), every other one by the frame's end.
TEST_F(FrameLoop, SoundsReachTheWindowThreadInOrderWithinTheirFrameWithoutHoldingIt) {
    WindowSide side;
    g_side = &side;
    std::atomic<win::HWND> window{nullptr};
    std::thread windowThread([&] {
        const win::HWND made = win::CreateMainWindowObject(&WindowSideProc);
        window = made;
        win::MSG m;
        while (win::GetMessage(&m, nullptr, 0, 0))
            win::DispatchMessage(&m);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!window && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_NE(window.load(), nullptr);
    const win::HWND own = g_hWnd;
    g_hWnd = window;

    g_frameWork = [&] {
        PlaySe(1);
        EXPECT_TRUE(side.Heard(1));
        // Asked for while the window thread still holds sound 1, and the music after them.
        PlaySe(2);
        PlayUserSe(1);
        std::thread release([&] {
            LetTheWindowThreadSleep();
            side.Release();
        });
        win::SendMessage(g_hWnd, win::WM_USER + 6, 4, 0);
        release.join();
        LetTheWindowThreadSleep();
        PlaySe(5);
    };
    ASSERT_TRUE(RunFrame());
    EXPECT_TRUE(side.Heard(5));
    g_frameWork = [&] {
        LetTheWindowThreadSleep();
        PlaySe(6);
        EXPECT_TRUE(side.Heard(6));
        LetTheWindowThreadSleep();
        PlaySe(7);
    };
    ASSERT_TRUE(RunFrame());
    EXPECT_TRUE(side.Heard(7));

    EXPECT_FALSE(side.heldTooLong) << "the game thread waited for the window thread's sound";
    {
        std::lock_guard hold(side.lock);
        EXPECT_EQ(side.heard, (std::vector<std::pair<long, unsigned>>{
                                  {1, 1}, {2, 1}, {17, 1}, {104, 1}, {5, 1}, {6, 2}, {7, 2}}));
    }
    win::PostThreadMessage(win::GetWindowThreadId(window), win::WM_QUIT, 0, 0);
    windowThread.join();
    win::DestroyMainWindowObject(window);
    g_hWnd = own;
    g_side = nullptr;
}
