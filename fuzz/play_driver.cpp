#include "play_driver.h"

#include "fuzz_support.h"

#include "app/game_loop.h"
#include "app/input_script.h"
#include "app/scene.h"
#include "app/startup_state.h"
#include "draw/dd_palette_fx.h"
#include "draw/dd_startup.h"
#include "draw/draw.h"
#include "objects/game_scene.h"
#include "platform/audio/mixer.h"
#include "platform/gfx/sim.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "platform/window.h"
#include "play/load_play_file.h"
#include "play/play_states.h"
#include "play/trace.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"
#include "shell/init_game.h"
#include "shell/main_window.h"
#include "shell/win_main.h"
#include "tools/demo_project.h"
#include "tools/project_writer.h"

#include <atomic>
#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace fuzz {

namespace {

// The largest block grid played (cells): 4 M cells are about 250 MB of blocks.
constexpr std::uint64_t MAX_GRID_CELLS = 4u << 20;

std::string g_Folder;
win::HWND g_Window = nullptr;
win::ManualClock g_Clock;
bool g_bStarted = false;
bool g_bD3D = false;

// Every play starts at this clock reading (the seed of a recorded play is taken from the clock),
// and each frame of it 16 ms later than the one before.
constexpr win::DWORD CLOCK_START = 100000;
constexpr win::DWORD FRAME_MS = 16;
// The sound moves on by a frame's time after each frame (no device: nobody hears it).
constexpr int AUDIO_FRAMES_PER_FRAME = audio::kOutputRate * static_cast<int>(FRAME_MS) / 1000;
// The reading the clock was set to at the start of the frame being run.
std::atomic<win::DWORD> g_FrameStart{CLOCK_START};

// The play scene's system surfaces read from files stay loaded between plays: the files never
// change in the work folder, so a surface is loaded again only when its creation record differs
// from the one it was loaded by (a picture slot a stage fills with another picture). Its work
// surfaces, which play draws into, are made and released by every play as the player does.
std::bitset<SYSTEM_BITMAP_COUNT> g_Kept;
SURFACEDEF g_KeptDefs[SYSTEM_BITMAP_COUNT];

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "m4 play fuzz: %s\n", what);
    std::abort();
}

// Messages left for the window since the last input: the activation notice of start-up is served
// (a player in the background waits in its pause loops), the rest (closes asked by play) dropped,
// so that one input's requests never reach the next.
void DropMessages() {
    win::MSG msg{};
    while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
        if (msg.message == win::WM_ACTIVATEAPP) win::DispatchMessage(&msg);
}

bool KeepsLoaded(int k) {
    const char* file = g_SystemSurfaceDefs[k].szFileName;
    return file[0] != '\0' && std::strcmp(file, "E") != 0;
}

bool LoadedAsNow(int k) {
    const auto i = static_cast<std::size_t>(k);
    return g_Kept.test(i) && std::memcmp(&g_KeptDefs[k], &g_SystemSurfaceDefs[k], sizeof(SURFACEDEF)) == 0;
}

// Loads the listed system surfaces that are not kept loaded, as they are now described, from an
// earlier play, as the play scene's own loading does.
bool LoadSurfacesKeeping(const int* list, int count) {
    DDTableFromSystemBitmaps(g_SystemSurfaceDefs, SystemBitmapTable, SYSTEM_BITMAP_COUNT);
    std::vector<int> load;
    for (int i = 0; i < count; ++i) {
        const int k = list[i];
        if (k >= 0 && k < SYSTEM_BITMAP_COUNT && LoadedAsNow(k)) continue;
        if (k >= 0 && k < SYSTEM_BITMAP_COUNT) g_Kept.reset(static_cast<std::size_t>(k));
        load.push_back(k);
    }
    if (!DDLoadSystemSurfaces(g_SystemSurfaces, load.data(), static_cast<int>(load.size()))) return false;
    for (int k : load) {
        if (!KeepsLoaded(k)) continue;
        g_Kept.set(static_cast<std::size_t>(k));
        g_KeptDefs[k] = g_SystemSurfaceDefs[k];
    }
    return true;
}

void ReleaseSurfacesKeeping(const int* list, int count) {
    for (int i = 0; i < count; ++i)
        if (!g_Kept.test(static_cast<std::size_t>(list[i]))) DDReleaseSurface(&g_SystemSurfaces[list[i]]);
}

// The kept surfaces go before the drawing library they were made by.
void ReleaseKept() {
    for (int k = 0; k < SYSTEM_BITMAP_COUNT; ++k)
        if (g_Kept.test(static_cast<std::size_t>(k))) DDReleaseSurface(&g_SystemSurfaces[k]);
    g_Kept.reset();
}

// The player started with the back-end asked for; started again when the back-end changes. False
// when the project on disk does not start.
bool StartPlayer(bool d3d) {
    if (g_bStarted && d3d == g_bD3D) return true;
    if (g_bStarted) {
        g_SceneManager.DeleteAll();
        ReleaseKept();
        UnInitGame();
    }
    std::string ini = project_writer::DemoSystemIni();
    const std::string key = "Direct3D=";
    const std::size_t at = ini.find(key);
    if (at != std::string::npos) ini[at + key.size()] = d3d ? '1' : '0';
    if (!project_writer::WriteSystemIni(g_Folder, ini)) Fail("cannot write System.ini");
    g_bStarted = InitGame("", 10);
    g_bD3D = d3d;
    if (!g_bStarted) UnInitGame();
    // Frames are presented at once: the harness's frames are not paced by the display's blank.
    gfx::sim::SetVerticalBlankEmulation(false);
    static bool registered = false;
    if (g_bStarted && !registered) {
        // Shut down before the libraries' own statics go (registered after they were made).
        registered = true;
        std::atexit([] {
            if (!g_bStarted) return;
            g_SceneManager.DeleteAll();
            ReleaseKept();
            UnInitGame();
        });
    }
    return g_bStarted;
}

// One line per frame: the scene and, in play, the play trace's line of the frame (its whole-state
// hash included).
std::vector<std::string> PlayOnce(const PlayRun& run) {
    std::vector<std::string> frames;
    g_SceneManager.DeleteAll();
    DropMessages();
    g_FrameStart = CLOCK_START;
    g_Clock.now = CLOCK_START;
    // The fades start from their beginning, as after a start of the player: a play that ended
    // inside its fade-in leaves the fade's phase where it was.
    DDResetFadePhases();
    // After the input's own runs the confirm button is pressed every other frame, so that a flow
    // waiting for the advance key goes on (those runs are read once per process).
    static const cInputScript confirms = [] {
        std::string text;
        for (int i = 0; i < 4096; ++i)
            text += "1 0 1\n1 0 0\n";
        cInputScript s;
        if (!s.Parse(text, nullptr)) Fail("the harness wrote an input script it cannot read");
        return s;
    }();
    auto script = std::make_unique<cInputScript>();
    if (!script->Parse(run.script, nullptr)) Fail("the harness wrote an input script it cannot read");
    script->Append(confirms);
    SetInputScript(std::move(script));
    g_bStartFile = 1;
    if (!LoadPlayFile(run.playerPath, 0)) return frames;
    // Play areas whose block grid is larger than a harness process may hold are left to the stage
    // reader's own checks.
    if (StageGridCells(g_Stage.m_nWidth, g_Stage.m_nHeight) > MAX_GRID_CELLS) return frames;
    g_nGameMode = 2;
    g_bRanking = 1;
    g_nPlayMode = IsReplayPath(run.playerPath) ? 4 : 3;
    g_SceneManager.g_nSceneIndex = SCENE_PLAY;
    g_SceneManager.g_nNextScene = SCENE_PLAY;
    g_SceneManager.g_nPrevScene = 0;
    // Every frame presented counts, also those the pause loop draws while play waits (its waits
    // end at the limit as in a measured run of the player).
    SetFrameLimit(static_cast<unsigned>(run.frames));
    // The frames run on a thread of their own, as the game thread runs them, while this thread
    // serves what they ask of the window (sounds, the pause loop's requests).
    std::atomic<bool> done{false};
    std::thread game([&] {
        for (int frame = 0; frame < run.frames && !FrameLimitReached(); ++frame) {
            // The clock reads the frame's own time at its start, whatever the waits of earlier
            // frames slept on any thread (the load's, the pause loop's and the game thread's polls).
            g_FrameStart = CLOCK_START + FRAME_MS * static_cast<win::DWORD>(frame);
            g_Clock.now = g_FrameStart.load();
            g_SceneManager.SwitchAndRun();
            PresentFrame();
            audio::Advance(AUDIO_FRAMES_PER_FRAME);
            std::string line = "scene " + std::to_string(g_SceneManager.g_nSceneIndex);
            if (g_SceneManager.g_nSceneIndex == SCENE_PLAY && g_lpGameScene) {
                const cGameScene& scene = *g_lpGameScene;
                line +=
                    " state " + std::to_string(scene.m_nState) + " " + FormatTraceLine(frame + 1, scene, 0);
            }
            frames.push_back(std::move(line));
        }
        done = true;
    });
    while (!done) {
        DropMessages();
        win::WaitMessageTimeout(1);
    }
    game.join();
    SetFrameLimit(0);
    g_SceneManager.DeleteAll();
    SetInputScript(nullptr);
    DropMessages();
    return frames;
}

std::uint64_t HashLines(const std::vector<std::string>& lines) {
    std::uint64_t h = 1469598103934665603ull;
    for (const std::string& line : lines)
        for (unsigned char c : line)
            h = (h ^ c) * 1099511628211ull;
    return h;
}

} // namespace

void InitPlayer() {
    static bool done = false;
    if (done) return;
    done = true;
    Init();
    g_Folder = std::filesystem::current_path().string();
    if (!demo_project::Write(g_Folder)) Fail("cannot write the demo project");
    win::UseManualClock(&g_Clock);
    // The sound output is the mixer's own, moved on by the frames, and unheard as on the dummy
    // driver (no synthesizer is loaded): no audio thread runs beside play, and a start of the
    // player for another back-end does not wait for a device to drain and close.
    audio::SetManualOutput(true, false);
    g_Window = win::CreateMainWindowObject(&MainWndProc);
    if (!win::CreateMainWindow(g_Window, "", 100, 100, 640, 480)) Fail("cannot create the main window");
    g_hMainWnd = g_Window;
    // Free play reloads its file after a lost life: the clock, which seeds the next recorded play,
    // reads afterwards the frame's own time, however long the loading thread's wait took.
    g_PlaySceneHooks.ReloadPlayFile = [](const std::string& path) {
        const bool ok = LoadPlayFile(path, 0);
        g_Clock.now = g_FrameStart.load();
        return ok;
    };
    g_PlaySceneHooks.LoadSurfaces = &LoadSurfacesKeeping;
    g_PlaySceneHooks.ReleaseSurfaces = &ReleaseSurfacesKeeping;
    StartPlayer(false);
}

void AbsoluteArguments(int* argc, char*** argv) {
    if (!argc || !argv) return;
    static std::vector<std::string> kept;
    kept.reserve(static_cast<std::size_t>(*argc));
    for (int i = 1; i < *argc; ++i) {
        const char* a = (*argv)[i];
        if (!a || a[0] == '-' || a[0] == '/') continue;
        kept.push_back(std::filesystem::absolute(a).string());
        (*argv)[i] = kept.back().data();
    }
}

std::uint64_t Play(const PlayRun& run) {
    InitPlayer();
    if (!StartPlayer(run.d3d) || (run.reloadProject && !(LoadProjectDatabase() && LoadSystemData())) ||
        (run.writeFiles && !run.writeFiles())) {
        TakeBoxCount();
        return 0;
    }
    const std::vector<std::string> first = PlayOnce(run);
    if (run.repeat) {
        const std::vector<std::string> second = PlayOnce(run);
        if (first != second) {
            std::size_t k = 0;
            while (k < first.size() && k < second.size() && first[k] == second[k])
                ++k;
            std::fprintf(stderr,
                         "m4 play fuzz: the same input played twice differs at frame %zu:\n  %s\n  %s\n",
                         k + 1, k < first.size() ? first[k].c_str() : "(ended)",
                         k < second.size() ? second[k].c_str() : "(ended)");
            std::abort();
        }
    }
    TakeBoxCount();
    return HashLines(first);
}

bool RepeatInput(const std::uint8_t* data, std::size_t size) {
    static const unsigned every = [] {
        const char* env = std::getenv("M4_PLAY_REPEAT");
        return env && *env ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 8u;
    }();
    if (every == 0) return false;
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h % every == 0;
}

std::string WorkFolder() {
    return g_Folder;
}

} // namespace fuzz
