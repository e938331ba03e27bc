// The window thread's side of the presenter: shows the latest published frame in the SDL window,
// placed as the window asks (platform/picture_fit.h), nearest-neighbour. Call only on the window
// thread.
#pragma once
#include <cstdint>

namespace gfx {

// `sdlWindow` is the SDL_Window*. Draws when a new frame was published since the last call, when the
// window's size changed, or when `redraw` asks for it (the window was exposed). Returns whether it drew:
// false when there was nothing new, nothing published yet, or no renderer for the video driver.
bool PresentLatestFrame(void* sdlWindow, bool redraw = false);
// Stretches src (srcW x srcH, rows srcPitch pixels apart) over dst (dstW x dstH, rows dstPitch apart),
// each destination pixel taking the source pixel under its middle: source column
// (2x + 1) * srcW / (2 * dstW), rounded down, and the same for rows.
void StretchNearest(const std::uint32_t* src, int srcW, int srcH, int srcPitch, std::uint32_t* dst, int dstW,
                    int dstH, int dstPitch);
// Frees the renderer and texture made for the window (before the window is destroyed).
void ReleasePresenter();

} // namespace gfx
