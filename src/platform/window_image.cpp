#include "platform/window_image.h"

#include <SDL.h>
#if defined(M4_HAVE_XSHM) && defined(SDL_VIDEO_DRIVER_X11)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#endif
#include <atomic>
#include <cstring>
#include <memory>

namespace win {

#if defined(M4_HAVE_XSHM) && defined(SDL_VIDEO_DRIVER_X11)

struct WindowImage {
    // A connection of the image's own: whichever thread shows the image (one at a time) uses it alone,
    // never the video system's connection of the window thread.
    Display* display = nullptr;
    std::atomic<bool> connectionLost{false};
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool attached = false;
    int width = 0, height = 0;
    // The type of the event the display sends once it has read the rows of a put.
    int completionType = 0;
    // Puts whose completion has not been taken yet: the display may still be reading the image. Only
    // the thread showing the image (one at a time) touches it.
    int pendingPuts = 0;
};

namespace {

// Only a server on this machine can read the process's shared memory.
bool LocalDisplay(Display* display) {
    const char* name = DisplayString(display);
    return name && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
}

bool g_attachRefused = false;
int OnAttachError(Display*, XErrorEvent*) {
    g_attachRefused = true;
    return 0;
}

// A broken connection of an image: the call that met it fails, and the image is shown no more.
void OnImageConnectionLost(Display*, void* image) {
    static_cast<WindowImage*>(image)->connectionLost = true;
}

// Whether the image holds 32-bit XRGB pixels in the processor's byte order, rows `width` apart.
bool PlainXrgb(const XImage& x, int width) {
    const bool littleEndian = SDL_BYTEORDER == SDL_LIL_ENDIAN;
    return x.bits_per_pixel == 32 && x.bytes_per_line == width * 4 && x.red_mask == 0xFF0000 &&
           x.green_mask == 0xFF00 && x.blue_mask == 0xFF && (x.byte_order == LSBFirst) == littleEndian;
}

// Maps a segment of the image's size into the process and lets the server map it too.
bool Attach(WindowImage& w) {
    XImage& x = *w.image;
    const std::size_t bytes = static_cast<std::size_t>(x.bytes_per_line) * x.height;
    w.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (w.segment.shmid < 0) return false;
    void* at = shmat(w.segment.shmid, nullptr, 0);
    if (at == reinterpret_cast<void*>(-1)) {
        shmctl(w.segment.shmid, IPC_RMID, nullptr);
        return false;
    }
    w.segment.shmaddr = x.data = static_cast<char*>(at);
    w.segment.readOnly = False;
    XSync(w.display, False);
    g_attachRefused = false;
    auto* before = XSetErrorHandler(&OnAttachError);
    XShmAttach(w.display, &w.segment);
    XSync(w.display, False);
    XSetErrorHandler(before);
    // The segment goes away once both sides have let go of it.
    shmctl(w.segment.shmid, IPC_RMID, nullptr);
    w.attached = !g_attachRefused;
    return w.attached;
}

} // namespace

WindowImage* CreateWindowImage(void* sdlWindow, int width, int height) {
    auto* window = static_cast<SDL_Window*>(sdlWindow);
    if (!window || width <= 0 || height <= 0) return nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return nullptr;
    if (!LocalDisplay(info.info.x11.display)) return nullptr;
    Display* display = XOpenDisplay(DisplayString(info.info.x11.display));
    if (!display) return nullptr;
    auto image = std::make_unique<WindowImage>();
    image->display = display;
    XSetIOErrorExitHandler(display, &OnImageConnectionLost, image.get());
    XWindowAttributes attributes;
    if (!XShmQueryExtension(display) || !XGetWindowAttributes(display, info.info.x11.window, &attributes)) {
        DestroyWindowImage(image.release(), true);
        return nullptr;
    }
    image->window = info.info.x11.window;
    image->completionType = XShmGetEventBase(display) + ShmCompletion;
    image->width = width;
    image->height = height;
    image->image =
        XShmCreateImage(display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, nullptr,
                        &image->segment, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image->image || !PlainXrgb(*image->image, width) || !Attach(*image)) {
        DestroyWindowImage(image.release(), true);
        return nullptr;
    }
    image->gc = XCreateGC(display, image->window, 0, nullptr);
    return image.release();
}

std::uint32_t* WindowImagePixels(WindowImage* image) {
    return image ? reinterpret_cast<std::uint32_t*>(image->segment.shmaddr) : nullptr;
}

bool ShowWindowImageRows(WindowImage* image, int top, int bottom) {
    if (!image || !image->attached || !image->gc || image->connectionLost) return false;
    if (top < 0) top = 0;
    if (bottom > image->height) bottom = image->height;
    if (top >= bottom) return true;
    // The display tells when it has read the rows (SettleWindowImage); until then the pixels are not
    // the frame store's to write.
    XShmPutImage(image->display, image->window, image->gc, image->image, 0, top, 0, top,
                 static_cast<unsigned>(image->width), static_cast<unsigned>(bottom - top), True);
    ++image->pendingPuts;
    XFlush(image->display);
    return true;
}

void SettleWindowImage(WindowImage* image) {
    if (!image || image->pendingPuts == 0) return;
    // A lost connection has nobody reading the image any more.
    if (image->connectionLost) {
        image->pendingPuts = 0;
        return;
    }
    XEvent event;
    auto takeArrived = [&] {
        while (image->pendingPuts > 0 && XCheckTypedEvent(image->display, image->completionType, &event))
            --image->pendingPuts;
    };
    // Usually the display has long read the rows of the frame before: its word is in the socket already.
    XEventsQueued(image->display, QueuedAfterReading);
    takeArrived();
    if (image->pendingPuts > 0 && !image->connectionLost) {
        // Otherwise a round trip: the display has then done every request sent before it (a word that
        // may never come, after an error, is not waited for).
        XSync(image->display, False);
        takeArrived();
    }
    image->pendingPuts = 0;
}

void DestroyWindowImage(WindowImage* image, bool displayUsable) {
    if (!image) return;
    if (displayUsable) SettleWindowImage(image);
    const bool usable = displayUsable && !image->connectionLost;
    if (usable && image->attached) {
        XShmDetach(image->display, &image->segment);
        if (image->gc) XFreeGC(image->display, image->gc);
        XSync(image->display, False);
    }
    if (image->image) {
        image->image->data = nullptr; // the segment is not the library's to free
        XDestroyImage(image->image);
    }
    if (image->segment.shmaddr) shmdt(image->segment.shmaddr);
    // A connection found broken is left as it is: closing it would talk to the display.
    if (usable) XCloseDisplay(image->display);
    delete image;
}

#else

struct WindowImage {};

WindowImage* CreateWindowImage(void*, int, int) {
    return nullptr;
}
std::uint32_t* WindowImagePixels(WindowImage*) {
    return nullptr;
}
bool ShowWindowImageRows(WindowImage*, int, int) {
    return false;
}
void SettleWindowImage(WindowImage*) {}
void DestroyWindowImage(WindowImage* image, bool) {
    delete image;
}

#endif

} // namespace win
