#include "platform/system_metrics.h"

#include <SDL.h>

namespace win {

int GetSystemMetrics(int index) {
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) return 0;
    SDL_DisplayMode mode{};
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 ||
        mode.h <= 0)
        return index == SM_CXSCREEN ? 640 : 480;
    return index == SM_CXSCREEN ? mode.w : mode.h;
}

int GetDesktopBitsPerPixel() {
    SDL_DisplayMode mode{};
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetDesktopDisplayMode(0, &mode) != 0) return 32;
    const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    return bits > 0 && bits <= 16 ? 16 : 32;
}

} // namespace win
