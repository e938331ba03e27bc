#include "app/game_loop.h"
#include "app/globals.h"
#include "app/log.h"
#include "play/play_scene.h"
#include "shell/scene_env.h"
#include "app/scene.h"
#include "shell/main_window.h"
#include "shell/win_main.h"
#include "shell/window_data.h"
#include "app/system_ini.h"
#include "app/thread.h"
#include "draw/draw.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/presenter.h"
#include "platform/messages.h"
#include "platform/threads.h"
#include "platform/time.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace std::chrono;

namespace {

std::atomic<int> g_closes{0};
std::atomic<bool> g_sending{false};

win::LRESULT CountingProc(win::HWND h, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    if (msg == win::WM_CLOSE) ++g_closes;
    return MainWndProc(h, msg, w, l);
}

// A worker that keeps sending requests to the main window until it is told to quit.
unsigned SendingWorker(void*) {
    win::MSG msg;
    for (;;) {
        while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
            if (msg.message == win::WM_QUIT) return 1;
        g_sending = true;
        win::SendMessage(g_hWnd, win::WM_NULL, 0, 0);
    }
}

// The game thread inside a frame that shows the pause loop: it waits for the loop, then closes
// again when the play scene was told to quit, and goes on until it is stopped.
unsigned GameWaitingForPause(void*) {
    win::MSG msg;
    win::PeekMessage(&msg, nullptr, 0, 0, win::PM_NOREMOVE); // the queue exists from here on
    StartThreadWithQueue(thPause, &PauseLoop, g_lpGameScene, true);
    thPause.Wait();
    if (g_lpGameScene->m_bClosing) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
    for (;;) {
        while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
            if (msg.message == win::WM_QUIT) return 1;
        win::Sleep(1);
    }
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/m4mainwndXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::filesystem::create_directories(dir / "user_data");
        win::ResetMessageModelForTests();
        ResetMainWindowStateForTests();
        ASSERT_TRUE(ReportOpen((dir / "Report_Game.txt").c_str()));
        g_closes = 0;
        g_sending = false;
        hwnd = win::CreateMainWindowObject(&CountingProc);
        ASSERT_TRUE(win::CreateMainWindow(hwnd, "", 100, 100, 640, 480));
        g_hWnd = hwnd;
        g_hMainWnd = hwnd;
        g_SystemIni.WindowMode = 0;
        g_bInitialised = 1;
    }
    void TearDown() override {
        thStageLoad.Exit();
        thPause.Exit();
        thRanking.Exit();
        thGame.Exit();
        g_SceneManager.DeleteAll();
        win::ReleaseMainWindow(hwnd);
        win::DestroyMainWindowObject(hwnd);
        g_hWnd = nullptr;
        g_hMainWnd = nullptr;
        g_bInitialised = 0;
        g_SystemIni = cSystemIni{};
        win::ResetMessageModelForTests();
        ReportOpen("");
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
    }
    std::string ReadFile(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Runs the window thread's loop until WM_QUIT or the time limit; true on WM_QUIT.
    bool PumpUntilQuit(milliseconds limit) {
        auto until = steady_clock::now() + limit;
        win::MSG msg;
        while (steady_clock::now() < until) {
            if (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
                if (msg.message == win::WM_QUIT) return true;
                win::DispatchMessage(&msg);
            } else {
                std::this_thread::sleep_for(milliseconds(1));
            }
        }
        return false;
    }
    win::HWND hwnd = nullptr;
    std::filesystem::path dir, oldCwd;
};

} // namespace

TEST_F(MainWindow, CloseWhileAWorkerWaitsInSendMessageEndsAtOnce) {
    ASSERT_TRUE(StartThreadWithQueue(thGame, &SendingWorker, nullptr, false));
    while (!g_sending)
        std::this_thread::sleep_for(milliseconds(1));
    std::this_thread::sleep_for(milliseconds(20)); // the worker now waits for this thread
    auto t0 = steady_clock::now();
    EXPECT_EQ(MainWndProc(hwnd, win::WM_CLOSE, 0, 0), 0);
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 150);
    EXPECT_FALSE(thGame.HasThread());
    EXPECT_EQ(ReadFile(dir / "Report_Game.txt").find("did not end"), std::string::npos);
    EXPECT_EQ(g_hWnd, nullptr); // WM_DESTROY ran
    win::MSG msg;
    ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.message, win::WM_QUIT);
}

// DirectDraw in a window: the window's repaint (an exposure after a box, say) comes while the game
// thread draws the next frame, whose draws the back buffer keeps back until they are needed. The
// repaint shows the last finished frame and never reads the back buffer, whose list of kept draws
// the game thread is growing meanwhile.
TEST_F(MainWindow, RepaintWhileTheGameThreadDrawsAFrame) {
    gfx::SetDisplayBitsPerPixel(32);
    DDInstallFrameHooks();
    ASSERT_TRUE(DDInit(0, hwnd, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0));
    std::atomic<int> framesLeft{60};
    std::thread game([&] {
        for (; framesLeft > 0; --framesLeft) {
            DDClear(&g_BackBuffer, 0); // the frame covers the whole back buffer
            for (int i = 0; i < 400; ++i)
                DDFillRect(&g_BackBuffer, (i * 37) % 600, (i * 53) % 440, 40, 40, 1 + i % 7);
            DDPresentDirectDraw(1);
        }
    });
    int repaints = 0;
    while (framesLeft > 0 || repaints == 0) {
        EXPECT_EQ(MainWndProc(hwnd, win::WM_PAINT, 0, 0), 0);
        ++repaints;
    }
    game.join();
    // The last frame reached the window whole.
    std::vector<std::uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(gfx::ReadLastFrame(frame, w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    DDEnd();
    ResetDrawingHooks();
}

TEST_F(MainWindow, CloseWhileThePauseLoopRunsEndsItFirstThenClosesAgain) {
    InstallSceneEnv();
    g_SceneManager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    ASSERT_TRUE(StartThreadWithQueue(thGame, &GameWaitingForPause, nullptr, false));
    auto until = steady_clock::now() + seconds(2);
    while (!thPause.HasThread() && steady_clock::now() < until)
        std::this_thread::sleep_for(milliseconds(1));
    ASSERT_TRUE(thPause.HasThread());
    win::PostMessage(hwnd, win::WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntilQuit(seconds(2)));
    EXPECT_EQ(g_closes.load(), 2);
    EXPECT_EQ(g_lpGameScene->m_bClosing, 1);
    EXPECT_FALSE(thPause.HasThread());
    EXPECT_FALSE(thGame.HasThread());
    EXPECT_EQ(ReadFile(dir / "Report_Game.txt").find("did not end"), std::string::npos);
}

TEST_F(MainWindow, EscapeClosesAndActivationIsFollowed) {
    MainWndProc(hwnd, win::WM_KEYDOWN, 'A', 0);
    MainWndProc(hwnd, win::WM_KEYDOWN, win::VK_ESCAPE, 0);
    win::MSG msg;
    ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.message, win::WM_CLOSE);
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE));
    MainWndProc(hwnd, win::WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(g_bActive.load(), 1);
    MainWndProc(hwnd, win::WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(g_bActive.load(), 0);
}

TEST_F(MainWindow, PlacementIsSavedOnlyForAWindowAfterStartUpAndRestored) {
    win::MoveWindow(hwnd, 120, 90);
    MainWndProc(hwnd, win::WM_SIZE, 0, (600 << 16) | 800);
    const auto file = dir / "user_data" / "Window.dat";

    g_SystemIni.WindowMode = 0;
    MainWndProc(hwnd, win::WM_CLOSE, 0, 0);
    EXPECT_FALSE(std::filesystem::exists(file));

    win::ResetMessageModelForTests();
    ASSERT_TRUE(win::CreateMainWindow(hwnd, "", 100, 100, 640, 480));
    g_SystemIni.WindowMode = 1;
    g_bInitialised = 0;
    MainWndProc(hwnd, win::WM_CLOSE, 0, 0);
    EXPECT_FALSE(std::filesystem::exists(file));

    win::ResetMessageModelForTests();
    ASSERT_TRUE(win::CreateMainWindow(hwnd, "", 100, 100, 640, 480));
    win::MoveWindow(hwnd, 120, 90);
    g_bInitialised = 1;
    MainWndProc(hwnd, win::WM_CLOSE, 0, 0);
    cWindowData saved;
    ASSERT_TRUE(saved.LoadFile("user_data\\Window.dat"));
    EXPECT_EQ(saved.m_nX, 120);
    EXPECT_EQ(saved.m_nY, 90);
    EXPECT_EQ(saved.m_nWidth, 800);
    EXPECT_EQ(saved.m_nHeight, 600);
    EXPECT_EQ(saved.m_bZoomed, 0);

    // The next start puts the window there again.
    win::ResetMessageModelForTests();
    ASSERT_TRUE(win::CreateMainWindow(hwnd, "", 100, 100, 640, 480));
    EXPECT_FALSE(RestoreWindowPlacement(hwnd));
    win::RECT r;
    ASSERT_TRUE(win::GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 90);
    EXPECT_EQ(r.right - r.left, 640); // only a resizable Direct3D window takes the size
    g_SystemIni.Direct3D = 1;
    g_SystemIni.WindowMode = 2;
    EXPECT_FALSE(RestoreWindowPlacement(hwnd));
    ASSERT_TRUE(win::GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
    g_SystemIni.WindowMode = 0;
    win::MoveWindow(hwnd, 5, 5);
    EXPECT_FALSE(RestoreWindowPlacement(hwnd));
    ASSERT_TRUE(win::GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.left, 5);
}
