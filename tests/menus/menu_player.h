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
#include "fixtures/in_process_player.h"
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

class MenuPlayer : public fixtures::InProcessPlayer {
  protected:
    void TearDown() override {
        if (m_Wnd) Stop();
        InProcessPlayer::TearDown();
        g_nPlayMode = g_nGameMode = g_bRanking = 0;
        g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene = g_SceneManager.g_nPrevScene = 0;
        g_SaveData = cSaveData();
        g_OptionData = cOptionData();
        ResetButtonLatches();
        unsetenv("MIRELDA4_ANSWERS");
    }

    // Starts the player (DirectDraw in a window unless told otherwise); true when start-up succeeded.
    bool Start(const std::string& ini = "Direct3D=0\r\nWindowMode=1\r\n") {
        const bool ok = StartPlayer(ini);
        ResetButtonLatches();
        return ok;
    }
    void Stop() {
        g_SceneManager.DeleteAll();
        StopPlayer();
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
};

} // namespace menus_test
