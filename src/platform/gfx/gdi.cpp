#include "platform/gfx/gdi.h"
#include <atomic>

namespace gfx {
namespace {
std::atomic<int> g_displayBpp{32};
} // namespace

void SetDisplayBitsPerPixel(int bpp) {
    g_displayBpp = bpp;
}

HDC CreateSurfaceDC(PixelBuffer* target, const PALETTEENTRY* palette) {
    auto* dc = new DeviceContext();
    dc->target = target;
    dc->palette = palette;
    return dc;
}

void DeleteSurfaceDC(HDC dc) {
    delete dc;
}

int GetDeviceCaps(HDC dc, int index) {
    if (index != BITSPIXEL) return 0;
    if (dc && dc->target) return BitsPerPixel(dc->target->format);
    if (dc && dc->bitmap) return dc->bitmap->dib.bitCount;
    return g_displayBpp;
}

} // namespace gfx
