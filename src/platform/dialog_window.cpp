#include "platform/dialog_window.h"

#include "platform/display_connection.h"
#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(M4_HAVE_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace win {

#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
namespace {

bool X11Info(void* sdlWindow, SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return sdlWindow && SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info) &&
           info.subsystem == SDL_SYSWM_X11 && info.info.x11.display;
}

} // namespace

unsigned long MainWindowDisplayId() {
    void* main = GetMainSdlWindow();
    SDL_SysWMinfo info;
    if (!main || !(SDL_GetWindowFlags(static_cast<SDL_Window*>(main)) & SDL_WINDOW_SHOWN) ||
        !X11Info(main, info))
        return 0;
    return static_cast<unsigned long>(info.info.x11.window);
}

bool MakeDialogWindow(void* sdlWindow, unsigned long owner) {
    SDL_SysWMinfo info;
    if (DisplayLost() || !X11Info(sdlWindow, info)) return false;
    Display* display = info.info.x11.display;
    const ::Window window = info.info.x11.window;
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog), 1);
    if (owner != 0) {
        XSetTransientForHint(display, window, static_cast<::Window>(owner));
        // Modal for its owner: the window manager hands the keyboard focus the owner would take
        // (a click on it, its activation) to the box.
        const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
        const Atom modal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
        XChangeProperty(display, window, state, XA_ATOM, 32, PropModeAppend,
                        reinterpret_cast<const unsigned char*>(&modal), 1);
    }
    XFlush(display);
    return true;
}

#else

unsigned long MainWindowDisplayId() {
    return 0;
}

bool MakeDialogWindow(void*, unsigned long) {
    return false;
}

#endif

} // namespace win
