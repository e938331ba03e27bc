// The main window's frame and icon: a resizable frame for a window whose drawing scales to any size,
// and the icon shown in the title bar and task switcher (its small and large icon are one picture
// here). The stand-in keeps both itself, so that they read back the same with or without a display.
#pragma once
#include "platform/win_types.h"

#include <cstdint>

namespace win {

struct IconObject;
using HICON = IconObject*;

// Makes an icon from width x height 32-bit ARGB pixels, rows from the top. Null when a side is not
// positive or the pixels are missing.
HICON CreateIconFromPixels(int width, int height, const std::uint32_t* argb);
// Frees an icon; the main window stops showing it. Null is accepted (FALSE).
BOOL DestroyIcon(HICON icon);
// Shows the icon on the main window (null takes it off); returns the icon shown before, null
// without a window.
HICON SetWindowIcon(HWND hwnd, HICON icon);
// The icon the main window shows; null without a window or an icon.
HICON GetWindowIcon(HWND hwnd);
// The icon's size in pixels; 0 for null.
int IconWidth(HICON icon);
int IconHeight(HICON icon);

// Gives the main window a frame that the user can drag to any size (or a fixed one again).
void SetWindowResizable(HWND hwnd, bool resizable);
// True when the main window has a resizable frame.
bool IsWindowResizable(HWND hwnd);

} // namespace win
