// The desktop the toolkit's windows live on. Dialogs are drawn inside the game window, so their
// desktop is the 640 x 480 game area: positions, the work area and the cursor are all in game-area
// pixels. The window thread keeps the cursor up to date from the mouse events it receives.
#pragma once
#include "platform/win_types.h"

namespace ui {

// The area windows are kept inside (the game area unless set otherwise).
win::RECT GetWorkArea();
void SetWorkArea(const win::RECT& area);

// The cursor in desktop pixels; false while the cursor is not over the desktop (or never was).
bool GetCursorPos(win::POINT* pt);
// The window thread records where the mouse is; `inside` false when it has left the game window.
void SetCursorFromMouse(int x, int y, bool inside);
// Puts the cursor at a desktop position (and the system's pointer there when a window is shown).
void SetCursorPos(int x, int y);
// Called with the position whenever SetCursorPos moves the cursor (the window thread's warp).
using CursorWarp = void (*)(int x, int y);
void SetCursorWarp(CursorWarp warp);

// Back to the game area and no cursor; for tests.
void ResetDesktopForTests();

} // namespace ui
