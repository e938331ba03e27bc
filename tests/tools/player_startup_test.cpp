// The player's start-up and shut-down, run in this process on the demo project with the dummy
// video and audio drivers: what the window shows (icon, resizable frame, a size kept to the
// desktop), the system surfaces that view others, and the lines of the report log.
#include "tools/demo_project.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/scene.h"
#include "app/log.h"
#include "draw/dd_startup.h"
#include "draw/draw.h"
#include "flow/cmd_hooks.h"
#include "flow/flow_engine.h"
#include "menus/menu_frame.h"
#include "objects/flow_calls.h"
#include "objects/object_hooks.h"
#include "objects/shot.h"
#include "fixtures/in_process_player.h"
#include "platform/gfx/presenter.h"
#include "platform/messages.h"
#include "platform/system_metrics.h"
#include "platform/window.h"
#include "platform/window_frame.h"
#include "play/draw_frame.h"
#include "play/hits.h"
#include "play/play_states.h"
#include "play/play_step.h"
#include "play/stage_clear.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"
#include "shell/init_game.h"
#include "shell/main_window.h"
#include "shell/win_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class PlayerStartUp : public fixtures::InProcessPlayer {
  protected:
    bool Start(const std::string& ini) { return StartPlayer(ini); }
    // Shuts down as the program does after its message loop; returns the report log.
    std::string Stop() {
        StopPlayer();
        std::ifstream in("Report_Game.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool Has(const std::string& report, const std::string& line) {
        return report.find(line + "\r\n") != std::string::npos ||
               report.find("\n" + line) != std::string::npos;
    }
    static bool HasPrefix(const std::string& report, const std::string& prefix) {
        return report.find("\n" + prefix) != std::string::npos;
    }
};

struct DisplayCase {
    const char* name;
    const char* ini;
    bool resizable;  // the window has a resizable frame
    bool fontLines;  // shut-down reports the glyph caches of fonts 0 and 1
    bool deviceCaps; // the display report describes the Direct3D device
};

const DisplayCase kCases[] = {
    {"Direct3DResizable", "Direct3D=1\r\nWindowMode=2\r\nD3D_FontCache=1\r\n", true, true, true},
    {"Direct3DFixedWindow", "Direct3D=1\r\nWindowMode=1\r\nD3D_FontCache=0\r\n", false, false, true},
    {"DirectDrawGlyphCaches", "Direct3D=0\r\nWindowMode=2\r\nDD_FontCache=1\r\n", false, true, false},
    {"DirectDrawNoCaches", "Direct3D=0\r\nWindowMode=1\r\nDD_FontCache=0\r\n", false, false, false},
};

class PlayerDisplays : public PlayerStartUp, public ::testing::WithParamInterface<DisplayCase> {};

} // namespace

TEST_P(PlayerDisplays, WindowFrameIconAndReportLines) {
    const DisplayCase& c = GetParam();
    ASSERT_TRUE(Start(c.ini));
    EXPECT_EQ(win::IsWindowResizable(m_Wnd), c.resizable);
    const win::HICON icon = win::GetWindowIcon(m_Wnd);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(win::IconWidth(icon), 32);
    EXPECT_EQ(win::IconHeight(icon), 32);

    const std::string report = Stop();
    EXPECT_EQ(HasPrefix(report, "Font10 : "), c.fontLines) << report;
    EXPECT_EQ(HasPrefix(report, "Font16 : "), c.fontLines) << report;
    // The device description: its capabilities and the table of the display format's uses.
    EXPECT_EQ(Has(report, "D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD"), c.deviceCaps) << report;
    EXPECT_EQ(Has(report, "D3DCAPS2_DYNAMICTEXTURES"), c.deviceCaps) << report;
    EXPECT_EQ(Has(report, "RE-SU× RE-TE○ "), c.deviceCaps) << report;
    EXPECT_EQ(Has(report, "AU-SU× AU-TE× "), c.deviceCaps) << report;
    EXPECT_EQ(HasPrefix(report, "VRAM Total : "), !c.deviceCaps) << report;
}

INSTANTIATE_TEST_SUITE_P(Settings, PlayerDisplays, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DisplayCase>& info) { return info.param.name; });

TEST_F(PlayerStartUp, MirroredViewsDrawTheirSourcesCellsTurnedRound) {
    ASSERT_TRUE(Start("Direct3D=1\r\nWindowMode=1\r\n"));
    // Character sheet 1 (surface 4) and its view with each 32-pixel cell mirrored (surface 5).
    const int sheets[] = {4, 5};
    ASSERT_TRUE(DDLoadSystemSurfaces(g_SystemSurfaces, sheets, 2));
    DDClear(&g_BackBuffer, 255);
    // The hero's first frame (cell 1), as it stands and through the view.
    DDBlt(&g_BackBuffer, 0, 0, 32, 32, &g_SystemSurfaces[4], 32, 0, 1);
    DDBlt(&g_BackBuffer, 100, 0, 32, 32, &g_SystemSurfaces[5], 32, 0, 1);
    ASSERT_TRUE(DDPresent(0, 0, nullptr));
    std::vector<std::uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(gfx::ReadLastFrame(frame, w, h));
    ASSERT_EQ(w, 640);
    const auto at = [&](int x, int y) { return frame[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF; };
    const std::uint32_t back = at(50, 50);
    int drawn = 0, mirrored = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            drawn += at(x, y) != back;
            mirrored += at(x, y) == at(100 + 31 - x, y);
        }
    EXPECT_GT(drawn, 100);
    EXPECT_EQ(mirrored, 32 * 32);
}

TEST_F(PlayerStartUp, AProjectsOwnTransparentColourKeysItsPicturesAtSixteenBits) {
    // A full-colour project whose transparent colour (0, 177, 0) is not the palette picture's
    // top-left pixel: at 16 bits that colour is the key the pictures are loaded with; an 8-bit
    // palette project keeps the picture's. The project's file is put back afterwards.
    const std::string file = "data/System.dat";
    const std::string saved = file + ".saved";
    fs::copy_file(file, saved, fs::copy_options::overwrite_existing);
    for (const int mode : {1, 0})
        for (const int d3d : {0, 1}) {
            cSystemData sd;
            ASSERT_TRUE(sd.LoadFile(saved));
            sd.m_nColourMode = mode;
            sd.m_byTransRed = 0;
            sd.m_byTransGreen = 177;
            sd.m_byTransBlue = 0;
            ASSERT_TRUE(sd.SaveFile(file));
            ASSERT_TRUE(Start("Direct3D=" + std::to_string(d3d) + "\r\nWindowMode=0\r\nBpp=16\r\n"));
            const RGBTRIPLE key = d3d ? lpDTCon->rgbTransmit16 : g_lpDDCon->rgbTransmit16;
            EXPECT_EQ(key.rgbtGreen == 177 && key.rgbtRed == 0 && key.rgbtBlue == 0, mode != 0)
                << "colour mode " << mode << ", Direct3D " << d3d;
            Stop();
        }
    fs::copy_file(saved, file, fs::copy_options::overwrite_existing);
    fs::remove(saved);
}

TEST_F(PlayerStartUp, AWindowSizeBeyondTheDesktopIsKeptToIt) {
    // A resizable Direct3D window placed at (10, 20) with a client area of 100000 x 100000.
    fs::create_directories("user_data");
    std::ofstream out("user_data/Window.dat", std::ios::binary);
    for (std::int32_t v : {732, 5, 10, 20, 100000, 100000, 0, 0})
        out.write(reinterpret_cast<const char*>(&v), 4);
    out.close();
    ASSERT_TRUE(Start("Direct3D=1\r\nWindowMode=2\r\n"));
    const int desktopW = win::GetSystemMetrics(win::SM_CXSCREEN);
    const int desktopH = win::GetSystemMetrics(win::SM_CYSCREEN);
    win::RECT rect;
    ASSERT_TRUE(win::GetWindowRect(m_Wnd, &rect));
    EXPECT_LE(rect.right - rect.left, desktopW);
    EXPECT_LE(rect.bottom - rect.top, desktopH);

    // The size the window reports, which the close stores, fits the desktop too.
    win::PumpWindowEvents();
    win::MSG msg;
    int sizes = 0;
    while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
        if (msg.message != win::WM_SIZE) continue;
        ++sizes;
        const auto lParam = static_cast<std::uint32_t>(msg.lParam);
        EXPECT_LE(static_cast<int>(lParam & 0xFFFF), desktopW);
        EXPECT_LE(static_cast<int>(lParam >> 16), desktopH);
    }
    EXPECT_GT(sizes, 0);
}

TEST_F(PlayerStartUp, TheWindowCarriesTheProjectsTitleBeforeTheDisplayIsChosen) {
    // A depth the desktop cannot give in a window is refused before the display is set up; the
    // refusal's box shows over a window that already carries the project's title.
    const int desktop = win::GetDesktopBitsPerPixel();
    const std::string ini =
        std::string("Direct3D=0\r\nWindowMode=1\r\nBpp=") + (desktop == 16 ? "32" : "16") + "\r\n";
    EXPECT_FALSE(Start(ini));
    EXPECT_FALSE(g_SystemData.m_strTitle.empty());
    EXPECT_EQ(win::GetWindowText(m_Wnd), g_SystemData.m_strTitle);
}

// ---- Every hook a lower layer leaves to a higher one is filled by the player itself ----

namespace {

// Converts to any pointer type, so that a hook table can be brace-initialised field by field.
struct AnyPointer {
    template <class T> operator T() const;
};

template <class T, class... A> constexpr int FieldCount() {
    if constexpr (requires { T{A{}..., AnyPointer{}}; })
        return FieldCount<T, A..., AnyPointer>();
    else
        return static_cast<int>(sizeof...(A));
}

// Whether each field of a table of pointers is set, in declaration order.
template <class T> std::vector<bool> FieldsSet(const T& t) {
    constexpr int n = FieldCount<T>();
    const auto set = [](const auto&... f) { return std::vector<bool>{(f != nullptr)...}; };
    static_assert(n >= 1 && n <= 12, "a hook table of this size needs another case here");
    if constexpr (n == 1) {
        const auto& [a] = t;
        return set(a);
    } else if constexpr (n == 2) {
        const auto& [a, b] = t;
        return set(a, b);
    } else if constexpr (n == 3) {
        const auto& [a, b, c] = t;
        return set(a, b, c);
    } else if constexpr (n == 4) {
        const auto& [a, b, c, d] = t;
        return set(a, b, c, d);
    } else if constexpr (n == 5) {
        const auto& [a, b, c, d, e] = t;
        return set(a, b, c, d, e);
    } else if constexpr (n == 6) {
        const auto& [a, b, c, d, e, f] = t;
        return set(a, b, c, d, e, f);
    } else if constexpr (n == 7) {
        const auto& [a, b, c, d, e, f, g] = t;
        return set(a, b, c, d, e, f, g);
    } else if constexpr (n == 8) {
        const auto& [a, b, c, d, e, f, g, h] = t;
        return set(a, b, c, d, e, f, g, h);
    } else if constexpr (n == 9) {
        const auto& [a, b, c, d, e, f, g, h, i] = t;
        return set(a, b, c, d, e, f, g, h, i);
    } else if constexpr (n == 10) {
        const auto& [a, b, c, d, e, f, g, h, i, j] = t;
        return set(a, b, c, d, e, f, g, h, i, j);
    } else if constexpr (n == 11) {
        const auto& [a, b, c, d, e, f, g, h, i, j, k] = t;
        return set(a, b, c, d, e, f, g, h, i, j, k);
    } else {
        const auto& [a, b, c, d, e, f, g, h, i, j, k, l] = t;
        return set(a, b, c, d, e, f, g, h, i, j, k, l);
    }
}

void Answered() {}
// Marks a hook whose empty value already means the real behaviour (a test seam).
template <class F> void Seam(F& hook) {
    if (!hook) hook = reinterpret_cast<F>(&Answered);
}

template <class T> std::string Unset(const char* name, const T& table) {
    std::string missing;
    const std::vector<bool> set = FieldsSet(table);
    for (std::size_t i = 0; i < set.size(); ++i)
        if (!set[i]) missing += std::string(" ") + name + "[" + std::to_string(i) + "]";
    return missing;
}

} // namespace

TEST_F(PlayerStartUp, StartingStagePlayInstallsEveryHook) {
    ASSERT_TRUE(Start("Direct3D=1\r\nWindowMode=1\r\n"));
    // The frame loop's and the menus' hooks are filled at start-up: the menus run before any stage.
    EXPECT_EQ(Unset("DrawingHooks", g_DrawingHooks) + Unset("MenuHooks", g_MenuHooks), "");
    // The others when stage play starts.
    std::unique_ptr<cScene> play(SceneEnv().CreateScene(SCENE_PLAY));
    ASSERT_NE(play, nullptr);

    PlaySceneHooks scene = g_PlaySceneHooks;
    FrameDrawHooks frame = g_FrameDrawHooks;
    PlayStepHooks step = g_PlayStepHooks;
    StageClearHooks clear = g_StageClearHooks;
    Seam(scene.LoadSurfaces);
    Seam(scene.ReleaseSurfaces);
    Seam(scene.BuildStagePictures);
    Seam(scene.ReloadPlayFile);
    Seam(frame.HeroDefeatEnded);
    Seam(step.CheckSpaceKey);
    Seam(clear.LoadFollowUpStage);

    std::string missing;
    missing += Unset("FlowHooks", g_FlowHooks);
    missing += Unset("FlowPlayHooks", g_FlowPlayHooks);
    missing += Unset("ObjectFlowCalls", g_ObjectFlowCalls);
    missing += Unset("ObjectHooks", g_ObjectHooks);
    missing += Unset("SummonHooks", g_SummonHooks);
    missing += Unset("PlaySceneHooks", scene);
    missing += Unset("FrameDrawHooks", frame);
    missing += Unset("PlayStepHooks", step);
    missing += Unset("StageClearHooks", clear);
    EXPECT_EQ(missing, "");
    play.reset();
}
