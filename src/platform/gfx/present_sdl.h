// The window thread's side of the presenter: shows the latest published frame in the SDL window,
// scaled by a whole number and centred, nearest-neighbour. Call only on the window thread.
#pragma once

namespace gfx {

// `sdlWindow` is the SDL_Window*. Uploads the frame when a new one was published and redraws.
// Returns false when the window has no renderer (e.g. the dummy video driver) or nothing to show.
bool PresentLatestFrame(void* sdlWindow);
// Frees the renderer and texture made for the window (before the window is destroyed).
void ReleasePresenter();

} // namespace gfx
