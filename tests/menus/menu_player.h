// The player started in this process on the demo project (dummy video and audio): the menu tests
// run its scenes frame by frame through the scene manager with input written into player 1's
// record, and read the presented frames back.
#pragma once

#include "tools/demo_project.h"

#include "app/globals.h"
#include "app/input.h"
#include "app/scene.h"
#include "draw/draw.h"
#include "draw/dd_palette_fx.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "menus/menu_frame.h"
#include "platform/gfx/presenter.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "project/option_data.h"
#include "project/save_data.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "shell/init_game.h"
#include "shell/main_window.h"
#include "shell/win_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace menus_test {

namespace fs = std::filesystem;

class MenuPlayer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_Dir = std::make_unique<fixtures::TempDir>();
        s_Written = demo_project::Write(s_Dir->path().string());
        std::copy(std::begin(g_FontDefs), std::end(g_FontDefs), s_FontDefs);
    }
    static void TearDownTestSuite() { s_Dir.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_Written);
        m_Cd = std::make_unique<fixtures::ScopedCurrentDir>(s_Dir->path());
        fs::remove_all("user_data");
        fs::remove("Report_Game.txt");
    }
    void TearDown() override {
        if (m_Wnd) Stop();
        m_Cd.reset();
        std::copy(std::begin(s_FontDefs), std::end(s_FontDefs), g_FontDefs);
        g_nPlayMode = g_nGameMode = g_bRanking = 0;
        g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene = g_SceneManager.g_nPrevScene = 0;
        g_SaveData = cSaveData();
        g_OptionData = cOptionData();
        ResetButtonLatches();
        unsetenv("MIRELDA4_ANSWERS");
    }

    // Starts the player (DirectDraw in a window unless told otherwise) with the scene manager on
    // `scene`; true when start-up succeeded.
    bool Start(const std::string& ini = "Direct3D=0\r\nWindowMode=1\r\n") {
        std::ofstream("System.ini", std::ios::binary) << ini << "Exit\r\n";
        EXPECT_TRUE(ReportOpen("Report_Game.txt"));
        m_Wnd = win::CreateMainWindowObject(&MainWndProc);
        EXPECT_TRUE(win::CreateMainWindow(m_Wnd, "", 100, 100, 640, 480));
        g_hMainWnd = m_Wnd;
        const bool ok = InitGame("", 10);
        ResetButtonLatches();
        return ok;
    }
    void Stop() {
        g_SceneManager.DeleteAll();
        UnInitGame();
        win::ReleaseMainWindow(m_Wnd);
        g_hMainWnd = nullptr;
        g_hWnd = nullptr;
        win::DestroyMainWindowObject(m_Wnd);
        m_Wnd = nullptr;
    }

    // One frame of the scene manager with these keys held.
    void Frame(std::uint16_t dir = 0, std::uint16_t buttons = 0) {
        cInputRecord& rec = g_Inputs.at(0);
        rec.wDir = dir;
        rec.wButtons = buttons;
        g_SceneManager.SwitchAndRun();
    }
    // A press of one frame, then a frame with nothing held.
    void Press(std::uint16_t dir, std::uint16_t buttons = 0) {
        Frame(dir, buttons);
        Frame();
    }
    void Confirm() { Press(0, MENU_CONFIRM); }
    void Cancel() { Press(0, MENU_CANCEL); }
    // Frames with nothing held until the current scene's state is `state` (at most `limit` frames).
    bool RunUntilState(int state, int limit = 200) {
        for (int i = 0; i < limit; ++i) {
            cScene* s = g_SceneManager.SceneAt(g_SceneManager.g_nSceneIndex);
            if (s && s->m_nState == state) return true;
            Frame();
        }
        return false;
    }
    // Frames until the scene manager has moved to `scene` and it has faded in.
    bool RunUntilScene(int scene, int limit = 300) {
        for (int i = 0; i < limit; ++i) {
            cScene* s = g_SceneManager.SceneAt(g_SceneManager.g_nSceneIndex);
            if (g_SceneManager.g_nSceneIndex == scene && s && s->m_nState == 1) return true;
            Frame();
        }
        return false;
    }
    template <class T> T* Scene() {
        return dynamic_cast<T*>(g_SceneManager.SceneAt(g_SceneManager.g_nSceneIndex));
    }
    void Enter(int scene) {
        g_SceneManager.g_nSceneIndex = scene;
        g_SceneManager.g_nNextScene = scene;
    }

    // The back buffer as presented: a 64-bit FNV-1a of its 640 x 480 pixels (0x00RRGGBB).
    static std::uint64_t FrameSum() {
        if (lpDTCon)
            DDPresent(0, 0, nullptr);
        else
            DDPresentDirectDraw(1);
        std::vector<std::uint32_t> frame;
        int w = 0, h = 0;
        EXPECT_TRUE(gfx::ReadLastFrame(frame, w, h));
        std::uint64_t sum = 1469598103934665603ull;
        for (std::uint32_t p : frame) {
            p &= 0xFFFFFF;
            for (int i = 0; i < 4; ++i) {
                sum ^= (p >> (8 * i)) & 0xFF;
                sum *= 1099511628211ull;
            }
        }
        return sum;
    }

    win::HWND m_Wnd = nullptr;
    std::unique_ptr<fixtures::ScopedCurrentDir> m_Cd;
    static inline std::unique_ptr<fixtures::TempDir> s_Dir;
    static inline bool s_Written = false;
    static inline FONTDEF s_FontDefs[FONT_COUNT];
};

} // namespace menus_test
