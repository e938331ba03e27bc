// Process-wide handles shared by every subsystem.
#pragma once
#include "platform/win_types.h"

// The main window: set by start-up, cleared when the window is destroyed. Every WM_CLOSE that other
// code posts (fatal errors, bad container indexes, out of memory) goes here.
extern win::HWND g_hWnd;
