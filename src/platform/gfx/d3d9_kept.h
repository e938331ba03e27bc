// What a render target keeps of the draws it keeps back (d3d9_kept.cpp).
#pragma once
#include "platform/gfx/d3d9.h"
#include "platform/gfx/raster.h"
#include <memory>
#include <utility>
#include <vector>

namespace gfx {

// Discard: the frame's draws are to cover every pixel, whatever was there (it writes nothing).
enum class D3DDrawKind : std::uint8_t { Fill, Triangles, Glyph, Discard };

// A draw kept back: its state, and where its vertices, rectangles or coverage bytes lie in the pools.
struct D3DKeptDraw {
    D3DDrawKind kind = D3DDrawKind::Fill;
    RasterState rs; // target and rows set when run
    std::shared_ptr<const PixelBuffer> texture;
    std::shared_ptr<TexelTiles> tiles; // of `texture`, when known
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    UINT count = 0;
    std::size_t first = 0, size = 0;
    int w = 0, h = 0, x = 0, y = 0;
    DWORD colour = 0; // a fill's raw value, or a glyph's colour
    RowSpan rows;     // the rows it may write
};

struct D3DKeptDraws {
    bool on = false;    // draws are being kept back
    bool fresh = false; // draws were added since the last resolve
    // Resolves since the covering draw: a list that lives through a second one belongs to frames
    // drawn over the last without a covering draw, and is no longer kept (it would only grow); nor
    // is one of kMaxKeptDraws draws, drawn without its pixels being needed.
    int resolves = 0;
    // Resolves in a row that ran the draws in every row: a frame that changes every row gains nothing
    // from keeping its draws, only pays for their keys. After kWholeFramesToRest of them, the next
    // kUnkeptFrames frames are drawn at once; then keeping is tried again.
    int wholeFrames = 0;
    int unkeptFrames = 0;
    static constexpr int kWholeFramesToRest = 2;
    static constexpr int kUnkeptFrames = 60;
    // While the target rests from keeping, a frame's draws are held back without keys from its first
    // draw of a quarter of the target or more on (`holdLarge`): they run at the next resolve, in every
    // row they draw but those the draws after them write completely, and holding ends (`keyless`).
    bool holdLarge = false;
    bool keyless = false;
    bool large = false; // a draw of a quarter of the target or more is kept
    std::vector<D3DKeptDraw> draws;
    std::vector<TLVERTEX> vertices;
    std::vector<D3DRECT> rects;
    std::vector<std::uint8_t> coverage;
    DrawKeys keys;         // of `draws`
    DrawKeys held;         // of the draws whose pixels the surface holds
    bool haveHeld = false; // whether `held` says what the surface holds
    // Whether the surface holds the pixels of `keys` as they stand: `held` is taken from them when
    // the list begins again, or copied before a draw is added (a read in mid-frame).
    bool heldIsKeys = false;

    // Before a draw is added to `keys`.
    void Adding() {
        if (!heldIsKeys) return;
        held = keys;
        heldIsKeys = false;
    }

    void Restart() {
        draws.clear();
        vertices.clear();
        rects.clear();
        coverage.clear();
        if (heldIsKeys) std::swap(held, keys);
        heldIsKeys = false;
        keys.Clear();
        on = true;
        fresh = true;
        resolves = 0;
        keyless = false;
        large = false;
    }

    // Holds the draws from now on without keys (what the target held is not touched).
    void Hold() {
        draws.clear();
        vertices.clear();
        rects.clear();
        coverage.clear();
        on = true;
        fresh = true;
        resolves = 0;
        keyless = true;
        large = true;
    }
};

} // namespace gfx
