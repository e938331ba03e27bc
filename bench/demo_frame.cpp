// One whole frame of the demo game's stages as the player runs it: the player is started in this
// process on the demo project (dummy video and audio) with a stage as its start file, like the
// program given that file, and each iteration is one frame of the scene manager in play (the play
// step with its drawing, run where the frame changed as a present would; the present itself is left
// out). The hero walks, jumps, shoots and swings its sword in a fixed pattern so that shots, hits and
// scrolling stay busy. A stage that ends (cleared or lost) is confirmed on until it plays again,
// outside the timing.
// Reported per stage and back-end as the median of the repetitions.
#include "bench_frame.h"
#include "bench_temp.h"
#include "tools/demo_project.h"

#include "app/globals.h"
#include "app/input.h"
#include "app/scene.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "play/play_step.h"
#include "shell/init_game.h"
#include "shell/main_window.h"
#include "shell/win_main.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 5> kStages = {"demo", "cave", "castle", "c01-1", "c02-1"};

// The written demo project, once per run, in the benchmarks' temporary folder.
const fs::path& ProjectFolder() {
    static const fs::path dir = [] {
        fs::path d = bench::TempFolder() / "demo";
        if (!demo_project::Write(d.string())) d.clear();
        return d;
    }();
    return dir;
}

// The input of frame n: a 64-frame pattern of walking right, jumping, shooting, walking back and
// swinging the sword.
void Input(unsigned n) {
    cInputRecord& rec = g_Inputs.at(0);
    const unsigned k = n % 64;
    rec.wDir = k < 24 ? DIR_RIGHT : k < 40 ? 0 : k < 52 ? DIR_LEFT : DIR_RIGHT;
    rec.wButtons =
        static_cast<std::uint16_t>((k >= 16 && k < 24 ? 1 : 0) | (k % 8 < 4 ? 2 : 0) | (k >= 56 ? 4 : 0));
}

cScene* Current() {
    return g_SceneManager.SceneAt(g_SceneManager.g_nSceneIndex);
}

bool Playing() {
    const cScene* s = Current();
    return g_SceneManager.g_nSceneIndex == SCENE_PLAY && s && s->m_nState == GAMESTATE_PLAY;
}

// Frames (confirm pressed every other frame, nothing else) until the stage plays; false after
// `limit` frames.
bool RunUntilPlaying(int limit) {
    for (int i = 0; i < limit; ++i) {
        if (Playing()) return true;
        cInputRecord& rec = g_Inputs.at(0);
        rec.wDir = 0;
        rec.wButtons = static_cast<std::uint16_t>(i % 2);
        g_SceneManager.SwitchAndRun();
    }
    return Playing();
}

void BM_DemoFrame(benchmark::State& state) {
    const char* stage = kStages.at(static_cast<std::size_t>(state.range(0)));
    const int d3d = static_cast<int>(state.range(1));
    const fs::path& dir = ProjectFolder();
    if (dir.empty()) {
        state.SkipWithError("the demo project could not be written");
        return;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    fs::remove_all("user_data");
    std::ofstream("System.ini", std::ios::binary)
        << "Direct3D=" << d3d << "\r\nWindowMode=1\r\nVSync=0\r\nShowFps=0\r\nExit\r\n";
    win::HWND wnd = win::CreateMainWindowObject(&MainWndProc);
    const std::string file = std::string("data\\stg4\\") + stage + ".stg4_000";
    bool ok = win::CreateMainWindow(wnd, "", 100, 100, 640, 480);
    g_hMainWnd = wnd;
    ok = ok && InitGame(file.c_str(), 10);
    // Past the fade-in and the start banner, and two seconds into play so that the stage is busy.
    ok = ok && RunUntilPlaying(400);
    unsigned frame = 0;
    for (int i = 0; ok && i < 120; ++i) {
        Input(frame++);
        g_SceneManager.SwitchAndRun();
        if (!Playing()) ok = RunUntilPlaying(1000);
    }
    if (!ok) {
        state.SkipWithError("the stage did not start playing");
    } else {
        std::int64_t restarts = 0;
        for (auto _ : state) {
            Input(frame++);
            g_SceneManager.SwitchAndRun();
            bench::RunKeptDraws();
            if (!Playing()) {
                state.PauseTiming();
                ++restarts;
                if (!RunUntilPlaying(1000)) {
                    state.SkipWithError("the stage did not play again");
                    break;
                }
                state.ResumeTiming();
            }
        }
        state.counters["restarts"] = static_cast<double>(restarts);
        state.counters["objects"] = static_cast<double>(g_Charas.size() + g_Items.size());
    }
    g_SceneManager.DeleteAll();
    UnInitGame();
    win::ReleaseMainWindow(wnd);
    g_hMainWnd = nullptr;
    g_hWnd = nullptr;
    win::DestroyMainWindowObject(wnd);
    fs::current_path(before);
}
BENCHMARK(BM_DemoFrame)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})
    ->ArgNames({"stage", "d3d"})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
