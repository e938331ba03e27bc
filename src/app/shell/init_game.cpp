#include "app/shell/init_game.h"

#include "app/globals.h"
#include "app/input.h"
#include "app/paths.h"
#include "app/scene.h"
#include "app/shell/main_window.h"
#include "app/shell/win_main.h"
#include "app/system_ini.h"
#include "draw/dd_startup.h"
#include "platform/messages.h"
#include "platform/time.h"
#include "platform/window.h"
#include "project/system_data.h"

namespace {

// The display: the depth and vertical sync that the settings leave to start-up are chosen here, and a
// failing Direct3D set-up falls back to DirectDraw once (the settings then say DirectDraw).
bool StartDisplay() {
    cSystemIni& ini = g_SystemIni;
    const int bpp = (ini.Bpp == 8 || ini.Bpp == 16 || ini.Bpp == 24) ? ini.Bpp : 32;
    int useD3D = ini.Direct3D == 1 ? 1 : 0;
    const int window = ini.WindowMode != 0 ? 1 : 0;
    if (ini.VSync >= 2) ini.VSync = useD3D ? 1 : 0;
    if (!DDStartUpDisplay(useD3D, g_hWnd, bpp, ini.VSync, window)) return false;
    ini.Direct3D = useD3D;
    return true;
}

} // namespace

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
    if (!StartDisplay()) return false;
    return true;
}

void UnInitGame() {
    win::timeEndPeriod(1);
    g_SceneManager.DeleteAll();
    DDShutDown();
}
