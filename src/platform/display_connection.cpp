#include "platform/display_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>

#if defined(M4_HAVE_X11)
#include <X11/Xlib.h>
#endif

namespace win {
namespace {

std::atomic<bool> g_lost{false};
std::atomic<bool> g_taken{false};

#if defined(M4_HAVE_X11)
// Both of the X library's hooks return: the call that met the broken connection fails, and the
// library asks nothing more of that connection.
int OnIoError(Display*) {
    g_lost = true;
    return 0;
}
void OnIoErrorExit(Display*, void*) {
    g_lost = true;
}
#endif

} // namespace

void WatchDisplayConnection(void* sdlWindow) {
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdlWindow || !SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info) ||
        info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return;
    // Without its own handler the library ends the process before the exit hook is reached.
    XSetIOErrorHandler(&OnIoError);
    XSetIOErrorExitHandler(info.info.x11.display, &OnIoErrorExit, nullptr);
#else
    (void)sdlWindow;
#endif
}

bool DisplayConnectionLost() {
    return g_lost;
}

bool TakeDisplayConnectionLoss() {
    return g_lost && !g_taken.exchange(true);
}

bool QueryClientCorner(void* sdlWindow, int& x, int& y) {
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (g_lost || !sdlWindow || !SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info) ||
        info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return false;
    Display* display = info.info.x11.display;
    ::Window child = 0;
    return XTranslateCoordinates(display, info.info.x11.window, DefaultRootWindow(display), 0, 0, &x, &y,
                                 &child) != 0;
#else
    (void)sdlWindow;
    (void)x;
    (void)y;
    return false;
#endif
}

} // namespace win
