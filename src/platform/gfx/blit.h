// Pixel copies shared by the DirectDraw-like surfaces and GDI: nearest-neighbour scaling with an
// optional source colour key, between buffers of the same format.
#pragma once
#include "platform/gfx/pixels.h"

namespace gfx {

struct BlitParams {
    PixelBuffer* dst = nullptr;
    const PixelBuffer* src = nullptr;
    int dx = 0, dy = 0, dw = 0, dh = 0; // destination rectangle (may extend past the buffer)
    int i0 = 0, j0 = 0, i1 = 0, j1 = 0; // its visible part, relative to (dx, dy)
    int sx = 0, sy = 0, sw = 0,
        sh = 0; // source start and extent; a negative extent runs backwards from sx/sy
    bool keyed = false;
    std::uint32_t key = 0;
};

// Destination pixel (dx + i, dy + j) takes source pixel (sx + trunc(i * sw / dw), sy + trunc(j * sh / dh));
// with a negative sw the source column is sx - trunc(i * |sw| / dw) (and likewise for rows), so that a
// mirrored copy starts at the source's last column. dw and dh are positive; the buffers are distinct.
void ScaledCopy(const BlitParams& p);

// Copies `count` 32-bit pixels, leaving those equal to `key` untouched in the destination.
void CopyKeyed32(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t key);

} // namespace gfx
