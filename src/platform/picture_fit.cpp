#include "platform/picture_fit.h"

#include <SDL.h>
#include <algorithm>

namespace win {
namespace {

// a / b rounded towards minus infinity (b > 0).
long long FloorDiv(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

PicturePlace PlacePicture(PictureFit fit, int picW, int picH, int areaW, int areaH) {
    PicturePlace p;
    if (picW <= 0 || picH <= 0 || areaW <= 0 || areaH <= 0) return p;
    switch (fit) {
    case PictureFit::Fill:
        p.w = areaW;
        p.h = areaH;
        break;
    case PictureFit::Letterbox:
        // The side that limits the scale is filled; the other keeps the picture's shape.
        if (static_cast<long long>(areaW) * picH <= static_cast<long long>(areaH) * picW) {
            p.w = areaW;
            p.h = std::max(1, static_cast<int>(static_cast<long long>(areaW) * picH / picW));
        } else {
            p.h = areaH;
            p.w = std::max(1, static_cast<int>(static_cast<long long>(areaH) * picW / picH));
        }
        break;
    case PictureFit::WholeNumber: {
        const int scale = std::max(1, std::min(areaW / picW, areaH / picH));
        p.w = picW * scale;
        p.h = picH * scale;
        break;
    }
    }
    p.x = (areaW - p.w) / 2;
    p.y = (areaH - p.h) / 2;
    return p;
}

PictureFit FitOfWindow(void* sdlWindow) {
    const Uint32 flags = sdlWindow ? SDL_GetWindowFlags(static_cast<SDL_Window*>(sdlWindow)) : 0;
    if (flags & SDL_WINDOW_FULLSCREEN) return PictureFit::Letterbox;
    if (flags & SDL_WINDOW_RESIZABLE) return PictureFit::Fill;
    return PictureFit::WholeNumber;
}

void AreaToPicture(const PicturePlace& place, int picW, int picH, int areaX, int areaY, int& x, int& y) {
    if (place.w <= 0 || place.h <= 0) {
        x = areaX - place.x;
        y = areaY - place.y;
        return;
    }
    x = static_cast<int>(FloorDiv(static_cast<long long>(areaX - place.x) * picW, place.w));
    y = static_cast<int>(FloorDiv(static_cast<long long>(areaY - place.y) * picH, place.h));
}

void PictureToArea(const PicturePlace& place, int picW, int picH, int x, int y, int& areaX, int& areaY) {
    if (picW <= 0 || picH <= 0) {
        areaX = place.x + x;
        areaY = place.y + y;
        return;
    }
    // The first area pixel that shows the picture pixel.
    areaX = place.x - static_cast<int>(FloorDiv(-static_cast<long long>(x) * place.w, picW));
    areaY = place.y - static_cast<int>(FloorDiv(-static_cast<long long>(y) * place.h, picH));
}

PicturePlace PictureRectToArea(const PicturePlace& place, int picW, int picH, int x, int y, int w, int h) {
    int left = 0, top = 0, right = 0, bottom = 0;
    PictureToArea(place, picW, picH, x, y, left, top);
    PictureToArea(place, picW, picH, x + w, y + h, right, bottom);
    return PicturePlace{left, top, right - left, bottom - top};
}

} // namespace win
