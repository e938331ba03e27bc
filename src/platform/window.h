// The main window: an SDL window standing in for the platform window, and the window thread's event
// pump that turns its events into window messages for the main window object (platform/messages.h):
// the close box -> WM_CLOSE, keys -> the key table (platform/keyboard.h) and WM_KEYDOWN / WM_KEYUP
// (Escape included), focus -> WM_ACTIVATEAPP (1 gained, 0 lost), moves -> WM_MOVE, size -> WM_SIZE,
// exposure -> WM_PAINT. With the dummy video driver there is no visible window and no focus event.
#pragma once
#include "platform/win_types.h"
#include <bitset>
#include <cstdint>

#include <string>

namespace win {

// Starts the video system on the calling thread, which becomes the window thread. Without
// SDL_VIDEODRIVER, a display must be named (DISPLAY or WAYLAND_DISPLAY) and reachable; false, with
// one line saying why, when it is not.
bool OpenDisplay(std::string& problem);

// Remembers the class name under which the main window is published to other processes
// (platform/single_instance.h). Always succeeds.
BOOL RegisterWindowClass(const char* className);

// Makes the hidden SDL window for the window object: client area width x height at (x, y), title
// in CP932. The calling thread must own the object (it becomes the window thread). False when the
// video system (OpenDisplay) or the window cannot be set up.
bool CreateMainWindow(HWND hwnd, const char* title, int x, int y, int clientWidth, int clientHeight);
// Sends WM_DESTROY to the window procedure, then removes the SDL window. The window object itself
// stays valid (posts to it are harmless) until DestroyMainWindowObject at the very end.
BOOL DestroyWindow(HWND hwnd);
// Window thread: `release` runs just before the player destroys the SDL window, to free what was
// made for the window (a renderer and its textures, which the window's destruction frees with it).
void SetWindowRelease(void (*release)());
// Removes the SDL window without any message (start-up failed).
void ReleaseMainWindow(HWND hwnd);
// True while the SDL window of the object exists.
bool IsWindow(HWND hwnd);

void CenterOnDesktop(HWND hwnd);
void SetWindowText(HWND hwnd, const char* title);
// The main window's title as set (CP932); empty for any other window.
std::string GetWindowText(HWND hwnd);
// Shows or hides the window. A window is shown once the display has mapped it, waited for a few
// seconds at most: false when it was not mapped by then (a window manager that never maps it, a
// display lost), and the game goes on in the unmapped window.
bool ShowWindow(HWND hwnd, bool show);
// Window thread: the window takes the whole desktop, without a frame and above the other windows
// (or gives it back). The desktop keeps its own mode: the picture is scaled to it, letter-boxed
// (platform/picture_fit.h). Boxes and dialogs still show over it.
void SetFullScreen(HWND hwnd, bool fullScreen);
// Outer rectangle on the desktop: the client area with the window manager's frame around it.
bool GetWindowRect(HWND hwnd, RECT* rect);
// The client area on the desktop.
bool GetClientRectOnScreen(HWND hwnd, RECT* rect);
// Puts the window's outer corner (as GetWindowRect gives it) at x, y: a window put where its outer
// rectangle was read stays there.
void MoveWindow(HWND hwnd, int x, int y);

// Whether a GL_RENDERER string names a rasteriser that runs on the processor (llvmpipe, softpipe,
// swrast, "Software Rasterizer").
bool IsSoftwareRasterizer(const char* glRenderer);
// Whether the main window's frames are copied straight into its own surface (SDL_GetWindowSurface)
// rather than drawn through an SDL renderer: chosen when the window is made, when no render driver
// is named (SDL_RENDER_DRIVER) and OpenGL would be drawn by the processor (X on a machine without a
// graphics device, or a renderer SDL picks that names a rasteriser on the processor).
bool FramesOnWindowSurface();
// The SDL_Window* of the main window (for the presenter); null before it exists and once the
// display connection is lost (platform/display_connection.h).
void* GetMainSdlWindow();

// Window thread: turns every waiting SDL event into messages (on any other thread: nothing).
void PumpWindowEvents();
// A box in a window of its own, which took the keyboard from the game window, has been answered;
// `heldBefore` are the keys held when it opened. A key held now counts as held when it was held
// then; any other key held now went to the box (platform/keyboard.h, SwallowKey). The game window's
// events tell the letting go of neither (they never said those keys were down), so the window
// thread follows them on the display's keyboard until they are let go. From any thread; another
// thread waits a little for the window thread to take them. Without a display whose keyboard can
// be read (X) nothing changes.
void KeysAfterBox(const std::bitset<256>& heldBefore);
// Window thread, from the event pumps: takes the keys after a box (KeysAfterBox), and keeps each key
// followed since then as the display's keyboard holds it, until it lets it go.
void FollowHeldKeys();
// Window thread, from the event pumps, for every event they take, before the key table takes it
// (`keyUp`: a key-up event of key `vk`). The video system lets every held key go just before it
// tells that the window lost the focus: the keys the game held that those key-up events let go count
// as held when the focus was lost (ReleaseKeysOnFocusLoss).
void NoteEventBeforeTaking(bool keyUp, int vk);
// Window thread, from the event pumps: the window lost the focus, and key-up events no longer reach
// it: every key is let go but those followed on the display's keyboard. The keys the game held are
// remembered for the focus's return.
void ReleaseKeysOnFocusLoss();
// Window thread, from the event pumps: the window has the keyboard focus again. A key down on the
// display's keyboard that the game held as the focus was lost stays held, followed on the display's
// keyboard until it is let go (the window may not hear of that). Any other key down went to another
// window: it is neither play input nor the close key until it is let go and pressed again (the
// display's repeats of it are not presses). Without a display whose keyboard can be read (X) nothing
// is held or kept out.
void KeysOnFocusGain();
// For tests: the display's keyboard reads as holding `keys` (null: the display's own keyboard).
void SetDisplayKeysForTests(const std::bitset<256>* keys);
// Window thread, while a box waits for its answer: takes the window's events (PumpWindowEvents) and
// shows the latest frame again through the repaint set by SetWindowRepaint, whole when the display
// exposed the window (elsewhere it shows pieces of the windows that were over it).
void PumpWindowEventsAndRepaint();
// The repaint for PumpWindowEventsAndRepaint: `whole` asks for the whole frame. Null: none.
void SetWindowRepaint(void (*repaint)(bool whole));
// Whether the display exposed the window since the last call (what it showed is lost, and the whole
// frame must be shown again, changed or not); the call clears it.
bool TakeWindowExposure();
// Window thread: waits until a message is waiting or an SDL event arrived.
void WaitForMessageOrEvent();
// Window thread, between two looks at the window: waits for a message, a WakeMessageWaiters call
// beyond `wakeupsSeen` (MessageWakeups, counted before the last look), or input from the display.
// Where the display's connection can be watched (X) input ends the wait as it arrives, and the wait
// lasts at most `idleMs` while the display sent anything in the last `settleMs` (the video system
// holds some of it back for a while, a change of focus for one, to be taken at a later look), at
// most `restMs` once it has been quiet that long; elsewhere (the dummy driver, Wayland) the window is
// looked at every `pollMs`.
void WaitForWindowInput(DWORD pollMs, DWORD idleMs, DWORD settleMs, DWORD restMs, std::uint64_t wakeupsSeen);

// Window thread, in a loop that takes the window's events itself (a dialog): waits at most `ms`
// milliseconds for input from the display (where its connection can be watched, X; elsewhere the
// whole time). Messages do not end the wait: the loop looks at those between two waits.
void WaitForDisplayInput(DWORD ms);

} // namespace win
