// What the parts of the rasteriser share: the texture-stage arithmetic, the row rules of 32-bit and
// 16-bit targets, and the row combiner of the other stages. Triangle and rectangle set-up
// (raster.cpp) picks one of the row roads; the rows themselves live in raster_rows32.cpp,
// raster_rows16.cpp and raster_stage.cpp.
#pragma once
#include "platform/gfx/raster.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gfx::raster_detail {

inline std::uint32_t Ch(std::uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

inline std::uint32_t Clamp255(int v) {
    return static_cast<std::uint32_t>(std::clamp(v, 0, 255));
}

// One channel of an operation. `alpha` values are the blend weights some operations use.
inline std::uint32_t Operate(DWORD op, std::uint32_t a1, std::uint32_t a2, std::uint32_t texAlpha,
                             std::uint32_t difAlpha, std::uint32_t facAlpha) {
    switch (op) {
    case D3DTOP_SELECTARG1:
        return a1;
    case D3DTOP_SELECTARG2:
        return a2;
    case D3DTOP_MODULATE:
        return Div255(a1 * a2);
    case D3DTOP_MODULATE2X:
        return std::min<std::uint32_t>(255, (2 * a1 * a2 + 127) / 255);
    case D3DTOP_MODULATE4X:
        return std::min<std::uint32_t>(255, (4 * a1 * a2 + 127) / 255);
    case D3DTOP_ADD:
        return std::min<std::uint32_t>(255, a1 + a2);
    case D3DTOP_ADDSIGNED:
        return Clamp255(static_cast<int>(a1 + a2) - 128);
    case D3DTOP_ADDSIGNED2X:
        return Clamp255(2 * (static_cast<int>(a1 + a2) - 128));
    case D3DTOP_SUBTRACT:
        return a1 > a2 ? a1 - a2 : 0;
    case D3DTOP_ADDSMOOTH:
        return std::min<std::uint32_t>(255, a1 + Div255(a2 * (255 - a1)));
    case D3DTOP_BLENDDIFFUSEALPHA:
        return Div255(a1 * difAlpha + a2 * (255 - difAlpha));
    case D3DTOP_BLENDTEXTUREALPHA:
        return Div255(a1 * texAlpha + a2 * (255 - texAlpha));
    case D3DTOP_BLENDFACTORALPHA:
        return Div255(a1 * facAlpha + a2 * (255 - facAlpha));
    case D3DTOP_BLENDCURRENTALPHA: // the current colour of stage 0 is the diffuse colour
        return Div255(a1 * difAlpha + a2 * (255 - difAlpha));
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return std::min<std::uint32_t>(255, a1 + Div255(a2 * (255 - texAlpha)));
    default:
        return a1;
    }
}

inline bool KnownOp(DWORD op) {
    return op >= D3DTOP_SELECTARG1 && op <= D3DTOP_BLENDCURRENTALPHA;
}

// Says once per process that an operation is not available (its first argument is used instead).
void ReportUnknownOp(DWORD op);

// The argument's value as ARGB (every channel already replicated or complemented as asked).
inline std::uint32_t Arg(DWORD arg, std::uint32_t texel, std::uint32_t diffuse, std::uint32_t factor) {
    std::uint32_t v;
    switch (arg & 0x0F) {
    case D3DTA_TEXTURE:
        v = texel;
        break;
    case D3DTA_TFACTOR:
        v = factor;
        break;
    default: // DIFFUSE, and CURRENT, which at stage 0 is the diffuse colour
        v = diffuse;
        break;
    }
    if (arg & D3DTA_COMPLEMENT) v = ~v;
    if (arg & D3DTA_ALPHAREPLICATE) v = (v >> 24) * 0x01010101u;
    return v;
}

// Whether the stage computes "((texel | orMask) * mul + add) / 255" per channel, and the constants; `add`
// holds one 16-bit term per channel (blue in the low bits) and is only ever non-zero on colour.
bool SimpleStage(const StageArgs& s, std::uint32_t diffuse, std::uint32_t factor, std::uint32_t& orMask,
                 std::uint32_t& mul, std::uint64_t& add);

// CombineStage for a row of texels with one diffuse colour, an operation at a time.
void CombineRow(const StageArgs& s, const std::uint32_t* texels, int n, std::uint32_t diffuse,
                std::uint32_t factor, std::uint32_t* out);

// The row rule of the 32-bit targets: src = (texel | orMask) * mul / 255 per channel; without blending
// dst = src, with the standard blend dst = (src * srcAlpha + dst * (255 - srcAlpha)) / 255 on every
// channel (rounded), and pixels whose source alpha is 0 are left as they are. X8 targets read as opaque
// and are written with the unused byte clear.
struct Shade32 {
    std::uint32_t orMask = 0, mul = 0xFFFFFFFFu;
    std::uint64_t add = 0; // per channel, 16 bits each, added to the product before the division
    bool blend = false, x8 = false;
    // With `under`, the blend reads `underRaw` in place of the target's pixels, and pixels left
    // unchanged take it.
    bool under = false;
    std::uint32_t underRaw = 0;
    bool Identity() const { return mul == 0xFFFFFFFFu && orMask == 0 && add == 0; }
};

// A block of rows of one width: target row r starts at dst + r * stride and takes the texels src[r]
// (without `src`, those from first + r * srcStride on).
struct Rows32 {
    std::uint32_t* dst;
    std::ptrdiff_t stride; // in pixels
    const std::uint32_t* const* src;
    int n;
    int rows;
    const std::uint32_t* first = nullptr;
    std::ptrdiff_t srcStride = 0; // in pixels
    const std::uint32_t* Src(int r) const { return src ? src[r] : first + r * srcStride; }
};

using Rows32Fn = void (*)(const Shade32&, const Rows32&);
// The fastest row function the processor runs for the rule's kind.
Rows32Fn PickRows32(const Shade32& k);

// Where the texels of a block come from: row r of the block reads texture row row0 + r from column
// col0 on, and `tiles` says which of those rows are all transparent or all opaque.
struct TexelSource {
    TexelTiles* tiles;
    const PixelBuffer* texture;
    int row0, col0;
};

// The row rule for a block of a blended draw whose rows read texture rows in place (b.src null): a
// block, or a row, whose texels are all transparent leaves the target as it is (or takes the under
// value) without reading them; one whose texels are all opaque is written without reading the
// target; other rows take the rule pixel by pixel. The same pixels as PickRows32(k) in every case,
// with the widest vectors the processor runs or (TileVectors::Avx2) at most AVX2.
enum class TileVectors { Best, Avx2 };
void ShadeRows32ByTiles(const Shade32& k, const Rows32& b, const TexelSource& t,
                        TileVectors vectors = TileVectors::Best);

// Conversion tables for 16-bit pixels: the three formats' values widened to ARGB (ArgbOf16), each value
// as written back to its own format, and 8-bit channels narrowed to 5 and 6 bits.
struct Tables16 {
    std::vector<std::uint16_t> sameR565, sameA1555, sameX1555; // a value as written back to its format
    std::uint16_t narrow5[256], narrow6[256];
    Tables16() : sameR565(65536), sameA1555(65536), sameX1555(65536) {
        for (std::uint32_t c = 0; c < 256; ++c) {
            narrow5[c] = static_cast<std::uint16_t>(Narrow5(c));
            narrow6[c] = static_cast<std::uint16_t>(Narrow6(c));
        }
        const std::uint32_t* fromR565 = ArgbOf16(PixelFormat::R5G6B5);
        const std::uint32_t* fromA1555 = ArgbOf16(PixelFormat::A1R5G5B5);
        const std::uint32_t* fromX1555 = ArgbOf16(PixelFormat::X1R5G5B5);
        for (std::uint32_t v = 0; v < 65536; ++v) {
            sameR565[v] = To(PixelFormat::R5G6B5, fromR565[v]);
            sameA1555[v] = To(PixelFormat::A1R5G5B5, fromA1555[v]);
            sameX1555[v] = To(PixelFormat::X1R5G5B5, fromX1555[v]);
        }
    }
    const std::uint16_t* Same(PixelFormat f) const {
        return f == PixelFormat::R5G6B5     ? sameR565.data()
               : f == PixelFormat::A1R5G5B5 ? sameA1555.data()
                                            : sameX1555.data();
    }
    static const std::uint32_t* From(PixelFormat f) { return ArgbOf16(f); }
    std::uint16_t To(PixelFormat f, std::uint32_t c) const {
        const std::uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        if (f == PixelFormat::R5G6B5)
            return static_cast<std::uint16_t>(narrow5[r] << 11 | narrow6[g] << 5 | narrow5[b]);
        const std::uint16_t a = (f == PixelFormat::A1R5G5B5 && c >= 0x80000000u) ? 0x8000 : 0;
        return static_cast<std::uint16_t>(a | narrow5[r] << 10 | narrow5[g] << 5 | narrow5[b]);
    }
};

const Tables16& T16();
bool Is16(PixelFormat f);
// Every value of 16-bit format `from` as written to 16-bit format `to` (through ARGB, as ShadeRow16
// writes an opaque pixel); made once per pair at its first use.
const std::uint16_t* Convert16(PixelFormat from, PixelFormat to);
// ShadeRow32's rule for a row of 16-bit pixels: pixels left unchanged by the blend are not touched.
void ShadeRow16(std::uint16_t* dst, const std::uint32_t* texels, int n, std::uint32_t orMask,
                std::uint32_t mul, bool blend, PixelFormat f);
// The same rule one pixel at a time through the tables.
void ShadeRow16Scalar(std::uint16_t* dst, const std::uint32_t* texels, int n, std::uint32_t orMask,
                      std::uint32_t mul, bool blend, PixelFormat f);

// A block of 16-bit rows of one width: target row r starts at dst + r * stride and takes the texels
// src[r], ARGB values or values of a 16-bit format.
struct Rows16 {
    std::uint16_t* dst;
    std::ptrdiff_t stride; // in pixels
    const void* const* src;
    int n;
    int rows;
};
// ShadeRow16's rule for a block, sixteen pixels a step (with AVX2 when `avx2` and one can be compiled);
// texels of a 16-bit format `texF` are read as ToArgb widens them, and A8R8G8B8 ones as they are.
void ShadeRows16(const Rows16& b, PixelFormat texF, std::uint32_t orMask, std::uint32_t mul, bool blend,
                 PixelFormat f, bool avx2);

} // namespace gfx::raster_detail
