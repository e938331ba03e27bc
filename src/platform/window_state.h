// The main window's minimised and maximised states, read from and given to the SDL window.
#pragma once
#include "platform/win_types.h"

namespace win {

// TRUE while the main window is minimised (maximised); FALSE without a window.
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
// Gives the main window a client area of width x height.
void SetClientSize(HWND hwnd, int width, int height);
// Maximises the main window (the show command SW_SHOWMAXIMIZED).
void MaximizeWindow(HWND hwnd);

} // namespace win
