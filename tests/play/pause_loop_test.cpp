// The pause loop on its own thread: the game thread waits while the loop paces, samples scripted
// input, draws frozen frames and presents them until its wait is over or the program closes.
#include "play/pause_loop.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/input_script.h"
#include "app/scene.h"
#include "app/thread.h"
#include "fixtures/window_thread.h"
#include "objects/game_scene.h"
#include "platform/messages.h"
#include "platform/time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <memory>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_presents{0};
// Present number at which the test closes the program (0: never).
std::atomic<int> g_closeAtPresent{0};
std::vector<int> g_sounds;

bool CountPresent(int) {
    const int n = ++g_presents;
    if (g_closeAtPresent != 0 && n == g_closeAtPresent && g_lpGameScene) g_lpGameScene->m_bClosing = 1;
    return true;
}

win::LRESULT SoundProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 5) g_sounds.push_back(static_cast<int>(wParam));
    return 0;
}

class PauseLoopThread : public ::testing::Test {
  protected:
    void SetUp() override {
        win::ResetMessageModelForTests();
        g_hWnd = win::CreateMainWindowObject(&SoundProc);
        savedHooks = fixtures::UseDirect3DPresent(&CountPresent);
        g_bActive = 1;
        g_presents = 0;
        g_closeAtPresent = 0;
        g_sounds.clear();
        scene = std::make_unique<cGameScene>();
        g_lpGameScene = scene.get();
    }
    void TearDown() override {
        SetInputScript(nullptr);
        win::UseManualClock(nullptr);
        scene.reset();
        g_DrawingHooks = savedHooks;
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        g_bActive = 0;
        win::ResetMessageModelForTests();
    }
    void Script(const char* text) {
        auto s = std::make_unique<cInputScript>();
        ASSERT_TRUE(s->Parse(text, nullptr));
        SetInputScript(std::move(s));
    }
    // The game thread's side: start the loop and wait for it. This thread serves the sounds the loop
    // asks the main window for. False when the loop did not end within a generous limit.
    bool RunWait() {
        std::atomic<bool> done{false};
        std::atomic<bool> started{false};
        std::thread game([&] {
            started = RunPauseLoop(*scene);
            done = true;
        });
        fixtures::ServeWindowUntil(done);
        if (!done) {
            thPause.Exit();
            game.join();
            return false;
        }
        game.join();
        return started;
    }
    DrawingHooks savedHooks{};
    std::unique_ptr<cGameScene> scene;
};

TEST_F(PauseLoopThread, TimedWaitDrawsItsDelayThenEnds) {
    SetPauseWait(*scene, 0, 0, 0, 0);
    scene->m_nWaitDelay = 5;
    ASSERT_TRUE(RunWait());
    EXPECT_EQ(g_presents, 5);
    EXPECT_EQ(scene->m_nWaitFrames, -1);
    EXPECT_EQ(scene->m_bWaitClosed, 0);
    EXPECT_TRUE(g_sounds.empty());

    g_presents = 0;
    SetPauseWait(*scene, 0, 0, 30, 0); // a 30-frame notice
    ASSERT_TRUE(RunWait());
    EXPECT_EQ(g_presents, 30);
}

// A timed wait as long or as short as an int holds: the count stops at its end rather than
// passing the smallest int (which would wrap into a wait of years).
TEST_F(PauseLoopThread, TimedWaitsOfAnyLengthEnd) {
    struct Case {
        int frames;
        int presents;
        int left;
    };
    const Case cases[] = {
        {3, 3, -1}, {0, 0, -1}, {-1, 0, -2}, {INT_MIN + 1, 0, INT_MIN}, {INT_MIN, 0, INT_MIN}};
    for (const Case& c : cases) {
        g_presents = 0;
        SetPauseWait(*scene, 0, 0, c.frames, 0);
        ASSERT_TRUE(RunWait()) << c.frames;
        EXPECT_EQ(g_presents, c.presents) << c.frames;
        EXPECT_EQ(scene->m_nWaitFrames, c.left) << c.frames;
    }
}

// A frame limit set from inside the process counts the frames presented from then on: a wait
// longer than the limit ends at it, a shorter one runs whole, and no limit leaves the wait alone.
// Frames presented before the limit was set do not count against it.
TEST_F(PauseLoopThread, FrameLimitSetInProcessEndsTheWaitAtItsFrame) {
    const struct {
        unsigned limit;
        int waitFrames;
        int presents;
    } cases[] = {{12, 1000, 12}, {40, 30, 30}, {0, 30, 30}, {1, 1000, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        SetFrameLimit(5);
        SetPauseWait(*scene, 0, 0, 10, 0);
        ASSERT_TRUE(RunWait());
        g_presents = 0;
        SetFrameLimit(c.limit);
        SetPauseWait(*scene, 0, 0, c.waitFrames, 0);
        ASSERT_TRUE(RunWait());
        EXPECT_EQ(g_presents, c.presents);
        EXPECT_EQ(FrameLimitReached(), c.limit != 0 && c.presents >= static_cast<int>(c.limit));
    }
    SetFrameLimit(0);
}

// The frame that ends a wait draws nothing but runs as every frame does: it counts against the
// frame limit, so that waits ending at once cannot hold a measured run past its limit; once the limit
// is reached no wait runs at all (its frame count is left as it was set).
TEST_F(PauseLoopThread, FramesThatDrawNothingCountAgainstTheLimit) {
    const struct {
        unsigned limit;
        int frames;            // of each wait
        std::vector<int> left; // the frame count after each wait
        int reachedAfter;      // the wait after which the limit is reached
    } cases[] = {
        {3, 0, {-1, -1, -1, 0, 0}, 3},       // one frame each, none presented
        {4, 1, {-1, -1, 1, 1}, 2},           // one presented, one that ends it
        {0, 0, {-1, -1, -1, -1, -1, -1}, 0}, // no limit: every wait runs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        SetFrameLimit(c.limit);
        int reachedAfter = 0;
        for (std::size_t i = 0; i < c.left.size(); ++i) {
            SetPauseWait(*scene, 0, 0, c.frames, 0);
            ASSERT_TRUE(RunWait());
            EXPECT_EQ(scene->m_nWaitFrames, c.left[i]) << "wait " << i + 1;
            if (reachedAfter == 0 && FrameLimitReached()) reachedAfter = static_cast<int>(i) + 1;
        }
        EXPECT_EQ(reachedAfter, c.reachedAfter);
    }
    // Five waits of INT_MIN frames reach a limit of 5 with the fifth.
    SetFrameLimit(5);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_FALSE(FrameLimitReached()) << i;
        SetPauseWait(*scene, 0, 0, INT_MIN, 0);
        ASSERT_TRUE(RunWait());
    }
    EXPECT_TRUE(FrameLimitReached());
    SetFrameLimit(0);
}

TEST_F(PauseLoopThread, ConfirmCountsOnlyOnThePressEdge) {
    struct Case {
        int kind;
        int sound;
    };
    for (const Case c : {Case{1, 12}, Case{0, 1}}) {
        g_presents = 0;
        g_sounds.clear();
        // Held from the first frame through the delay and beyond, released, then pressed again.
        Script("15 0 1\n2 0 0\n1 0 1\n");
        SetPauseWait(*scene, c.kind, 1, 0, 0);
        EXPECT_EQ(scene->m_nWaitDelay, c.kind == 1 ? 10 : 0);
        ASSERT_TRUE(RunWait());
        EXPECT_EQ(g_presents, 17) << "kind " << c.kind;
        EXPECT_EQ(scene->m_bWaitClosed, 1);
        EXPECT_EQ(g_sounds, std::vector<int>{c.sound});
    }
}

TEST_F(PauseLoopThread, ClosingStopsTheDrawingAndEndsTheLoopByItself) {
    win::ManualClock clock;
    win::UseManualClock(&clock);
    SetPauseWait(*scene, 1, 1, 0, 0); // waits for a confirm that never comes
    g_closeAtPresent = 3;
    ASSERT_TRUE(RunWait());
    EXPECT_EQ(g_presents, 3);
    EXPECT_EQ(scene->m_bWaitClosed, 0);
    EXPECT_GE(clock.now.load(), 2000u);
    EXPECT_FALSE(thPause.HasThread());

    // A scene already closing starts no loop at all.
    g_presents = 0;
    EXPECT_EQ(PauseLoop(nullptr), 0u);
    EXPECT_EQ(g_presents, 0);
}

} // namespace
