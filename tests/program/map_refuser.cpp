// A window manager that never shows a window: it takes the root window's substructure redirection,
// as a window manager does, grants every change of place and size and drops every request to map a
// window, so that a client waiting for its window to be shown waits for good.
// Usage: m4_map_refuser   (on $DISPLAY; prints "ready" once it holds the redirection, then runs until
// killed or until its display ends)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool g_refused = false;
// The display's end ends the stand-in, without a word.
int OnIoError(Display*) {
    std::_Exit(0);
}
int OnError(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) g_refused = true;
    return 0;
}

} // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "map_refuser: no display\n");
        return 1;
    }
    XSetErrorHandler(&OnError);
    XSetIOErrorHandler(&OnIoError);
    XSelectInput(display, DefaultRootWindow(display), SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);
    if (g_refused) {
        std::fprintf(stderr, "map_refuser: another window manager runs\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent e;
        XNextEvent(display, &e);
        if (e.type == ConfigureRequest) {
            const XConfigureRequestEvent& r = e.xconfigurerequest;
            XWindowChanges changes{};
            changes.x = r.x;
            changes.y = r.y;
            changes.width = r.width;
            changes.height = r.height;
            changes.border_width = r.border_width;
            changes.sibling = r.above;
            changes.stack_mode = r.detail;
            XConfigureWindow(display, r.window, static_cast<unsigned>(r.value_mask), &changes);
        }
        // A MapRequest is dropped: the window stays unmapped.
    }
}
