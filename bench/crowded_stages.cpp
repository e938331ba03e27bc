// Stages crowded with characters, played as the player plays a stage file given at start: the player
// is started in this process on the demo project (dummy video and audio, the DirectDraw-like
// back-end) with the stage as its start file, and runs the frames of the game loop on a game thread
// (input from the stage's input script in bench/stages/NAME.input, or nothing pressed; the scene's
// frame with its drawing; the present, frames presented while play waits included) until 300 frames
// have been presented, as the player does with MIRELDA4_FRAME_LIMIT=300, while the thread that made
// the window runs the player's window loop: it shows the frames and serves the game thread's
// requests (sound effects, music) as it does in the player. One stage holds 427 characters and
// 1,139 items whose flows summon thousands more; the other holds 1,881 characters.
//
// The clock is a manual one that the frame pacing moves on instead of sleeping, and presents do not
// wait for the display's blank: a run measures the work of its frames only. With MIRELDA4_TRACE=PATH
// set, each run writes its play trace to PATH.NAME and records no replay (play recorded for a replay
// takes its seed from the clock, which the sound threads' sleeps move on too), so that every run of
// a stage plays the same.
//
// Counters per repetition: the median work of a presented frame over all 300 frames and over the
// frames that ran a play step ("play_median_ms"), the mean over all 300 and over all but the first
// (which sets the stage up), in milliseconds. At the end the medians over the repetitions are
// printed against each stage's goal, a frame of 30 frames a second for the stage of 427 characters
// and of 60 for the other (the goal is met when both medians are within it).
// Three repetitions of each stage, interleaved at random, unless --benchmark_repetitions or
// --benchmark_enable_random_interleaving say otherwise.
#include "bench_args.h"
#include "bench_frame.h"
#include "bench_temp.h"
#include "tools/demo_project.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input_script.h"
#include "app/scene.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/system_data.h"
#include "play/play_step.h"
#include "play/trace.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "platform/window.h"
#include "shell/init_game.h"
#include "shell/main_window.h"
#include "shell/win_main.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef M4_BENCH_STAGES
#define M4_BENCH_STAGES "bench/stages"
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 300;

struct Stage {
    const char* name; // the file's name in bench/stages, without its extension
    bool input;       // whether NAME.input holds its input script (otherwise nothing is pressed)
    int goalFps;      // the frames a second its median frames must keep up with
};
constexpr std::array<Stage, 2> kStages = {{{"427-charas-1139-items", true, 30}, {"1881-charas", false, 60}}};

const fs::path& ProjectFolder() {
    static const fs::path dir = [] {
        fs::path d = bench::TempFolder() / "crowded";
        if (!demo_project::Write(d.string())) d.clear();
        return d;
    }();
    return dir;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void BM_CrowdedStage(benchmark::State& state) {
    const Stage& stage = kStages.at(static_cast<std::size_t>(state.range(0)));
    const fs::path& dir = ProjectFolder();
    const fs::path stages = fs::absolute(M4_BENCH_STAGES);
    if (dir.empty()) {
        state.SkipWithError("the demo project could not be written");
        return;
    }
    auto script = std::make_unique<cInputScript>();
    if (stage.input) {
        std::string error;
        const std::string text = ReadFile(stages / (std::string(stage.name) + ".input"));
        if (text.empty() || !script->Parse(text, &error)) {
            state.SkipWithError("the stage's input script could not be read");
            return;
        }
    }
    std::error_code ec;
    fs::copy_file(stages / (std::string(stage.name) + ".stg4_000"), dir / "data" / "stg4" / "crowd.stg4_000",
                  fs::copy_options::overwrite_existing, ec);
    if (ec) {
        state.SkipWithError("the stage file could not be copied");
        return;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::FILE* trace = nullptr;
    if (const char* path = std::getenv("MIRELDA4_TRACE"); path && *path) {
        trace = std::fopen((std::string(path) + "." + stage.name).c_str(), "w");
        if (!trace) {
            state.SkipWithError("the trace file could not be written");
            return;
        }
    }
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    fs::remove_all("user_data");
    std::ofstream("System.ini", std::ios::binary)
        << "Direct3D=0\r\nWindowMode=1\r\nVSync=0\r\nShowFps=0\r\nExit\r\n";
    win::ManualClock clock;
    win::UseManualClock(&clock);
    // Presents do not wait for the display's blank either.
    gfx::sim::SetVerticalBlankEmulation(false);
    g_PlayTrace.SetFile(trace);
    // Frames are counted from the program's first, as the script's are.
    SetInputScript(std::move(script));
    win::HWND wnd = win::CreateMainWindowObject(&MainWndProc);
    bool ok = win::CreateMainWindow(wnd, "", 100, 100, 640, 480);
    g_hMainWnd = wnd;
    ok = ok && InitGame("data\\stg4\\crowd.stg4_000", 10);
    // A traced run starts from the same seed every time.
    if (trace) g_SystemData.m_nReplay = 0;
    SetFrameLimit(kFrames);
    std::vector<double> all, play;
    if (!ok) {
        state.SkipWithError("the player did not start");
    } else {
        for (auto _ : state) {
            // As in the player: the frames run on a game thread of their own, while this thread, which
            // made the window, serves it (the frames shown, the sound and music requests).
            const win::ThreadId windowThread = win::GetCurrentThreadId();
            std::thread game([&] {
                while (!FrameLimitReached() && !win::IsAborting()) {
                    const cGameScene* scene = g_lpGameScene;
                    const int steps = scene ? scene->m_nSubStepCount : -1;
                    const unsigned presented = PresentedFrames();
                    const auto start = std::chrono::steady_clock::now();
                    if (!RunFrame()) break;
                    const std::chrono::duration<double, std::milli> took =
                        std::chrono::steady_clock::now() - start;
                    // The frames a pause presented within this one share its time.
                    const unsigned frames = std::max(1u, PresentedFrames() - presented);
                    const bool stepped =
                        g_lpGameScene && (g_lpGameScene != scene || g_lpGameScene->m_nSubStepCount != steps);
                    for (unsigned k = 0; k < frames; ++k) {
                        all.push_back(took.count() / frames);
                        if (stepped) play.push_back(took.count() / frames);
                    }
                }
                win::PostThreadMessage(windowThread, win::WM_QUIT, 0, 0);
            });
            RunWindowLoop();
            game.join();
        }
        state.counters["median_ms"] = Median(all);
        state.counters["mean_ms"] =
            all.empty() ? 0 : std::accumulate(all.begin(), all.end(), 0.0) / all.size();
        // Without the first frame, which sets the stage up: what the frames of play cost on average,
        // a frame held now and then included.
        state.counters["mean_after_first_ms"] =
            all.size() < 2 ? 0 : std::accumulate(all.begin() + 1, all.end(), 0.0) / (all.size() - 1);
        state.counters["play_median_ms"] = Median(play);
        state.counters["frames"] = static_cast<double>(all.size());
        state.counters["play_frames"] = static_cast<double>(play.size());
        state.counters["charas"] = static_cast<double>(g_Charas.size());
    }
    g_SceneManager.DeleteAll();
    UnInitGame();
    win::ReleaseMainWindow(wnd);
    g_hMainWnd = nullptr;
    g_hWnd = nullptr;
    win::DestroyMainWindowObject(wnd);
    SetInputScript(nullptr);
    SetFrameLimit(0);
    g_PlayTrace.SetFile(nullptr);
    if (trace) std::fclose(trace);
    win::UseManualClock(nullptr);
    gfx::sim::SetVerticalBlankEmulation(true);
    fs::current_path(before);
}
BENCHMARK(BM_CrowdedStage)
    ->DenseRange(0, static_cast<int>(kStages.size()) - 1)
    ->ArgName("stage")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Keeps the counters of every repetition that ran without an error.
class MedianReporter : public benchmark::ConsoleReporter {
  public:
    std::map<int, std::vector<double>> all, play, mean, rest; // per stage, one value per repetition

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const std::string& args = run.run_name.args;
            const int stage = std::atoi(args.c_str() + args.find(':') + 1);
            all[stage].push_back(run.counters.at("median_ms"));
            play[stage].push_back(run.counters.at("play_median_ms"));
            mean[stage].push_back(run.counters.at("mean_ms"));
            rest[stage].push_back(run.counters.at("mean_after_first_ms"));
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintGoal(const MedianReporter& r) {
    std::printf("\nFrame time, medians over the repetitions:\n");
    std::printf("%-24s %12s %14s %12s %17s %10s %6s\n", "stage", "median", "median, play", "mean",
                "mean, after 1st", "goal", "");
    for (std::size_t k = 0; k < kStages.size(); ++k) {
        const auto a = r.all.find(static_cast<int>(k)), p = r.play.find(static_cast<int>(k));
        if (a == r.all.end() || p == r.play.end()) {
            std::printf("%-24s %12s %14s %12s %17s %10s %6s\n", kStages[k].name, "-", "-", "-", "-", "-",
                        "-");
            continue;
        }
        const double all = Median(a->second), play = Median(p->second),
                     mean = Median(r.mean.at(static_cast<int>(k))),
                     rest = Median(r.rest.at(static_cast<int>(k)));
        const double goal = 1000.0 / kStages[k].goalFps;
        std::printf("%-24s %9.2f ms %11.2f ms %9.2f ms %14.2f ms %7.1f ms %6s\n", kStages[k].name, all, play,
                    mean, rest, goal, std::max(all, play) <= goal ? "met" : "missed");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!bench::InitializeInterleaved(argc, argv, 3)) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintGoal(reporter);
    benchmark::Shutdown();
    return 0;
}
