#include "app/shell/init_game.h"

#include "app/globals.h"
#include "app/paths.h"
#include "app/shell/win_main.h"
#include "platform/window.h"

bool InitGame(const char*, int) {
    g_hWnd = g_hMainWnd.load();
    if (!EnsureDataFolder(g_hWnd)) return false;
    CreateSystemFolders();
    win::ShowWindow(g_hWnd, true);
    return true;
}

void UnInitGame() {}
