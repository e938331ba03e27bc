// The connection to the display server. Under X, losing it (the server gone, the program's client
// killed) would end the process from inside the X library, in the middle of whatever the other
// threads do. It is noted instead, so that the window thread can end the player the way a close
// does; from then on nothing more is asked of the display.
#pragma once

namespace win {

// Window thread, once the main window exists: watches the connection of `sdlWindow`'s display
// (nothing to watch for displays other than X).
void WatchDisplayConnection(void* sdlWindow);
// The connection was lost: the window and the renderer must not be used any more.
bool DisplayConnectionLost();
// True once, for the first caller after the loss: that caller turns it into the close.
bool TakeDisplayConnectionLoss();

// The corner of `sdlWindow`'s client area on the desktop, asked of the display itself: the video
// system's own record follows a move only once the window manager's answer has arrived. False when
// the display cannot be asked so (not X, or the connection is lost).
bool QueryClientCorner(void* sdlWindow, int& x, int& y);

} // namespace win
