// The window thread's side of the presenter.
#include "platform/gfx/present_sdl.h"
#include "platform/gfx/presenter.h"
#include "platform/display_connection.h"
#include "platform/picture_fit.h"
#include <SDL.h>
#include <vector>

namespace gfx {
namespace {

struct WindowSide {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int texW = 0, texH = 0;
    int outW = 0, outH = 0;
    std::uint64_t shown = 0; // the change count of the frame in the texture
    bool failed = false;
};

WindowSide g_side; // used by the window thread only

} // namespace

void ReleasePresenter() {
    // A renderer whose display is gone is only forgotten: releasing it would talk to that display.
    if (!win::DisplayConnectionLost()) {
        if (g_side.texture) SDL_DestroyTexture(g_side.texture);
        if (g_side.renderer) SDL_DestroyRenderer(g_side.renderer);
    }
    g_side = WindowSide{};
}

bool PresentLatestFrame(void* sdlWindow, bool redraw) {
    auto* window = static_cast<SDL_Window*>(sdlWindow);
    if (!window) return false;
    if (window != g_side.window) {
        ReleasePresenter();
        g_side.window = window;
    }
    if (g_side.failed) return false;
    if (!g_side.renderer) {
        g_side.renderer = SDL_CreateRenderer(window, -1, 0);
        if (!g_side.renderer) {
            g_side.failed = true; // e.g. the dummy video driver: frames are only kept for reading back
            return false;
        }
    }
    // A frame the same as the one shown is not shown again.
    const std::uint64_t version = PublishedChangeCount();
    const bool fresh = version != g_side.shown;
    if (fresh) {
        // The texture takes the frame straight from the hand-over slot.
        bool ok = false;
        auto upload = [](const std::uint32_t* px, int w, int h, void* context) {
            bool& done = *static_cast<bool*>(context);
            if (!g_side.texture || w != g_side.texW || h != g_side.texH) {
                if (g_side.texture) SDL_DestroyTexture(g_side.texture);
                SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
                g_side.texture = SDL_CreateTexture(g_side.renderer, SDL_PIXELFORMAT_ARGB8888,
                                                   SDL_TEXTUREACCESS_STREAMING, w, h);
                if (!g_side.texture) return;
                g_side.texW = w;
                g_side.texH = h;
            }
            SDL_UpdateTexture(g_side.texture, nullptr, px, w * 4);
            done = true;
        };
        if (!UseLastFrame(upload, &ok) || !ok) return false;
        g_side.shown = version;
    }
    if (!g_side.texture) return false;
    int winW = 0, winH = 0;
    SDL_GetRendererOutputSize(g_side.renderer, &winW, &winH);
    if (!fresh && !redraw && winW == g_side.outW && winH == g_side.outH) return false;
    g_side.outW = winW;
    g_side.outH = winH;
    const win::PicturePlace p =
        win::PlacePicture(win::FitOfWindow(window), g_side.texW, g_side.texH, winW, winH);
    // Only the borders around a frame that does not fill the window need clearing.
    if (p.x > 0 || p.y > 0 || p.w < winW || p.h < winH) {
        SDL_SetRenderDrawColor(g_side.renderer, 0, 0, 0, 255);
        SDL_RenderClear(g_side.renderer);
    }
    const SDL_Rect dst{p.x, p.y, p.w, p.h};
    SDL_RenderCopy(g_side.renderer, g_side.texture, nullptr, &dst);
    SDL_RenderPresent(g_side.renderer);
    return true;
}

} // namespace gfx
