#include "platform/window_state.h"

#include "platform/window.h"

#include <SDL.h>

namespace win {

namespace {

Uint32 Flags(HWND hwnd) {
    auto* window = static_cast<SDL_Window*>(GetMainSdlWindow());
    return (hwnd && window) ? SDL_GetWindowFlags(window) : 0;
}

} // namespace

BOOL IsIconic(HWND hwnd) {
    return (Flags(hwnd) & SDL_WINDOW_MINIMIZED) ? TRUE : FALSE;
}
BOOL IsZoomed(HWND hwnd) {
    return (Flags(hwnd) & SDL_WINDOW_MAXIMIZED) ? TRUE : FALSE;
}

void SetClientSize(HWND hwnd, int width, int height) {
    auto* window = static_cast<SDL_Window*>(GetMainSdlWindow());
    if (hwnd && window && width > 0 && height > 0) SDL_SetWindowSize(window, width, height);
}

void MaximizeWindow(HWND hwnd) {
    auto* window = static_cast<SDL_Window*>(GetMainSdlWindow());
    if (hwnd && window) SDL_MaximizeWindow(window);
}

} // namespace win
