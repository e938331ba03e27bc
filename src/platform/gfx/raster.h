// The software rasteriser behind the Direct3D-like device: triangles of pre-transformed vertices
// with pixel centres at integer coordinates and the top-left fill rule, affine texture coordinates,
// point sampling with wrap, the texture-stage operations of stage 0, and blending.
#pragma once
#include "platform/gfx/d3d9.h"
#include <cmath>
#include <cstdint>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace gfx {

// One texture-stage argument: its source (D3DTA_*) with the COMPLEMENT / ALPHAREPLICATE modifiers.
struct StageArgs {
    DWORD colourOp = D3DTOP_MODULATE, colourArg1 = D3DTA_TEXTURE, colourArg2 = D3DTA_CURRENT;
    DWORD alphaOp = D3DTOP_SELECTARG1, alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
};

// What each row of a tile of 32 x 32 texels of an A8R8G8B8 texture holds: every alpha 0 (Clear),
// every alpha 255 (Opaque), or other (Mixed). Found a tile at a time, as draws first read the tile,
// for one state of the texture's pixels: the owner makes a new table when the pixels change.
class TexelTiles {
  public:
    enum Kind : std::uint8_t { Unknown = 0, Clear = 1, Opaque = 2, Mixed = 3 };
    static constexpr int kTile = 32;
    explicit TexelTiles(const PixelBuffer& tex);
    // The kind of texels [32 tx, 32 tx + 32) (cut to the texture) of texture row `y`.
    Kind At(const PixelBuffer& tex, int y, int tx) {
        const std::uint64_t w = words_[static_cast<std::size_t>(y / kTile) * tileCols_ + tx];
        if (w == 0) return Find(tex, y, tx);
        return static_cast<Kind>((w >> (2 * (y % kTile))) & 3);
    }

    // The kind of texels [32 tx, 32 tx + 32) of texture rows [y0, y1) together.
    Kind Rows(const PixelBuffer& tex, int y0, int y1, int tx);

    // The kinds of the 32 rows of band `band` (rows [32 band, 32 band + 32)) over the texels of tiles
    // tx0 to tx1 together, two bits a row as At gives them: Mixed where the tiles' kinds differ.
    std::uint64_t Band(const PixelBuffer& tex, int band, int tx0, int tx1) {
        const std::uint64_t first = Word(tex, band, tx0);
        std::uint64_t differ = 0;
        for (int tx = tx0 + 1; tx <= tx1; ++tx)
            differ |= Word(tex, band, tx) ^ first;
        differ = (differ | differ >> 1) & 0x5555555555555555u; // the low bit of each row that differs
        return first | differ | differ << 1;
    }

  private:
    Kind Find(const PixelBuffer& tex, int y, int tx);
    // The word of a tile, looked at when first asked.
    std::uint64_t Word(const PixelBuffer& tex, int band, int tx) {
        const std::size_t at = static_cast<std::size_t>(band) * tileCols_ + tx;
        if (words_[at] == 0) Find(tex, band * kTile, tx);
        return words_[at];
    }
    int tileCols_ = 0;
    // Per tile, two bits per row (0 until the tile is looked at).
    std::vector<std::uint64_t> words_;
};

struct RasterState {
    PixelBuffer* target = nullptr;
    const PixelBuffer* texture = nullptr; // null: every sample is opaque white
    TexelTiles* tiles = nullptr;          // what `texture`, as it is, holds, when known
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

// floor(v) and ceil(v), without a call into the maths library for the values coordinates take, and
// without a branch on which way the whole part lies (coordinates on and off whole numbers alternate).
inline double FloorOf(double v) {
    if (!(std::fabs(v) < 4503599627370496.0)) return std::floor(v); // 2^52: already whole, or not a number
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128d x = _mm_set_sd(v);
    const __m128d t = _mm_cvtsi64_sd(_mm_setzero_pd(), _mm_cvttsd_si64(x));
    return _mm_cvtsd_f64(_mm_sub_sd(t, _mm_and_pd(_mm_cmplt_sd(x, t), _mm_set_sd(1.0))));
#else
    const double t = static_cast<double>(static_cast<long long>(v));
    return t > v ? t - 1 : t;
#endif
}
inline double CeilOf(double v) {
    if (!(std::fabs(v) < 4503599627370496.0)) return std::ceil(v);
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128d x = _mm_set_sd(v);
    const __m128d t = _mm_cvtsi64_sd(_mm_setzero_pd(), _mm_cvttsd_si64(x));
    return _mm_cvtsd_f64(_mm_add_sd(t, _mm_and_pd(_mm_cmplt_sd(t, x), _mm_set_sd(1.0))));
#else
    const double t = static_cast<double>(static_cast<long long>(v));
    return t < v ? t + 1 : t;
#endif
}

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

// The pixels an upright rectangle covers: those whose centres lie inside [left, right) x [top, bottom),
// cut to a target `width` x `height` and to its rows [rowTop, rowBottom).
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};
PixelRect UprightPixels(const TLVERTEX* v, int width, int height, int rowTop, int rowBottom);
// RasterQuadStrip for a strip AxisAlignedQuad accepts, whose pixels on rs.target are `r`
// (UprightPixels of the target and rs's rows).
void RasterUprightQuad(const RasterState& rs, const TLVERTEX* v, const PixelRect& r);

} // namespace gfx
