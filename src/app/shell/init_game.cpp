#include "app/shell/init_game.h"

#include "app/globals.h"
#include "app/input.h"
#include "app/paths.h"
#include "app/scene.h"
#include "app/shell/main_window.h"
#include "app/shell/win_main.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "platform/window.h"
#include "project/system_data.h"

bool InitGame(const char*, int) {
    g_hWnd = g_hMainWnd.load();
    win::timeBeginPeriod(1);
    if (!EnsureDataFolder(g_hWnd)) return false;
    CreateSystemFolders();
    LoadSystemIni();
    g_SceneManager.g_nFrameRate = 60;
    g_SceneManager.g_nFade = 10;
    RestoreWindowPlacement(g_hWnd);
    win::ShowWindow(g_hWnd, true);
    // The window shown is the active one (without a display no focus event ever says so).
    win::PostMessage(g_hWnd, win::WM_ACTIVATEAPP, 1, 0);
    InitInputRecords();
    return true;
}

void UnInitGame() {
    win::timeEndPeriod(1);
    g_SceneManager.DeleteAll();
}
