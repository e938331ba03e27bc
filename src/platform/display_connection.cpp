#include "platform/display_connection.h"

#include "platform/close_guard.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <cstdio>

#if defined(M4_HAVE_X11)
#include <X11/Xlib.h>
#endif

namespace win {
namespace {

std::atomic<int> g_loss{static_cast<int>(DisplayLoss::NoLoss)};
std::atomic<bool> g_taken{false};
// The SDL window whose X window is watched (null: none).
std::atomic<SDL_Window*> g_watched{nullptr};

// The first loss is the one that counts: a destroyed window's connection may go afterwards. A loss
// ends the player: from then on no call into the video system is waited for beyond a few seconds.
void NoteLoss(DisplayLoss loss) {
    int none = static_cast<int>(DisplayLoss::NoLoss);
    g_loss.compare_exchange_strong(none, static_cast<int>(loss));
    ArmCloseGuard();
}

#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
// The X window of the watched SDL window as it is now (the video system may have replaced it).
unsigned long WatchedXWindow() {
    SDL_Window* w = g_watched;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!w || !SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

// Both of the X library's hooks for a broken connection return: the call that met it fails, and
// the library asks nothing more of that connection. Only inside a call that waits for an event
// (showing, hiding or destroying the window, full screen) would the library go on waiting on the
// broken connection for ever: that thread stays in the hook, and the close guard ends the process.
int OnIoError(Display*) {
    NoteLoss(DisplayLoss::Connection);
    return 0;
}
void OnIoErrorExit(Display*, void*) {
    NoteLoss(DisplayLoss::Connection);
    if (InLoopingDisplayWait()) ParkInDisplayWait();
}

// An error the display reports for a request: the request failed and the program goes on (the
// library's own hook would end the process). Errors about the game window once it is gone are the
// loss itself; any other is said on standard error, the first few of them.
int OnXError(Display*, XErrorEvent* e) {
    if (ErrorMeansWindowGone(e->error_code, e->resourceid, WatchedXWindow())) {
        NoteLoss(DisplayLoss::Window);
        return 0;
    }
    if (g_loss != static_cast<int>(DisplayLoss::NoLoss)) return 0;
    static std::atomic<int> told{0};
    constexpr int kMostTold = 20;
    const int n = ++told;
    if (n <= kMostTold) {
        std::fprintf(stderr, "X error %d (request %d.%d, resource 0x%lx) ignored%s\n", e->error_code,
                     e->request_code, e->minor_code, e->resourceid,
                     n == kMostTold ? "; further X errors are not shown" : "");
        std::fflush(stderr);
    }
    return 0;
}

// Sees every event the video system takes from the display, whoever polls it.
int OnSdlEvent(void*, SDL_Event* e) {
    if (e->type != SDL_SYSWMEVENT || !e->syswm.msg || e->syswm.msg->subsystem != SDL_SYSWM_X11) return 0;
    const XEvent& x = e->syswm.msg->msg.x11.event;
    if (x.type == DestroyNotify && EventMeansWindowGone(x.type, x.xdestroywindow.window, WatchedXWindow()))
        NoteLoss(DisplayLoss::Window);
    return 0;
}
#endif

} // namespace

bool ErrorMeansWindowGone(int errorCode, unsigned long resourceId, unsigned long window) {
#if defined(M4_HAVE_X11)
    return window != 0 && resourceId == window && (errorCode == BadWindow || errorCode == BadDrawable);
#else
    (void)errorCode;
    (void)resourceId;
    (void)window;
    return false;
#endif
}

bool EventMeansWindowGone(int eventType, unsigned long eventWindow, unsigned long window) {
#if defined(M4_HAVE_X11)
    return window != 0 && eventWindow == window && eventType == DestroyNotify;
#else
    (void)eventType;
    (void)eventWindow;
    (void)window;
    return false;
#endif
}

void InstallDisplayErrorHandlers() {
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    // Installed before the video system starts, which keeps the hook it finds and passes errors on
    // to it. Without its own I/O error hook the library ends the process before the exit hook of a
    // broken connection is reached.
    XSetErrorHandler(&OnXError);
    XSetIOErrorHandler(&OnIoError);
#endif
}

void WatchDisplayConnection(void* sdlWindow) {
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    auto* w = static_cast<SDL_Window*>(sdlWindow);
    g_watched = nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!w || !SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return;
    // The error hooks are installed before the video system started (InstallDisplayErrorHandlers).
    XSetIOErrorExitHandler(info.info.x11.display, &OnIoErrorExit, nullptr);
    // The video system asks for the root window's property changes (for a change of the display's
    // colour profile, which the player does not use) and reads each changed property's name from
    // the display as it takes the event, without checking the answer: an event taken after the
    // connection is lost (a window manager changes root properties all the time) would end the
    // process there. They are not asked for.
    Display* display = info.info.x11.display;
    const ::Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, root, &attributes) && (attributes.your_event_mask & PropertyChangeMask))
        XSelectInput(display, root, attributes.your_event_mask & ~PropertyChangeMask);
    // The window's destruction comes as an event the video system does not turn into one of its own.
    static bool watching = false;
    if (!watching) {
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        SDL_AddEventWatch(&OnSdlEvent, nullptr);
        watching = true;
    }
    g_watched = w;
#else
    (void)sdlWindow;
#endif
}

bool DisplayLost() {
    return g_loss != static_cast<int>(DisplayLoss::NoLoss);
}

DisplayLoss DisplayLossKind() {
    return static_cast<DisplayLoss>(g_loss.load());
}

const char* DisplayLossText(DisplayLoss loss) {
    switch (loss) {
    case DisplayLoss::Connection:
        return "the connection to the display was lost";
    case DisplayLoss::Window:
        return "the window was destroyed by another program";
    default:
        return "";
    }
}

bool TakeDisplayLoss() {
    return DisplayLost() && !g_taken.exchange(true);
}

bool QueryClientCorner(void* sdlWindow, int& x, int& y) {
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (DisplayLost() || !sdlWindow || !SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info) ||
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
