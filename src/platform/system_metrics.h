// Screen metrics in place of the platform's GetSystemMetrics: the size of the main desktop.
#pragma once

namespace win {

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// The desktop's width or height in pixels; 0 for other indexes. Before the video system is up
// (and when it has no display) the game's own screen size, 640 x 480, is reported.
int GetSystemMetrics(int index);

// The colour depth of the desktop in bits per pixel, as a window's device context reports it: 16 for
// a 16-bit desktop, 32 for 24- and 32-bit ones (and without a display).
int GetDesktopBitsPerPixel();

} // namespace win
