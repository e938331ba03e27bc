// What a render target keeps of the draws it keeps back (d3d9_kept.cpp).
#pragma once
#include "platform/gfx/d3d9.h"
#include "platform/gfx/raster.h"
#include <memory>
#include <vector>

namespace gfx {

enum class D3DDrawKind : std::uint8_t { Fill, Triangles, Glyph };

// A draw kept back: its state, and where its vertices, rectangles or coverage bytes lie in the pools.
struct D3DKeptDraw {
    D3DDrawKind kind = D3DDrawKind::Fill;
    RasterState rs; // target and rows set when run
    std::shared_ptr<const PixelBuffer> texture;
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    UINT count = 0;
    std::size_t first = 0, size = 0;
    int w = 0, h = 0, x = 0, y = 0;
    DWORD colour = 0; // a fill's raw value, or a glyph's colour
};

struct D3DKeptDraws {
    bool on = false;    // draws are being kept back
    bool fresh = false; // draws were added since the last resolve
    std::vector<D3DKeptDraw> draws;
    std::vector<TLVERTEX> vertices;
    std::vector<D3DRECT> rects;
    std::vector<std::uint8_t> coverage;
    DrawKeys keys;         // of `draws`
    DrawKeys held;         // of the draws whose pixels the surface holds
    bool haveHeld = false; // whether `held` says what the surface holds

    void Restart() {
        draws.clear();
        vertices.clear();
        rects.clear();
        coverage.clear();
        keys.Clear();
        on = true;
        fresh = true;
    }
};

} // namespace gfx
