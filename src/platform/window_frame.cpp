#include "platform/window_frame.h"

#include "platform/window.h"

#include <SDL.h>
#include <mutex>
#include <vector>

namespace win {

struct IconObject {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

namespace {

// The stand-in keeps the icon and the frame with the SDL window, so that they go with it.
const char* const kIconKey = "mirelda4.icon";
const char* const kResizableKey = "mirelda4.resizable";
std::mutex g_lock;

SDL_Window* MainWindowOf(HWND hwnd) {
    return IsWindow(hwnd) ? static_cast<SDL_Window*>(GetMainSdlWindow()) : nullptr;
}

void ShowOnSdlWindow(SDL_Window* window, HICON icon) {
    if (!icon) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(icon->pixels.data(), icon->width, icon->height,
                                                              32, icon->width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    // The window keeps a copy of its own.
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

} // namespace

HICON CreateIconFromPixels(int width, int height, const std::uint32_t* argb) {
    if (width <= 0 || height <= 0 || !argb) return nullptr;
    auto* icon = new IconObject;
    icon->width = width;
    icon->height = height;
    icon->pixels.assign(argb, argb + static_cast<std::size_t>(width) * height);
    return icon;
}

BOOL DestroyIcon(HICON icon) {
    if (!icon) return FALSE;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto* window = static_cast<SDL_Window*>(GetMainSdlWindow());
        if (window && SDL_GetWindowData(window, kIconKey) == icon)
            SDL_SetWindowData(window, kIconKey, nullptr);
    }
    delete icon;
    return TRUE;
}

HICON SetWindowIcon(HWND hwnd, HICON icon) {
    SDL_Window* window = MainWindowOf(hwnd);
    if (!window) return nullptr;
    HICON before;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        before = static_cast<HICON>(SDL_SetWindowData(window, kIconKey, icon));
    }
    ShowOnSdlWindow(window, icon);
    return before;
}

HICON GetWindowIcon(HWND hwnd) {
    SDL_Window* window = MainWindowOf(hwnd);
    if (!window) return nullptr;
    std::lock_guard<std::mutex> guard(g_lock);
    return static_cast<HICON>(SDL_GetWindowData(window, kIconKey));
}

int IconWidth(HICON icon) {
    return icon ? icon->width : 0;
}
int IconHeight(HICON icon) {
    return icon ? icon->height : 0;
}

void SetWindowResizable(HWND hwnd, bool resizable) {
    SDL_Window* window = MainWindowOf(hwnd);
    if (!window) return;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        // Any non-null word marks the frame.
        SDL_SetWindowData(window, kResizableKey, resizable ? window : nullptr);
    }
    SDL_SetWindowResizable(window, resizable ? SDL_TRUE : SDL_FALSE);
}

bool IsWindowResizable(HWND hwnd) {
    SDL_Window* window = MainWindowOf(hwnd);
    if (!window) return false;
    std::lock_guard<std::mutex> guard(g_lock);
    return SDL_GetWindowData(window, kResizableKey) != nullptr;
}

} // namespace win
