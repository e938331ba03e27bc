// The main window procedure: the requests of the other threads, the application's active state,
// the window placement, and the whole shut-down on WM_CLOSE.
#pragma once
#include "platform/win_types.h"

// The client area on the screen, kept from WM_MOVE (the windowed DirectDraw copy goes there).
extern win::RECT g_ClientRect;

win::LRESULT MainWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

// Start-up, with the window placement switch on: moves the window to the placement of
// "user_data\Window.dat" (maximised when it was; a resizable Direct3D window also gets its client
// size back). True when the window was maximised.
bool RestoreWindowPlacement(win::HWND hwnd);

// Back to the state before the first message; for tests.
void ResetMainWindowStateForTests();
