#include "app/shell/main_window.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/shell/win_main.h"
#include "platform/messages.h"
#include "platform/window.h"

using namespace win;

LRESULT MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        g_hMainWnd = nullptr;
        g_hWnd = nullptr;
        if (g_bFromEditor) NotifyEditorExit(1);
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATEAPP:
        g_bActive = wParam != 0 ? 1 : 0;
        return 0;
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_ESCAPE)) PostMessage(hwnd, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}
