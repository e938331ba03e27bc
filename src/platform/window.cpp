#include "platform/window.h"

#include "platform/close_guard.h"
#include "platform/cp932.h"
#include "platform/display_connection.h"
#include "platform/keyboard.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/single_instance.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(M4_HAVE_X11)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>

namespace win {
namespace {

std::mutex g_windowLock;
SDL_Window* g_sdlWindow = nullptr;
HWND g_hwnd = nullptr;
std::string g_className;
std::atomic<bool> g_videoUp{false};
// The thread that started the video system: only it may take SDL's events.
std::thread::id g_videoThread;
// The keys followed on the display's keyboard after a box (window thread only): those held through
// it, and those that went to it.
std::bitset<256> g_followedHeld, g_followedSwallowed;
// Whether the video system has told the window it has the keyboard focus (from its making on, until
// it is told otherwise): key presses it passes on before telling that the focus came back went down
// while another window had the focus.
std::atomic<bool> g_keyFocus{true};
// The keys the game held that the key-up events taken since the last event of another kind let go,
// and those the key-up events just before the event being taken let go (window thread only).
std::bitset<256> g_letGoInARow, g_letGoJustBefore;
// The keys the game held as the window lost the focus (window thread only).
std::bitset<256> g_heldAtFocusLoss;
// What the display's keyboard reads as holding, set by a test.
std::optional<std::bitset<256>> g_displayKeysForTests;
// Whether frames are copied into the window's own surface instead of going through a renderer.
bool g_framesOnSurface = false;
// The display has lost what the window showed (an exposure): the next present shows the whole frame.
std::atomic<bool> g_exposed{false};
// When the window thread last took an event (SDL's milliseconds; window thread only).
Uint32 g_lastEvent = 0;
bool g_anyEvent = false;

// The SDL window as far as it may still be used: after the display connection is lost the window
// object lives on (the close road needs it) but nothing more is asked of the display.
SDL_Window* UsableSdlWindowLocked() {
    return DisplayLost() ? nullptr : g_sdlWindow;
}

bool HasValue(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool StartVideo(std::string& problem) {
    if (g_videoUp) return true;
    // Signals are the signal watcher's (platform/signals.h), not SDL's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // One click on the close box is one WM_CLOSE: no extra quit event after the window's own close
    // (a second WM_CLOSE would end a pause that the first only asks to end).
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A click that activates the window also acts (a dialog's button is pressed by one click).
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
#if defined(__unix__) && !defined(__APPLE__) && !defined(__ANDROID__)
    if (!HasValue("SDL_VIDEODRIVER")) {
        // Without a display the player would run where nobody can see it.
        if (!HasValue("DISPLAY") && !HasValue("WAYLAND_DISPLAY")) {
            problem = "no display to show the game on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                      "SDL_VIDEODRIVER=dummy runs it without a window";
            return false;
        }
        // Outside a Wayland session only X is asked, so that no Wayland client library complains.
        if (!HasValue("WAYLAND_DISPLAY")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
#endif
    InstallDisplayErrorHandlers();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        problem = std::string("the display cannot be opened: ") + SDL_GetError();
        return false;
    }
    // The video system starts with text input on: an input method would then take the game's keys.
    // It is on only while a text field has the focus (platform/widget_events.h).
    SDL_StopTextInput();
    g_videoThread = std::this_thread::get_id();
    g_videoUp = true;
    return true;
}

// What was made for the window and goes with it (the presenter's renderer and textures).
std::atomic<void (*)()> g_windowRelease{nullptr};

void RemoveSdlWindow() {
    // The window goes with the close: a display that holds the window thread is not waited for.
    ArmCloseGuard();
    DisplayWait wait(true);
    if (auto release = g_windowRelease.load()) release();
    std::lock_guard<std::mutex> guard(g_windowLock);
    // The player's own destruction of the window is no loss.
    WatchDisplayConnection(nullptr);
    if (SDL_Window* w = UsableSdlWindowLocked()) SDL_DestroyWindow(w);
    g_sdlWindow = nullptr;
    if (!g_className.empty()) WithdrawWindowClass(g_className.c_str());
    g_hwnd = nullptr;
}

// The window manager's frame around the client area, as the video system knows it: all 0 before
// the window was first shown and without a window manager.
void FrameBordersLocked(SDL_Window* w, int& top, int& left, int& bottom, int& right) {
    if (SDL_GetWindowBordersSize(w, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
}

// The client area's corner on the desktop as it is now.
void ClientCornerLocked(SDL_Window* w, int& x, int& y) {
    if (!QueryClientCorner(w, x, y)) SDL_GetWindowPosition(w, &x, &y);
}

LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>((static_cast<DWORD>(high & 0xFFFF) << 16) | static_cast<DWORD>(low & 0xFFFF));
}

void Translate(const SDL_Event& e, HWND hwnd) {
    NoteEventBeforeTaking(e.type == SDL_KEYUP,
                          e.type == SDL_KEYUP ? VirtualKeyFromKey(e.key.keysym.scancode, e.key.keysym.sym)
                                              : 0);
    switch (e.type) {
    case SDL_QUIT:
        EndOpenMessageBoxes();
        PostMessage(hwnd, WM_CLOSE, 0, 0);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int vk = VirtualKeyFromKey(e.key.keysym.scancode, e.key.keysym.sym);
        if (vk == 0) break;
        const bool down = e.type == SDL_KEYDOWN;
        // While a box is open the window takes no input: a key pressed into it is dropped, not kept
        // for after the box (a key let go is still let go).
        if (MessageBoxOpen()) {
            if (!down) SetKeyDown(vk, false);
            break;
        }
        // A key that went to a dialog or a box reaches the game only when it is pressed again; so
        // does one whose press went to another window (the first the window hears of it is a repeat,
        // or a press before the video system tells that the focus came back).
        if (down && GetAsyncKeyState(vk) == 0 && (e.key.repeat || !g_keyFocus)) SwallowKey(vk);
        if (down && KeySwallowed(vk)) break;
        SetKeyDown(vk, down);
        PostMessage(hwnd, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), e.key.repeat ? 1 : 0);
        break;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            EndOpenMessageBoxes();
            PostMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            KeysOnFocusGain();
            PostMessage(hwnd, WM_ACTIVATEAPP, 1, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Key-up events do not reach a window in the background.
            ReleaseKeysOnFocusLoss();
            PostMessage(hwnd, WM_ACTIVATEAPP, 0, 0);
            break;
        case SDL_WINDOWEVENT_MOVED:
            PostMessage(hwnd, WM_MOVE, 0, MakeLParam(e.window.data1, e.window.data2));
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            PostMessage(hwnd, WM_SIZE, 0, MakeLParam(e.window.data1, e.window.data2));
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            g_exposed = true;
            PostMessage(hwnd, WM_PAINT, 0, 0);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

} // namespace

BOOL RegisterWindowClass(const char* className) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    g_className = className ? className : "";
    return TRUE;
}

bool IsSoftwareRasterizer(const char* glRenderer) {
    if (!glRenderer) return false;
    std::string name(glRenderer);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "software"})
        if (name.find(soft) != std::string::npos) return true;
    return false;
}

namespace {

// Whether the machine has a device through which a graphics processor is driven (the kernel's
// rendering devices, or the nodes of a driver of its own).
bool HaveGraphicsDevice() {
    std::error_code error;
    for (const char* path : {"/dev/dri", "/dev/nvidiactl", "/dev/nvidia0"})
        if (std::filesystem::exists(path, error)) return true;
    return false;
}

bool RendererDrawsInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name) return false;
    if (std::strncmp(info.name, "opengl", 6) != 0) return false;
    // The renderer leaves its context current on this thread.
    if (!SDL_GL_GetCurrentContext()) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int kGlRenderer = 0x1F01;
    return getString && IsSoftwareRasterizer(reinterpret_cast<const char*>(getString(kGlRenderer)));
}

} // namespace

bool FramesOnWindowSurface() {
    return g_framesOnSurface;
}

bool OpenDisplay(std::string& problem) {
    return StartVideo(problem);
}

bool CreateMainWindow(HWND hwnd, const char* title, int x, int y, int clientWidth, int clientHeight) {
    std::string problem;
    if (!hwnd || !StartVideo(problem)) return false;
    const std::string utf8 = cp932::ToUtf8(title ? title : "");
    SDL_Window* w = SDL_CreateWindow(utf8.c_str(), x, y, clientWidth, clientHeight, SDL_WINDOW_HIDDEN);
    if (!w) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!HasValue("SDL_RENDER_DRIVER") && driver && std::strcmp(driver, "x11") == 0 &&
        !HaveGraphicsDevice()) {
        // No graphics processor to draw OpenGL: the frames are copied into the window, and the
        // OpenGL library is not even loaded.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        g_framesOnSurface = true;
    } else if (SDL_Renderer* trial = SDL_CreateRenderer(w, -1, 0)) {
        // A renderer may need a window of another kind, which the video system makes by replacing
        // the window, placed anew by the window manager. That is done now, while the window is
        // hidden and not yet placed, so that the presenter's renderer later finds the window of its
        // kind.
        // A renderer that draws with the processor anyway (OpenGL without a graphics processor)
        // spends far more time than a copy into the window's own surface, which shows the same pixels.
        // A render driver the user names is kept.
        if (!HasValue("SDL_RENDER_DRIVER") && RendererDrawsInSoftware(trial)) {
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
            g_framesOnSurface = true;
        }
        SDL_DestroyRenderer(trial);
    }
    WatchDisplayConnection(w);
    g_keyFocus = true;
    std::lock_guard<std::mutex> guard(g_windowLock);
    g_sdlWindow = w;
    g_hwnd = hwnd;
    if (!g_className.empty()) PublishWindowClass(g_className.c_str());
    return true;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return FALSE;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    RemoveSdlWindow();
    return TRUE;
}

void ReleaseMainWindow(HWND hwnd) {
    if (IsWindow(hwnd)) RemoveSdlWindow();
}

bool IsWindow(HWND hwnd) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    return hwnd && hwnd == g_hwnd && g_sdlWindow;
}

void CenterOnDesktop(HWND hwnd) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    if (SDL_Window* w = UsableSdlWindowLocked(); hwnd == g_hwnd && w)
        SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void SetWindowText(HWND hwnd, const char* title) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    if (SDL_Window* w = UsableSdlWindowLocked(); hwnd == g_hwnd && w)
        SDL_SetWindowTitle(w, cp932::ToUtf8(title ? title : "").c_str());
}

std::string GetWindowText(HWND hwnd) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    if (hwnd != g_hwnd || !g_sdlWindow) return {};
    return cp932::FromUtf8(SDL_GetWindowTitle(g_sdlWindow));
}

void SetWindowRelease(void (*release)()) {
    g_windowRelease = release;
}

namespace {

#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
// Asks the display to map the window and waits at most `waitMs` for it to be mapped: a window
// manager may never map it (one that starts just then), and the display may go meanwhile. True
// once it is mapped, and for a window not on X (the video system's own wait is used there).
bool MappedWithin(SDL_Window* w, Uint32 waitMs) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return true;
    Display* display = info.info.x11.display;
    const ::Window window = info.info.x11.window;
    XMapRaised(display, window);
    const Uint64 giveUpAt = SDL_GetTicks64() + waitMs;
    for (;;) {
        XWindowAttributes attributes;
        if (DisplayLost() || !XGetWindowAttributes(display, window, &attributes)) return false;
        if (attributes.map_state != IsUnmapped) return true;
        if (SDL_GetTicks64() >= giveUpAt) return false;
        SDL_Delay(10);
    }
}
#else
bool MappedWithin(SDL_Window*, Uint32) {
    return true;
}
#endif

} // namespace

bool ShowWindow(HWND hwnd, bool show) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    SDL_Window* w = UsableSdlWindowLocked();
    if (hwnd != g_hwnd || !w) return false;
    if (!show) {
        DisplayWait wait(true);
        SDL_HideWindow(w);
        return true;
    }
    // The video system's show waits for the window to be mapped without end; it is asked only once
    // the window is mapped, when it waits no more.
    constexpr Uint32 kMapWaitMs = 5000;
    bool mapped = false;
    {
        DisplayWait wait(false);
        mapped = MappedWithin(w, kMapWaitMs);
    }
    if (!mapped) return false;
    DisplayWait wait(true);
    SDL_ShowWindow(w);
    return true;
}

void SetFullScreen(HWND hwnd, bool fullScreen) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    SDL_Window* w = UsableSdlWindowLocked();
    if (hwnd != g_hwnd || !w) return;
    DisplayWait wait(true);
    SDL_SetWindowFullscreen(w, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    if (!rect || hwnd != g_hwnd || !g_sdlWindow) return false;
    int x = 0, y = 0, w = 0, h = 0, top = 0, left = 0, bottom = 0, right = 0;
    ClientCornerLocked(g_sdlWindow, x, y);
    SDL_GetWindowSize(g_sdlWindow, &w, &h);
    FrameBordersLocked(g_sdlWindow, top, left, bottom, right);
    *rect = RECT{x - left, y - top, x + w + right, y + h + bottom};
    return true;
}

bool GetClientRectOnScreen(HWND hwnd, RECT* rect) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    if (!rect || hwnd != g_hwnd || !g_sdlWindow) return false;
    int x = 0, y = 0, w = 0, h = 0;
    ClientCornerLocked(g_sdlWindow, x, y);
    SDL_GetWindowSize(g_sdlWindow, &w, &h);
    *rect = RECT{x, y, x + w, y + h};
    return true;
}

void MoveWindow(HWND hwnd, int x, int y) {
    std::lock_guard<std::mutex> guard(g_windowLock);
    SDL_Window* w = UsableSdlWindowLocked();
    if (hwnd != g_hwnd || !w) return;
    // The video system places the client area and takes off the frame it knows of; the window
    // manager puts the frame's corner where the window was asked to go (all of it when the frame
    // is not yet known). Either way the frame's corner lands on x, y.
    int top = 0, left = 0, bottom = 0, right = 0;
    FrameBordersLocked(w, top, left, bottom, right);
    SDL_SetWindowPosition(w, x + left, y + top);
}

void* GetMainSdlWindow() {
    std::lock_guard<std::mutex> guard(g_windowLock);
    return UsableSdlWindowLocked();
}

void PumpWindowEvents() {
    if (!g_videoUp || std::this_thread::get_id() != g_videoThread) return;
    HWND hwnd;
    {
        std::lock_guard<std::mutex> guard(g_windowLock);
        hwnd = g_hwnd;
    }
    // The display may be lost while its events are taken: nothing more is asked of it from then on.
    DisplayWait wait(false);
    SDL_Event e;
    while (!DisplayLost() && SDL_PollEvent(&e)) {
        // Under X every event from the display comes as a system event too, also those the video
        // system keeps back for a later look.
        g_lastEvent = e.common.timestamp;
        g_anyEvent = true;
        if (hwnd) Translate(e, hwnd);
    }
    FollowHeldKeys();
    // A lost display or window ends the player the way the close box does, once.
    if (hwnd && TakeDisplayLoss()) {
        EndOpenMessageBoxes();
        PostMessage(hwnd, WM_CLOSE, 0, 0);
    }
}

namespace {
std::atomic<void (*)(bool)> g_repaint{nullptr};

// The keys after a box: what the boxes answered since the window thread last looked asked for, and
// the keys held when they opened.
std::mutex g_boxKeysLock;
std::condition_variable g_boxKeysTaken;
std::uint64_t g_boxEndsAsked = 0, g_boxEndsTaken = 0;
std::bitset<256> g_heldBeforeBox;
std::atomic<bool> g_boxKeysWaiting{false};

#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
// The virtual-key code of a key symbol; 0 for keys without one.
int VirtualKeyFromKeysym(KeySym k) {
    if (k >= XK_F1 && k <= XK_F12) return VK_F1 + static_cast<int>(k - XK_F1);
    if (k >= XK_KP_0 && k <= XK_KP_9) return VK_NUMPAD0 + static_cast<int>(k - XK_KP_0);
    if (k >= 0x20 && k < 0x7F) return k == XK_space ? VK_SPACE : VirtualKeyFromCharacter(static_cast<int>(k));
    switch (k) {
    case XK_Return:
    case XK_KP_Enter:
        return VK_RETURN;
    case XK_Escape:
        return VK_ESCAPE;
    case XK_Tab:
        return VK_TAB;
    case XK_BackSpace:
        return VK_BACK;
    case XK_Pause:
        return VK_PAUSE;
    case XK_Left:
        return VK_LEFT;
    case XK_Up:
        return VK_UP;
    case XK_Right:
        return VK_RIGHT;
    case XK_Down:
        return VK_DOWN;
    case XK_Insert:
        return VK_INSERT;
    case XK_Delete:
        return VK_DELETE;
    case XK_Home:
        return VK_HOME;
    case XK_End:
        return VK_END;
    case XK_Prior:
        return VK_PRIOR;
    case XK_Next:
        return VK_NEXT;
    case XK_Shift_L:
        return VK_LSHIFT;
    case XK_Shift_R:
        return VK_RSHIFT;
    case XK_Control_L:
        return VK_LCONTROL;
    case XK_Control_R:
        return VK_RCONTROL;
    case XK_Alt_L:
        return VK_LMENU;
    case XK_Alt_R:
        return VK_RMENU;
    case XK_KP_Multiply:
        return VK_MULTIPLY;
    case XK_KP_Add:
        return VK_ADD;
    case XK_KP_Subtract:
        return VK_SUBTRACT;
    case XK_KP_Decimal:
        return VK_DECIMAL;
    case XK_KP_Divide:
        return VK_DIVIDE;
    default:
        return 0;
    }
}
#endif

// The keys the display's keyboard holds down now, by their virtual-key codes; false when it cannot
// be read.
bool KeysDownOnDisplay(std::bitset<256>& down) {
    down.reset();
    if (g_displayKeysForTests) {
        down = *g_displayKeysForTests;
        return true;
    }
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    if (DisplayLost()) return false;
    SDL_Window* window = static_cast<SDL_Window*>(GetMainSdlWindow());
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 ||
        !info.info.x11.display)
        return false;
    Display* display = info.info.x11.display;
    char keys[32];
    XQueryKeymap(display, keys);
    for (int code = 8; code < 256; ++code) {
        if (!(keys[code / 8] & (1 << (code % 8)))) continue;
        const KeyCode keyCode = static_cast<KeyCode>(code);
        // The key's own symbol; a key of the number pad by its digit.
        int vk = VirtualKeyFromKeysym(XkbKeycodeToKeysym(display, keyCode, 0, 0));
        if (vk == 0) vk = VirtualKeyFromKeysym(XkbKeycodeToKeysym(display, keyCode, 0, 1));
        if (vk > 0 && vk < 256) down.set(static_cast<std::size_t>(vk));
    }
    return true;
#else
    return false;
#endif
}

} // namespace

void KeysAfterBox(const std::bitset<256>& heldBefore) {
    if (!g_videoUp) return;
    std::unique_lock<std::mutex> lock(g_boxKeysLock);
    g_heldBeforeBox |= heldBefore;
    const std::uint64_t asked = ++g_boxEndsAsked;
    g_boxKeysWaiting = true;
    if (std::this_thread::get_id() == g_videoThread) {
        lock.unlock();
        FollowHeldKeys();
        return;
    }
    lock.unlock();
    WakeMessageWaiters();
    // The window thread takes them at its next look at the window (a dialog it runs may keep it a
    // while: the wait is short).
    lock.lock();
    g_boxKeysTaken.wait_for(lock, std::chrono::milliseconds(100),
                            [asked] { return g_boxEndsTaken >= asked || IsAborting(); });
}

void FollowHeldKeys() {
    if (!g_videoUp || std::this_thread::get_id() != g_videoThread) return;
    if (!g_boxKeysWaiting && g_followedHeld.none() && g_followedSwallowed.none()) return;
    std::bitset<256> heldBefore;
    std::uint64_t asked = 0;
    bool boxEnded = false;
    {
        std::lock_guard<std::mutex> guard(g_boxKeysLock);
        boxEnded = g_boxEndsTaken != g_boxEndsAsked;
        asked = g_boxEndsAsked;
        heldBefore = g_heldBeforeBox;
        g_heldBeforeBox.reset();
        g_boxKeysWaiting = false;
    }
    std::bitset<256> down;
    const bool known = KeysDownOnDisplay(down);
    if (boxEnded) {
        // A key the game saw go down before the box stays held, also when the window took the focus
        // back before the box's end was known here.
        const std::bitset<256> heldThrough = down & heldBefore;
        g_followedSwallowed = (g_followedSwallowed | (down & ~heldBefore)) & ~heldThrough;
        g_followedHeld |= heldThrough;
    }
    // Held as the display's keyboard holds them, whatever the window's events said meanwhile (a
    // change of focus the video system tells late lets every key go).
    for (int vk = 1; vk < 256; ++vk) {
        const std::size_t k = static_cast<std::size_t>(vk);
        if (!g_followedHeld[k] && !g_followedSwallowed[k]) continue;
        if (!known || !down[k]) {
            SetKeyDown(vk, false);
            g_followedHeld.reset(k);
            g_followedSwallowed.reset(k);
        } else if (g_followedHeld[k]) {
            if (KeySwallowed(vk)) SetKeyDown(vk, false); // its press counts again
            SetKeyDown(vk, true);
        } else if (!KeySwallowed(vk)) {
            SwallowKey(vk);
        }
    }
    if (boxEnded) {
        {
            std::lock_guard<std::mutex> guard(g_boxKeysLock);
            g_boxEndsTaken = asked;
        }
        g_boxKeysTaken.notify_all();
    }
}

// The key-up events the video system makes as it tells a loss come in a row just before it. A key the
// user let go before the focus went is not among them: under X the display's own events come as system
// events too, and the display's news that the focus went comes between (the video system tells the
// loss a moment later).
void NoteEventBeforeTaking(bool keyUp, int vk) {
    if (!keyUp) {
        g_letGoJustBefore = g_letGoInARow;
        g_letGoInARow.reset();
    } else if (vk > 0 && vk < 256 && GetAsyncKeyState(vk) != 0) {
        g_letGoInARow.set(static_cast<std::size_t>(vk));
    }
}

void ReleaseKeysOnFocusLoss() {
    g_keyFocus = false;
    // The keys the video system let go as it told the loss, and any it kept.
    g_heldAtFocusLoss = HeldKeys() | g_letGoJustBefore;
    g_letGoJustBefore.reset();
    ReleaseAllKeys(g_followedHeld | g_followedSwallowed);
}

void KeysOnFocusGain() {
    std::bitset<256> down;
    if (KeysDownOnDisplay(down)) {
        for (int vk = 1; vk < 256; ++vk) {
            const std::size_t k = static_cast<std::size_t>(vk);
            if (!down[k] || GetAsyncKeyState(vk) != 0 || g_followedHeld[k]) continue;
            if (g_heldAtFocusLoss[k]) {
                // Held through: the video system let it go, so its release may never be told.
                SetKeyDown(vk, true);
                g_followedHeld.set(k);
                g_followedSwallowed.reset(k);
            } else {
                SwallowKey(vk);
                g_followedSwallowed.set(k);
            }
        }
    }
    g_heldAtFocusLoss.reset();
    g_keyFocus = true;
}

void SetDisplayKeysForTests(const std::bitset<256>* keys) {
    if (keys)
        g_displayKeysForTests = *keys;
    else
        g_displayKeysForTests.reset();
}

void SetWindowRepaint(void (*repaint)(bool whole)) {
    g_repaint = repaint;
}

void PumpWindowEventsAndRepaint() {
    if (!g_videoUp || std::this_thread::get_id() != g_videoThread) return;
    PumpWindowEvents();
    if (auto repaint = g_repaint.load(); repaint && !DisplayLost()) repaint(TakeWindowExposure());
}

bool TakeWindowExposure() {
    return g_exposed.exchange(false);
}

void WaitForMessageOrEvent() {
    for (;;) {
        PumpWindowEvents();
        MSG msg;
        if (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) || IsAborting()) return;
        WaitMessageTimeout(10);
    }
}

#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
namespace {

// The main window's X connection with what was asked of it sent, or null when the window is not
// on X.
Display* FlushedMainDisplay() {
    SDL_Window* window = static_cast<SDL_Window*>(GetMainSdlWindow());
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 ||
        !info.info.x11.display)
        return nullptr;
    XFlush(info.info.x11.display);
    return info.info.x11.display;
}

} // namespace
#endif

void WaitForWindowInput(DWORD pollMs, DWORD idleMs, DWORD settleMs, DWORD restMs, std::uint64_t wakeupsSeen) {
    // SDL's own queue may hold events made while the window was looked at.
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    if (Display* display = FlushedMainDisplay()) {
        // Events the X library has read already (while a frame was sent) leave nothing on the socket.
        if (XEventsQueued(display, QueuedAlready) > 0) return;
        const bool settling = g_anyEvent && !SDL_TICKS_PASSED(SDL_GetTicks(), g_lastEvent + settleMs);
        WaitMessageOrReadable(settling ? idleMs : restMs, ConnectionNumber(display), wakeupsSeen);
        return;
    }
#endif
    (void)idleMs;
    (void)settleMs;
    (void)restMs;
    WaitMessageOrReadable(pollMs, -1, wakeupsSeen);
}

void WaitForDisplayInput(DWORD ms) {
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
#if defined(M4_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
    if (Display* display = FlushedMainDisplay()) {
        if (XEventsQueued(display, QueuedAlready) > 0) return;
        pollfd p{ConnectionNumber(display), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::min<DWORD>(ms, 0x7FFFFFFF)));
        return;
    }
#endif
    SDL_Delay(ms);
}

} // namespace win
