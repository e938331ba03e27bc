#include "shell/main_window.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/log.h"
#include "app/scene.h"
#include "shell/request_handlers.h"
#include "shell/win_main.h"
#include "shell/window_data.h"
#include "app/thread.h"
#include "app/paths.h"
#include "platform/time.h"
#include "app/system_ini.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_state.h"
#include "sound/bgm.h"

using namespace win;

RECT g_ClientRect{};

namespace {

constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_QUERYNEWPALETTE = 0x030F;
constexpr UINT WM_PALETTECHANGED = 0x0311;

// What the window object keeps: created flag and the client size of the last WM_SIZE.
bool g_bCreated = false;
int g_nClientWidth = 640;
int g_nClientHeight = 480;

int LowWord(LPARAM lParam) {
    return static_cast<int>(static_cast<std::uint32_t>(lParam) & 0xFFFF);
}
int HighWord(LPARAM lParam) {
    return static_cast<int>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF);
}

void SaveWindowPlacement(HWND hwnd) {
    if (g_SystemIni.WindowMode == 0 || !g_bInitialised || IsIconic(hwnd)) return;
    RECT rect;
    if (!GetWindowRect(hwnd, &rect)) return;
    g_WindowData.Set(rect.left, rect.top, g_nClientWidth, g_nClientHeight, IsZoomed(hwnd) ? 1 : 0);
    // A placement that cannot be written is not reported.
    g_WindowData.SaveFile(g_PathTable[PATH_WINDOW_DAT]);
}

void OnClose(HWND hwnd) {
    SaveWindowPlacement(hwnd);
    if (thPause.HasThread()) {
        // The game thread waits inside a frame for the pause loop: end the loop first; the game
        // thread sees the quit flag and closes again.
        ECLog("WM_CLOSE thPause.m_hThread");
        SceneEnv().SetGameSceneQuit(g_lpGameScene);
        // A pause loop that has only just been started may not take messages yet: the quit is
        // posted again until it is taken, so that the close is never lost.
        for (int tries = 0; !PostThreadMessage(thPause.m_nThreadId, WM_QUIT, 0, 0) && tries < 500; ++tries) {
            if (!thPause.HasThread()) break;
            Sleep(1);
        }
        return;
    }
    ECLog("WM_CLOSE 成功！");
    // From here no worker may stay blocked in a request to this window or in a flag poll.
    BeginAbort();
    g_Bgm.Stop();
    thStageLoad.Exit();
    thPause.Exit();
    thRanking.Exit();
    ECLog("thPause.Exit()");
    thGame.Exit();
    ECLog("thGame.Exit()");
    DestroyWindow(hwnd);
}

} // namespace

bool RestoreWindowPlacement(HWND hwnd) {
    if (g_SystemIni.WindowMode == 0) return false;
    if (!g_WindowData.LoadFile(g_PathTable[PATH_WINDOW_DAT])) return false;
    MoveWindow(hwnd, g_WindowData.m_nX, g_WindowData.m_nY);
    // A resizable Direct3D window also gets its size back.
    if (g_SystemIni.Direct3D != 0 && g_SystemIni.WindowMode == 2)
        SetClientSize(hwnd, g_WindowData.m_nWidth, g_WindowData.m_nHeight);
    if (!g_WindowData.m_bZoomed) return false;
    MaximizeWindow(hwnd);
    return true;
}

void ResetMainWindowStateForTests() {
    g_bCreated = false;
    g_nClientWidth = 640;
    g_nClientHeight = 480;
    g_ClientRect = RECT{};
}

LRESULT MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        g_bCreated = true;
        return 0;
    case WM_DESTROY:
        ECLog("WM_DESTROY");
        g_hMainWnd = nullptr;
        g_hWnd = nullptr;
        if (g_bFromEditor) NotifyEditorExit(1);
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        // The client area on the screen.
        GetClientRectOnScreen(hwnd, &g_ClientRect);
        return 0;
    case WM_SIZE:
        g_nClientWidth = LowWord(lParam);
        g_nClientHeight = HighWord(lParam);
        return 0;
    case WM_PAINT:
        if (g_DrawingHooks.directDrawActive() && g_bInitialised) g_DrawingHooks.repaintDirectDraw();
        return 0;
    case WM_CLOSE:
        OnClose(hwnd);
        return 0;
    case WM_ACTIVATEAPP:
        g_bActive = static_cast<int>(wParam);
        return 0;
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_ESCAPE)) PostMessage(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_COMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_GETMINMAXINFO: // the window's size is fixed by the window itself here
        return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        if (msg == WM_PALETTECHANGED && reinterpret_cast<HWND>(wParam) == hwnd) return 0;
        if (g_DrawingHooks.directDrawActive()) g_DrawingHooks.applyPalette();
        return 0;
    default: {
        // The requests of the other threads (WM_USER+1 ... +6, +100).
        LRESULT result = 0;
        HandleWindowRequest(msg, wParam, lParam, result);
        return result;
    }
    }
}
