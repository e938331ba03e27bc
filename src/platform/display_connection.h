// The connection to the display server and the game window on it. Under X, losing the connection
// (the server gone, the program's client killed) or the window (destroyed by another client) would
// end the process from inside the X library, in the middle of whatever the other threads do. Either
// loss is noted instead, so that the window thread can end the player the way a close does; from
// then on nothing more is asked of the display.
#pragma once

namespace win {

// Window thread, before the video system starts: the X library's error hooks are the player's, so
// that no error the display reports ends the process (nothing to do for displays other than X).
void InstallDisplayErrorHandlers();
// Window thread, once the main window exists: watches the connection of `sdlWindow`'s display and
// the window itself. Null stops watching the window (before the player destroys it itself).
void WatchDisplayConnection(void* sdlWindow);

// What took the display away.
enum class DisplayLoss { NoLoss, Connection, Window };
// The connection or the window was lost: the window and the renderer must not be used any more.
bool DisplayLost();
DisplayLoss DisplayLossKind();
// The report log's words for a loss ("" for none).
const char* DisplayLossText(DisplayLoss loss);
// True once, for the first caller after the loss: that caller turns it into the close.
bool TakeDisplayLoss();

// What the display reports, as X numbers it (error codes, event types, window ids): whether it
// means that `window`, the game window, is gone. An error counts when it names the window as one
// that does not exist; an event when it is that window's destruction.
bool ErrorMeansWindowGone(int errorCode, unsigned long resourceId, unsigned long window);
bool EventMeansWindowGone(int eventType, unsigned long eventWindow, unsigned long window);

// The corner of `sdlWindow`'s client area on the desktop, asked of the display itself: the video
// system's own record follows a move only once the window manager's answer has arrived. False when
// the display cannot be asked so (not X, or the connection is lost).
bool QueryClientCorner(void* sdlWindow, int& x, int& y);

} // namespace win
