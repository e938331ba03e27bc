#include "shell/win_main.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/log.h"
#include "app/memory_reserve.h"
#include "app/paths.h"
#include "shell/init_game.h"
#include "shell/main_window.h"
#include "app/system_report.h"
#include "app/thread.h"
#include "platform/close_guard.h"
#include "platform/cp932.h"
#include "platform/display_connection.h"
#include "platform/fault_points.h"
#include "platform/gfx/present_sdl.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/signals.h"
#include "platform/single_instance.h"
#include "platform/threads.h"
#include "platform/time.h"
#include "platform/window.h"
#include "ui/box_window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

using namespace win;

std::atomic<HWND> g_hMainWnd{nullptr};
int g_bFromEditor = 0;
std::atomic<unsigned char> g_bInitialised{0};

namespace {

constexpr int SW_SHOWDEFAULT = 10;
constexpr int SW_SHOW = 5;
constexpr int CLIENT_WIDTH = 640;
constexpr int CLIENT_HEIGHT = 480;
// How long the window thread waits at most between two looks at the window's events: where it
// cannot watch the display's connection; where it can, while the display has sent anything in the
// last half second (shortly after a change to or from full screen the video system takes a change
// of focus a fifth of a second after it came), and once it has been quiet that long.
constexpr DWORD kWindowEventPollMs = 4;
constexpr DWORD kWindowIdleWaitMs = 50;
constexpr DWORD kWindowSettleMs = 500;
constexpr DWORD kWindowRestMs = 1000;
const char* const WINDOW_CLASS = "Mirelda4";
const char* const EDITOR_CLASS = "Mirelda4_Editor";

// A signal that arrives before the window exists closes it as soon as it does.
std::mutex g_signalLock;
bool g_closeRequested = false;
// The window object lives until the very end, so that late posts to it stay harmless.
HWND g_windowObject = nullptr;
// Memory ran out while the game's resources were being released.
bool g_releaseCutShort = false;

// While a box waits on the window thread, the game window keeps showing the latest frame.
void RepaintLatestFrame(bool whole) {
    DisplayWait wait(false);
    gfx::PresentLatestFrame(GetMainSdlWindow(), whole);
}

void CloseOnSignal() {
    // The window thread may be held by the display: the close is not waited for for ever.
    ArmCloseGuard();
    // A box open now ends as its close box would end it (never with Yes), so that the close is taken.
    EndOpenMessageBoxes();
    std::lock_guard<std::mutex> guard(g_signalLock);
    if (HWND h = g_hMainWnd.load())
        PostMessage(h, WM_CLOSE, 0, 0);
    else
        g_closeRequested = true;
}

// There is no editor on this platform: its window is never found and the notice is dropped, as a
// notice to a missing editor window is.
void NotifyEditor(unsigned dwData, int value) {
    if (FindWindowProcess(EDITOR_CLASS) == 0) return;
    ECLogF("editor notice %u %d", dwData, value);
}

// A display or window taken away ended the player: the report says which.
void ReportDisplayLoss() {
    if (DisplayLost()) Report("App : %s", DisplayLossText(DisplayLossKind()));
}

// No worker may draw or play once the display and the sound are released. The close has stopped
// them on the usual road; this only catches a thread still running when shut-down begins.
void StopWorkers() {
    if (!thGame.HasThread() && !thPause.HasThread() && !thRanking.HasThread() && !thStageLoad.HasThread())
        return;
    BeginAbort();
    thStageLoad.Exit();
    thPause.Exit();
    thRanking.Exit();
    thGame.Exit();
}

// The window thread is held inside the video system by a display that went away or stopped
// answering while the player closes (the close guard's last resort, on the guard's thread): the
// close ends without it. The workers stop (writing what they write as they end; the window placement
// was written as the close began), the published window class is withdrawn, and the process ends,
// its lock with it.
void EndWithWindowThreadHeld() {
    EndOpenMessageBoxes();
    Report("App : closed without the window thread, held by the display");
    ReportDisplayLoss();
    StopWorkers();
    WithdrawWindowClass(WINDOW_CLASS);
}

// Releases the game's resources unless a worker that would not stop may still use them: then they
// are kept, and the process ends without releasing them once its files are written.
void ReleaseGameUnlessAbandoned() {
    if (AnyThreadAbandoned()) {
        Report("UnInitGame : skipped, a thread is still running");
        return;
    }
    try {
        UnInitGame();
    } catch (const std::bad_alloc&) {
        // Memory ran out while the game let go of what it held: the user is told, and the process
        // ends once its files are written without letting go of the rest.
        g_releaseCutShort = true;
        OutOfMemory();
        return;
    }
    gfx::ReleasePresenter();
}

// The process ends without running the destructors of what a thread may still use or what was left
// half released.
bool EndWithoutDestructors() {
    return AnyThreadAbandoned() || g_releaseCutShort;
}

int RunWinMain(const char* cmdLine, int nCmdShow) {
    ECLogSet(0, "EC_Game.txt");
    g_bFromEditor = nCmdShow == SW_SHOW ? 1 : 0;

    // Another instance is looked for before the report log is opened: opening empties the file,
    // and a refused second start must leave the running instance's log as it is.
    InstanceMutex mutex;
    bool alreadyRunning = false;
    CreateInstanceMutex("ゲーム", mutex, alreadyRunning);
    if (alreadyRunning) {
        // A question nobody can see keeps what runs: without a display it is answered No.
        const UINT restartBox = IsHeadless() ? MB_YESNO | MB_DEFBUTTON2 : MB_YESNO;
        const int answer = MessageBox(nullptr,
                                      "既に起動しています。\n実行中のプログラムを閉じて再起動しますか？\n\nRu"
                                      "nning this program now. Restart?",
                                      "二重起動", restartBox);
        if (answer == IDNO) {
            ReleaseInstanceMutex(mutex);
            return 0;
        }
        if (const int pid = FindWindowProcess(WINDOW_CLASS)) {
            if (!TerminateProcessAndWait(pid, 500)) {
                MessageBox(nullptr, "プログラムの終了に失敗しました。", "二重起動", MB_OK);
                ReleaseInstanceMutex(mutex);
                return 0;
            }
        }
    }

    char reportPath[MAX_PATH] = "Report_Game.txt";
    MakeFullPath(reportPath);
    if (!ReportOpen(reportPath)) {
        // Without its report log the program cannot run; the user is told why it does not start.
        ErrorBox("%s が作成できません！", reportPath);
        ReleaseInstanceMutex(mutex);
        return 0;
    }
    Report("App : ver %s", "732");
    SystemReport();

    if (!RegisterWindowClass(WINDOW_CLASS)) {
        ReleaseInstanceMutex(mutex);
        return 0;
    }
    HWND hwnd = CreateMainWindowObject(&MainWndProc);
    g_windowObject = hwnd;
    if (!CreateMainWindow(hwnd, "", 100, 100, CLIENT_WIDTH, CLIENT_HEIGHT)) {
        ErrorBoxText("ウインドウが生成出来ません！");
        ReleaseInstanceMutex(mutex);
        return 0;
    }
    SetWindowRepaint(&RepaintLatestFrame);
    // The renderer and its textures go before the window that they belong to.
    SetWindowRelease(&gfx::ReleasePresenter);
    {
        std::lock_guard<std::mutex> guard(g_signalLock);
        g_hMainWnd = hwnd;
        if (g_closeRequested) PostMessage(hwnd, WM_CLOSE, 0, 0);
    }
    CenterOnDesktop(hwnd);
    ECLog("G");
    if (g_bFromEditor) NotifyEditorStart();
    ECLog("H");

    bool started = false;
    try {
        started = InitGame(cmdLine, nCmdShow);
    } catch (const std::bad_alloc&) {
        // Start-up ends where memory ran out; what it made is released as after any failed start.
        OutOfMemory();
    }
    // A close taken during start-up (the stage-load pump and the dialogs dispatch messages) has
    // stopped the workers and destroyed the window already: start-up ends there and shut-down
    // follows at once, without a game thread that would draw into a display about to go.
    const bool closed = !IsWindow(hwnd);
    if (!started || closed) {
        if (closed) ECLog("start-up ended by a close");
        ReportDisplayLoss();
        StopWorkers();
        ReleaseGameUnlessAbandoned();
        // A destroyed window has told the editor already.
        if (g_bFromEditor && !closed) NotifyEditorExit(0);
        ReleaseMainWindow(hwnd);
        ReleaseInstanceMutex(mutex);
        if (EndWithoutDestructors()) std::_Exit(0);
        return 0;
    }
    g_bInitialised = 1;
    ECLog("I");
    StartThreadWithQueue(thGame, &GameLoop, nullptr, false);
    ECLog("J");

    const int exitCode = RunWindowLoop();

    ReportDisplayLoss();
    StopWorkers();
    ReleaseGameUnlessAbandoned();
    ECLog("UnInitGame後");
    ReleaseMainWindow(hwnd);
    ReleaseInstanceMutex(mutex);
    ECLog("ReleaseMutex後");
    // A thread that would not stop is still running: end the process now that every file is
    // written, without running the destructors of objects that thread may still use.
    if (EndWithoutDestructors()) std::_Exit(exitCode);
    return exitCode;
}

} // namespace

namespace {

// One look at the window's events, the latest frame and the messages; true with `exitCode` set when
// WM_QUIT ends the loop.
bool RunWindowStep(int& exitCode) {
    MSG msg;
    PumpWindowEvents();
    // Counted before the look at the latest frame: a frame finished after it ends the wait below.
    const std::uint64_t wakeups = MessageWakeups();
    // The latest finished frame goes to the window (the drawing threads never touch it), whole
    // after an exposure.
    {
        DisplayWait wait(false);
        gfx::PresentLatestFrame(GetMainSdlWindow(), TakeWindowExposure());
    }
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            exitCode = static_cast<int>(msg.wParam);
            return true;
        }
        DispatchMessage(&msg);
    } else if (!g_bActive) {
        WaitForMessageOrEvent();
    }
    // Until a message, a new frame or input from the display arrives (without a display
    // connection to watch, a look at the window's events every few milliseconds).
    WaitForWindowInput(kWindowEventPollMs, kWindowIdleWaitMs, kWindowSettleMs, kWindowRestMs, wakeups);
    return false;
}

} // namespace

int RunWindowLoop() {
    for (;;) {
        int exitCode = 0;
        try {
            if (RunWindowStep(exitCode)) return exitCode;
        } catch (const std::bad_alloc&) {
            // What the step was doing ends there (the music asked for, a request served); the close
            // follows.
            OutOfMemory();
        }
    }
}

void NotifyEditorStart() {
    NotifyEditor(1, 1);
}
void NotifyEditorExit(int nValue) {
    NotifyEditor(0, nValue);
}

int WinMain(int argc, char** argv) {
    if (const int boxCode = ServeMessageBoxChild(argc, argv, &ui::ShowMessageBoxWindow); boxCode >= 0)
        return boxCode;
    // A close signal sent while the player is still starting closes it once its window is there.
    HoldCloseSignals();
    PassFaultPoint("start");
    int exitCode = 1;
    try {
        // The command line arrives as UTF-8; the system's texts are CP932.
        const std::string cmdLine = argc > 1 ? cp932::FromUtf8(argv[1]) : std::string();
        // Memory kept back for telling the user that memory ran out.
        HoldMemoryReserve();
        // Before any thread exists: the close signals go to their watcher alone.
        StartCloseSignalWatcher(&CloseOnSignal);
        StartCloseGuard(&EndWithWindowThreadHeld);
        // A player nobody can see is no use: without a display it says so and ends.
        std::string problem;
        if (OpenDisplay(problem))
            exitCode = RunWinMain(cmdLine.c_str(), SW_SHOWDEFAULT);
        else
            std::fprintf(stderr, "error: %s\n", problem.c_str());
    } catch (const std::bad_alloc&) {
        // Memory ran out where neither the start of the game nor the window loop catches it (before
        // the window, in the shut-down): the user is told, and the window goes (its published class
        // with it); the lock goes with the process, which ends at once.
        OutOfMemory();
        ReleaseMainWindow(g_windowObject);
        // What was made or released only in part is left as it is: nothing runs after this.
        std::_Exit(0);
    }
    StopCloseGuard();
    StopCloseSignalWatcher();
    g_hMainWnd = nullptr;
    g_hWnd = nullptr;
    DestroyMainWindowObject(g_windowObject);
    g_windowObject = nullptr;
    return exitCode;
}
