// A picture the main window is shown from without a copy: an image in memory the display server
// reads itself (shared memory under X), of XRGB pixels, rows `width` apart. It is made and freed on the
// window thread; it is shown through a connection of its own, so that any one thread at a time may show
// it (ShowWindowImageRows) while the window thread goes on with the window.
#pragma once
#include <cstdint>

namespace win {

struct WindowImage;

// Makes an image of width x height for the SDL window `sdlWindow`; null where the display cannot
// read the process's memory (not X, a display on another machine, no shared-memory extension) or
// the window's pixels are not 32-bit XRGB.
WindowImage* CreateWindowImage(void* sdlWindow, int width, int height);
std::uint32_t* WindowImagePixels(WindowImage* image);
// Shows rows [top, bottom) of the image in the same rows of the window, from its left edge: the rows
// are sent to the display, which reads them in its own time, so that the image must not be written
// before SettleWindowImage. False when the display refused them.
bool ShowWindowImageRows(WindowImage* image, int top, int bottom);
// Returns once the display has read every row shown so far (at once when it had already, or when its
// connection is lost): the image may be written from then on. Called by the thread that shows it.
void SettleWindowImage(WindowImage* image);
// Frees the image (settled first); `displayUsable` false (the display's connection is lost): only the
// process's own side is freed, nothing is asked of the display.
void DestroyWindowImage(WindowImage* image, bool displayUsable);

} // namespace win
