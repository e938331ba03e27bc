// The software rasteriser behind the Direct3D-like device: triangles of pre-transformed vertices
// with pixel centres at integer coordinates and the top-left fill rule, affine texture coordinates,
// point sampling with wrap, the texture-stage operations of stage 0, and blending.
#pragma once
#include "platform/gfx/d3d9.h"

namespace gfx {

// One texture-stage argument: its source (D3DTA_*) with the COMPLEMENT / ALPHAREPLICATE modifiers.
struct StageArgs {
    DWORD colourOp = D3DTOP_MODULATE, colourArg1 = D3DTA_TEXTURE, colourArg2 = D3DTA_CURRENT;
    DWORD alphaOp = D3DTOP_SELECTARG1, alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
};

struct RasterState {
    PixelBuffer* target = nullptr;
    const PixelBuffer* texture = nullptr; // null: every sample is opaque white
    StageArgs stage;
    DWORD textureFactor = 0xFFFFFFFF;
    bool blend = false;
    DWORD srcBlend = D3DBLEND_ONE, destBlend = D3DBLEND_ZERO;
    DWORD cull = D3DCULL_NONE;
    // With `under`, every covered pixel is taken to hold `underRaw` (in the target's format) before the
    // draw: a fill of the covered pixels and the draw over it in one pass.
    bool under = false;
    std::uint32_t underRaw = 0;
    // Only target rows [rowTop, rowBottom) are written; each is the same as in a draw of every row.
    int rowTop = 0, rowBottom = 1 << 30;
};

// Colour of one pixel before blending, from the texel and the interpolated diffuse colour.
std::uint32_t CombineStage(const StageArgs& s, std::uint32_t texel, std::uint32_t diffuse,
                           std::uint32_t factor);
// The blended colour written for a source colour over a destination colour (both ARGB).
std::uint32_t BlendPixel(const RasterState& rs, std::uint32_t src, std::uint32_t dst);
// round(x / 255) for 0 <= x <= 65535.
inline std::uint32_t Div255(std::uint32_t x) {
    return (x + 128 + ((x + 128) >> 8)) >> 8;
}

void RasterTriangle(const RasterState& rs, const TLVERTEX& a, const TLVERTEX& b, const TLVERTEX& c);
// A strip of two triangles TL, BL, TR, BR; axis-aligned rectangles take a faster road with the same
// pixels as the two triangles.
void RasterQuadStrip(const RasterState& rs, const TLVERTEX* v);
// Whether the strip TL, BL, TR, BR is an upright rectangle of one diffuse colour whose texture
// coordinates follow its edges (drawn by RasterQuadStrip's faster road).
bool AxisAlignedQuad(const RasterState& rs, const TLVERTEX* v);

} // namespace gfx
