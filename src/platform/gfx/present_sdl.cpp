// The window thread's side of the presenter.
#include "platform/gfx/present_sdl.h"
#include "platform/gfx/presenter.h"
#include "platform/display_connection.h"
#include "platform/picture_fit.h"
#include "platform/window.h"
#include "platform/window_image.h"
#include <SDL.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
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
    // The image the window is shown from while the frame fills it unscaled (win::CreateWindowImage),
    // lent to the presenter as its frame store; `noImage` once the display could not make one.
    win::WindowImage* image = nullptr;
    int imageW = 0, imageH = 0;
    bool noImage = false;
};

WindowSide g_side; // used by the window thread only

} // namespace

void StretchNearest(const std::uint32_t* src, int srcW, int srcH, int srcPitch, std::uint32_t* dst, int dstW,
                    int dstH, int dstPitch) {
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0) return;
    std::vector<int> column(static_cast<std::size_t>(dstW));
    for (int x = 0; x < dstW; ++x)
        column[x] = static_cast<int>((2 * std::int64_t(x) + 1) * srcW / (2 * std::int64_t(dstW)));
    int lastRow = -1;
    std::uint32_t* last = nullptr;
    for (int y = 0; y < dstH; ++y) {
        const int sy = static_cast<int>((2 * std::int64_t(y) + 1) * srcH / (2 * std::int64_t(dstH)));
        std::uint32_t* out = dst + static_cast<std::ptrdiff_t>(y) * dstPitch;
        if (sy == lastRow) {
            std::memcpy(out, last, static_cast<std::size_t>(dstW) * 4);
        } else {
            const std::uint32_t* in = src + static_cast<std::ptrdiff_t>(sy) * srcPitch;
            for (int x = 0; x < dstW; ++x)
                out[x] = in[column[x]];
        }
        lastRow = sy;
        last = out;
    }
}

namespace {

// The size of the latest frame; false when none has been published.
bool LatestFrameSize(int& width, int& height) {
    struct Size {
        int w = 0, h = 0;
    } size;
    if (!UseLastFrameRows(
            [](const std::uint32_t*, int w, int h, RowSpan&, void* context) {
                *static_cast<Size*>(context) = Size{w, h};
            },
            &size))
        return false;
    width = size.w;
    height = size.h;
    return true;
}

// Takes the window's image back from the presenter and frees it. The window's surface, used again,
// is then drawn whole.
void DropImage(bool displayUsable) {
    if (!g_side.image) return;
    TakeBackFrameStore(win::WindowImagePixels(g_side.image));
    win::DestroyWindowImage(g_side.image, displayUsable);
    g_side.image = nullptr;
    g_side.outW = g_side.outH = -1;
}

enum class ImageLook { NotUsed, NothingNew, Drew };

// Shows the latest frame from the window's image when the frame fills the window unscaled: the
// presenter converts frames straight into that image, so only the rows that changed are handed to the
// display. NotUsed where it does not apply (another size or placement, no image to be had).
ImageLook PresentFromImage(SDL_Window* window, bool redraw) {
    int w = 0, h = 0, winW = 0, winH = 0;
    if (g_side.noImage || !LatestFrameSize(w, h)) return ImageLook::NotUsed;
    SDL_GetWindowSizeInPixels(window, &winW, &winH);
    const win::PicturePlace p = win::PlacePicture(win::FitOfWindow(window), w, h, winW, winH);
    if (winW != w || winH != h || p.x != 0 || p.y != 0 || p.w != w || p.h != h) {
        DropImage(true);
        return ImageLook::NotUsed;
    }
    // A frame of another size, or a clear, has ended the lend.
    if (g_side.image &&
        (g_side.imageW != w || g_side.imageH != h || !FrameStoreLent(win::WindowImagePixels(g_side.image))))
        DropImage(true);
    bool whole = redraw;
    if (!g_side.image) {
        g_side.image = win::CreateWindowImage(window, w, h);
        if (!g_side.image) {
            g_side.noImage = true;
            return ImageLook::NotUsed;
        }
        g_side.imageW = w;
        g_side.imageH = h;
        // Whoever publishes a frame shows its changed rows at once: the window thread is not woken for it.
        auto show = [](int top, int bottom, void* image) {
            return win::ShowWindowImageRows(static_cast<win::WindowImage*>(image), top, bottom);
        };
        // Its rows are written again only once the display has read them, whichever thread showed them.
        auto settle = [](void* image) { win::SettleWindowImage(static_cast<win::WindowImage*>(image)); };
        if (!LendFrameStore(win::WindowImagePixels(g_side.image), w, h, show, settle, g_side.image)) {
            DropImage(true);
            return ImageLook::NotUsed;
        }
        whole = true;
    }
    const std::uint64_t version = PublishedChangeCount();
    if (version == g_side.shown && !whole) return ImageLook::NothingNew;
    struct Job {
        bool whole;
        bool done;
    } job{whole, false};
    auto show = [](const std::uint32_t*, int, int h, RowSpan& unshown, void* context) {
        Job& j = *static_cast<Job*>(context);
        // Under the presenter's lock, as publishers show and settle the image: one thread at a time uses
        // its connection, and no frame is written into it until the display has read these rows.
        const RowSpan rows = j.whole ? RowSpan{0, h} : unshown;
        j.done = rows.Empty() || win::ShowWindowImageRows(g_side.image, rows.top, rows.bottom);
        if (j.done) unshown = RowSpan{};
    };
    if (!UseLastFrameRows(show, &job) || !job.done) {
        DropImage(true);
        return ImageLook::NotUsed;
    }
    g_side.shown = version;
    g_side.outW = winW;
    g_side.outH = winH;
    return ImageLook::Drew;
}

// Copies the latest frame into the window's own surface (win::FramesOnWindowSurface), placed and
// scaled as the renderer would place it, and shows the part that changed.
bool PresentOnSurface(SDL_Window* window, bool redraw) {
    if (const ImageLook look = PresentFromImage(window, redraw); look != ImageLook::NotUsed)
        return look == ImageLook::Drew;
    SDL_Surface* target = SDL_GetWindowSurface(window); // made anew by SDL after a resize
    if (!target) return false;
    const std::uint64_t version = PublishedChangeCount();
    const bool fresh = version != g_side.shown;
    const bool resized = target->w != g_side.outW || target->h != g_side.outH;
    if (!fresh && !redraw && !resized) return false;
    struct Job {
        SDL_Window* window;
        SDL_Surface* target;
        bool whole;
        SDL_Rect place;
        bool done;
    } job{window, target, redraw || resized, {}, false};
    auto draw = [](const std::uint32_t* px, int w, int h, RowSpan& unshown, void* context) {
        Job& j = *static_cast<Job*>(context);
        const win::PicturePlace p =
            win::PlacePicture(win::FitOfWindow(j.window), w, h, j.target->w, j.target->h);
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(px), w, h, 32,
                                                                 w * 4, SDL_PIXELFORMAT_RGB888);
        if (!source) return;
        // Only the borders around a frame that does not fill the window need clearing.
        if (j.whole && (p.x > 0 || p.y > 0 || p.w < j.target->w || p.h < j.target->h))
            SDL_FillRect(j.target, nullptr, SDL_MapRGB(j.target->format, 0, 0, 0));
        j.place = SDL_Rect{p.x, p.y, p.w, p.h};
        SDL_Rect dst = j.place;
        const Uint32 format = j.target->format->format;
        if (p.w == w && p.h == h && !j.whole) {
            // Unscaled, only the rows that changed since the window last took them.
            const int top = std::clamp(unshown.top, 0, h), bottom = std::clamp(unshown.bottom, top, h);
            SDL_Rect from{0, top, w, bottom - top};
            j.place = SDL_Rect{p.x, p.y + top, w, bottom - top};
            dst = j.place;
            j.done = top == bottom || SDL_BlitSurface(source, &from, j.target, &dst) == 0;
        } else if (p.w == w && p.h == h) {
            j.done = SDL_BlitSurface(source, nullptr, j.target, &dst) == 0;
        } else if ((format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) &&
                   !SDL_MUSTLOCK(j.target) && p.x >= 0 && p.y >= 0 && p.x + p.w <= j.target->w &&
                   p.y + p.h <= j.target->h) {
            // Sampled at the middle of each window pixel, as a renderer's nearest-neighbour texture is.
            const int pitch = j.target->pitch / 4;
            StretchNearest(px, w, h, w, static_cast<std::uint32_t*>(j.target->pixels) + p.y * pitch + p.x,
                           p.w, p.h, pitch);
            j.done = true;
        } else {
            j.done = SDL_BlitScaled(source, nullptr, j.target, &dst) == 0;
        }
        SDL_FreeSurface(source);
        if (j.done) unshown = RowSpan{};
    };
    if (!UseLastFrameRows(draw, &job) || !job.done) return false;
    g_side.shown = version;
    g_side.outW = target->w;
    g_side.outH = target->h;
    if (job.whole)
        SDL_UpdateWindowSurface(window);
    else if (job.place.h > 0)
        SDL_UpdateWindowSurfaceRects(window, &job.place, 1);
    return true;
}

} // namespace

void ReleasePresenter() {
    DropImage(!win::DisplayLost());
    // A renderer whose display is gone is only forgotten: releasing it would talk to that display.
    if (!win::DisplayLost()) {
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
    if (win::FramesOnWindowSurface()) return PresentOnSurface(window, redraw);
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
        auto upload = [](const std::uint32_t* px, int w, int h, RowSpan& unshown, void* context) {
            bool& done = *static_cast<bool*>(context);
            if (!g_side.texture || w != g_side.texW || h != g_side.texH) {
                if (g_side.texture) SDL_DestroyTexture(g_side.texture);
                SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
                g_side.texture = SDL_CreateTexture(g_side.renderer, SDL_PIXELFORMAT_ARGB8888,
                                                   SDL_TEXTUREACCESS_STREAMING, w, h);
                if (!g_side.texture) return;
                g_side.texW = w;
                g_side.texH = h;
                unshown = RowSpan{0, h};
            }
            // Only the rows that changed since the texture last took them.
            const int top = std::clamp(unshown.top, 0, h), bottom = std::clamp(unshown.bottom, top, h);
            if (top < bottom) {
                const SDL_Rect rows{0, top, w, bottom - top};
                SDL_UpdateTexture(g_side.texture, &rows, px + static_cast<std::size_t>(top) * w, w * 4);
            }
            unshown = RowSpan{};
            done = true;
        };
        if (!UseLastFrameRows(upload, &ok) || !ok) return false;
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
