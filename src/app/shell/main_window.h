// The main window procedure.
#pragma once
#include "platform/win_types.h"

win::LRESULT MainWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
