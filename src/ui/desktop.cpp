#include "ui/desktop.h"

#include <atomic>
#include <mutex>

namespace ui {
namespace {

std::mutex g_lock;
win::RECT g_workArea{0, 0, 640, 480};
win::POINT g_cursor;
bool g_cursorKnown = false;
CursorWarp g_warp = nullptr;

} // namespace

win::RECT GetWorkArea() {
    std::lock_guard guard(g_lock);
    return g_workArea;
}

void SetWorkArea(const win::RECT& area) {
    std::lock_guard guard(g_lock);
    g_workArea = area;
}

bool GetCursorPos(win::POINT* pt) {
    std::lock_guard guard(g_lock);
    if (!g_cursorKnown || !pt) return false;
    *pt = g_cursor;
    return true;
}

void SetCursorFromMouse(int x, int y, bool inside) {
    std::lock_guard guard(g_lock);
    g_cursor = win::POINT{x, y};
    g_cursorKnown = inside;
}

void SetCursorPos(int x, int y) {
    CursorWarp warp;
    {
        std::lock_guard guard(g_lock);
        g_cursor = win::POINT{x, y};
        g_cursorKnown = true;
        warp = g_warp;
    }
    if (warp) warp(x, y);
}

void SetCursorWarp(CursorWarp warp) {
    std::lock_guard guard(g_lock);
    g_warp = warp;
}

void ResetDesktopForTests() {
    std::lock_guard guard(g_lock);
    g_workArea = win::RECT{0, 0, 640, 480};
    g_cursor = win::POINT{};
    g_cursorKnown = false;
    g_warp = nullptr;
}

} // namespace ui
