#include "platform/gfx/raster.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace gfx {
namespace {

std::uint32_t Ch(std::uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

std::uint32_t Clamp255(int v) {
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

bool KnownOp(DWORD op) {
    return op >= D3DTOP_SELECTARG1 && op <= D3DTOP_BLENDCURRENTALPHA;
}

void ReportUnknownOp(DWORD op) {
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        std::fprintf(stderr, "texture operation %u is not available; its first argument is used\n",
                     static_cast<unsigned>(op));
}

// The argument's value as ARGB (every channel already replicated or complemented as asked).
std::uint32_t Arg(DWORD arg, std::uint32_t texel, std::uint32_t diffuse, std::uint32_t factor) {
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

std::uint32_t BlendFactor(DWORD mode, std::uint32_t srcAlpha, std::uint32_t srcChannel,
                          std::uint32_t dstChannel) {
    switch (mode) {
    case D3DBLEND_ZERO:
        return 0;
    case D3DBLEND_ONE:
        return 255;
    case D3DBLEND_SRCALPHA:
        return srcAlpha;
    case D3DBLEND_INVSRCALPHA:
        return 255 - srcAlpha;
    case 3: // SRCCOLOR
        return srcChannel;
    case 4: // INVSRCCOLOR
        return 255 - srcChannel;
    case 9: // DESTCOLOR
        return dstChannel;
    case 10: // INVDESTCOLOR
        return 255 - dstChannel;
    default:
        return 255;
    }
}

inline std::uint32_t SampleTexel(const PixelBuffer* tex, int tx, int ty) {
    if (!tex) return 0xFFFFFFFFu;
    if (tex->format == PixelFormat::A8R8G8B8) {
        std::uint32_t v;
        std::memcpy(&v, tex->Row(ty) + tx * 4, 4);
        return v;
    }
    return ToArgb(tex->format, tex->Get(tx, ty));
}

// Texel index along one axis: floor(t * size), wrapped into the texture.
// floor(v), without a call into the maths library for the values texture coordinates take.
inline double Floor(double v) {
    if (!(std::fabs(v) < 4503599627370496.0)) return std::floor(v); // 2^52: already whole, or not a number
    const double t = static_cast<double>(static_cast<long long>(v));
    return t > v ? t - 1 : t;
}

__attribute__((always_inline)) inline int TexelIndex(double t, int size) {
    const double f = Floor(t * size + 1e-7);
    if (!(std::fabs(f) < 1e15)) return 0; // not a number, or too far out to wrap meaningfully
    long long i = static_cast<long long>(f);
    if (i >= 0 && i < size) return static_cast<int>(i);
    i %= size;
    if (i < 0) i += size;
    return static_cast<int>(i);
}

void WritePixel(const RasterState& rs, int x, int y, std::uint32_t colour) {
    PixelBuffer& t = *rs.target;
    if (rs.blend) colour = BlendPixel(rs, colour, ToArgb(t.format, t.Get(x, y)));
    t.Set(x, y, FromArgb(t.format, colour));
}

// Whether the stage computes "((texel | orMask) * mul + add) / 255" per channel, and the constants; `add`
// holds one 16-bit term per channel (blue in the low bits) and is only ever non-zero on colour.
bool SimpleStage(const StageArgs& s, std::uint32_t diffuse, std::uint32_t factor, std::uint32_t& orMask,
                 std::uint32_t& mul, std::uint64_t& add) {
    auto isDiffuse = [](DWORD a) { return a == D3DTA_DIFFUSE || a == D3DTA_CURRENT; };
    // One half (colour or alpha): returns false when it is not of the simple kind.
    auto half = [&](DWORD op, DWORD a1, DWORD a2, std::uint32_t channelMask) {
        const std::uint32_t d = diffuse & channelMask;
        if ((op == D3DTOP_SELECTARG1 && a1 == D3DTA_TEXTURE) ||
            (op == D3DTOP_SELECTARG2 && a2 == D3DTA_TEXTURE)) {
            mul |= 0xFFFFFFFFu & channelMask;
            return true;
        }
        if ((op == D3DTOP_SELECTARG1 && isDiffuse(a1)) || (op == D3DTOP_SELECTARG2 && isDiffuse(a2)) ||
            (op == D3DTOP_DISABLE && channelMask == 0xFF000000u)) {
            orMask |= channelMask;
            mul |= d;
            return true;
        }
        if (op == D3DTOP_MODULATE &&
            ((a1 == D3DTA_TEXTURE && isDiffuse(a2)) || (a2 == D3DTA_TEXTURE && isDiffuse(a1)))) {
            mul |= d;
            return true;
        }
        // The texel weighed against a constant colour by the factor's alpha.
        if (op == D3DTOP_BLENDFACTORALPHA && channelMask == 0x00FFFFFFu &&
            ((a1 == D3DTA_TEXTURE && (a2 & 0x0F) != D3DTA_TEXTURE) ||
             (a2 == D3DTA_TEXTURE && (a1 & 0x0F) != D3DTA_TEXTURE))) {
            const std::uint32_t fa = factor >> 24;
            const bool first = a1 == D3DTA_TEXTURE;
            const std::uint32_t c = Arg(first ? a2 : a1, 0, diffuse, factor);
            const std::uint32_t weight = first ? fa : 255 - fa, other = 255 - weight;
            mul |= weight * 0x010101u;
            for (int sh = 0; sh < 24; sh += 8)
                add |= static_cast<std::uint64_t>(Ch(c, sh) * other) << (2 * sh);
            return true;
        }
        return false;
    };
    orMask = mul = 0;
    add = 0;
    if (s.colourOp == D3DTOP_DISABLE) return false;
    return half(s.colourOp, s.colourArg1, s.colourArg2, 0x00FFFFFFu) &&
           half(s.alphaOp, s.alphaArg1, s.alphaArg2, 0xFF000000u);
}

// The row rule of the 32-bit targets: src = (texel | orMask) * mul / 255 per channel; without blending
// dst = src, with the standard blend dst = (src * srcAlpha + dst * (255 - srcAlpha)) / 255 on every
// channel (rounded), and pixels whose source alpha is 0 are left as they are. X8 targets read as opaque
// and are written with the unused byte clear.
struct Shade32 {
    std::uint32_t orMask = 0, mul = 0xFFFFFFFFu;
    std::uint64_t add = 0; // per channel, 16 bits each, added to the product before the division
    bool blend = false, x8 = false;
    bool Identity() const { return mul == 0xFFFFFFFFu && orMask == 0 && add == 0; }
};

// A block of rows of one width: target row r starts at dst + r * stride and takes the texels src[r].
struct Rows32 {
    std::uint32_t* dst;
    std::ptrdiff_t stride; // in pixels
    const std::uint32_t* const* src;
    int n;
    int rows;
};

// One pixel of the row rule; returns the value written (`dst` itself when it is left alone).
inline std::uint32_t ShadePixel32(const Shade32& k, std::uint32_t texel, std::uint32_t dst) {
    const std::uint32_t keep = k.x8 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    const std::uint32_t t = texel | k.orMask;
    std::uint32_t src = t;
    if (!k.Identity()) {
        src = 0;
        for (int sh = 0; sh < 32; sh += 8)
            src |=
                Div255(Ch(t, sh) * Ch(k.mul, sh) + static_cast<std::uint32_t>((k.add >> (2 * sh)) & 0xFFFF))
                << sh;
    }
    if (!k.blend) return src & keep;
    const std::uint32_t a = src >> 24;
    if (a == 0) return dst;
    const std::uint32_t d = dst | (k.x8 ? 0xFF000000u : 0);
    std::uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8)
        out |= Div255(Ch(src, sh) * a + Ch(d, sh) * (255 - a)) << sh;
    return out & keep;
}

void ShadeRow32Scalar(const Shade32& k, std::uint32_t* dst, const std::uint32_t* texels, int n) {
    for (int i = 0; i < n; ++i)
        dst[i] = ShadePixel32(k, texels[i], dst[i]);
}

#ifdef __SSE2__
// Four pixels at a time, the same arithmetic lane for lane; round(x / 255) of 16-bit lanes is
// ((x + 128) * 257) >> 16, which equals Div255.
void ShadeRows32Sse2(const Shade32& k, const Rows32& b) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c128 = _mm_set1_epi16(128), c257 = _mm_set1_epi16(257), c255 = _mm_set1_epi16(255);
    const __m128i vmul = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(k.mul)), zero);
    const __m128i vadd = _mm_set1_epi64x(static_cast<long long>(k.add));
    const __m128i vor = _mm_set1_epi32(static_cast<int>(k.orMask));
    const __m128i vkeep = _mm_set1_epi32(static_cast<int>(k.x8 ? 0x00FFFFFFu : 0xFFFFFFFFu));
    const __m128i vreadOr = _mm_set1_epi32(static_cast<int>(k.x8 ? 0xFF000000u : 0));
    const __m128i opaque = _mm_set1_epi32(255);
    const bool identity = k.Identity(), blend = k.blend;
    auto div255 = [&](__m128i x) { return _mm_mulhi_epu16(_mm_add_epi16(x, c128), c257); };
    auto alphas = [](__m128i px16) { // each pixel's alpha over its four lanes
        px16 = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
        return _mm_shufflehi_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    };
    for (int row = 0; row < b.rows; ++row) {
        std::uint32_t* dst = b.dst + row * b.stride;
        const std::uint32_t* texels = b.src[row];
        int i = 0;
        for (; i + 4 <= b.n; i += 4) {
            __m128i t = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i)), vor);
            if (blend && !identity &&
                _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(t, 24), zero)) == 0xFFFF)
                continue; // alpha 0 stays 0 through the multiply
            __m128i slo = _mm_unpacklo_epi8(t, zero), shi = _mm_unpackhi_epi8(t, zero);
            if (!identity) {
                slo = div255(_mm_add_epi16(_mm_mullo_epi16(slo, vmul), vadd));
                shi = div255(_mm_add_epi16(_mm_mullo_epi16(shi, vmul), vadd));
                t = _mm_packus_epi16(slo, shi);
            }
            __m128i* out = reinterpret_cast<__m128i*>(dst + i);
            if (!blend) {
                _mm_storeu_si128(out, _mm_and_si128(t, vkeep));
                continue;
            }
            const __m128i alpha = _mm_srli_epi32(t, 24);
            const __m128i clear = _mm_cmpeq_epi32(alpha, zero), full = _mm_cmpeq_epi32(alpha, opaque);
            const int clearBits = _mm_movemask_epi8(clear);
            if (clearBits == 0xFFFF) continue;
            const __m128i d0 = _mm_loadu_si128(out);
            __m128i r;
            if ((clearBits | _mm_movemask_epi8(full)) == 0xFFFF) {
                r = _mm_and_si128(t, vkeep); // every pixel transparent or opaque
            } else {
                const __m128i d = _mm_or_si128(d0, vreadOr);
                const __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
                const __m128i alo = alphas(slo), ahi = alphas(shi);
                const __m128i rlo = div255(
                    _mm_add_epi16(_mm_mullo_epi16(slo, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(c255, alo))));
                const __m128i rhi = div255(
                    _mm_add_epi16(_mm_mullo_epi16(shi, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(c255, ahi))));
                r = _mm_and_si128(_mm_packus_epi16(rlo, rhi), vkeep);
            }
            _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(clear, d0), _mm_andnot_si128(clear, r)));
        }
        ShadeRow32Scalar(k, dst + i, texels + i, b.n - i);
    }
}
#endif

#ifndef __SSE2__
void ShadeRows32Scalar(const Shade32& k, const Rows32& b) {
    for (int row = 0; row < b.rows; ++row)
        ShadeRow32Scalar(k, b.dst + row * b.stride, b.src[row], b.n);
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define GFX_HAVE_AVX2_ROW 1
#define GFX_AVX2 __attribute__((target("avx2")))
#define GFX_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

struct Avx2Consts {
    __m256i zero, c128, c257, c255, vmul, vadd, vor, vkeep, vreadOr, opaque;
};

GFX_AVX2_INLINE __m256i Div255x16(const Avx2Consts& c, __m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, c.c128), c.c257);
}

GFX_AVX2_INLINE __m256i AlphasX16(__m256i px16) {
    px16 = _mm256_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm256_shufflehi_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
}

template <bool Tail> GFX_AVX2_INLINE __m256i Load8(const std::uint32_t* p, __m256i mask) {
    if (Tail) return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

template <bool Tail> GFX_AVX2_INLINE void Store8(std::uint32_t* p, __m256i mask, __m256i v) {
    if (Tail)
        _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v);
    else
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Eight pixels of the row rule; with Tail, only the lanes of `mask` are read and written.
template <bool Blend, bool Identity, bool Tail>
GFX_AVX2_INLINE void Group8(const Avx2Consts& c, std::uint32_t* out, const std::uint32_t* in, __m256i mask) {
    __m256i t = _mm256_or_si256(Load8<Tail>(in, mask), c.vor);
    if (Blend && !Identity &&
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_srli_epi32(t, 24), c.zero)) == -1)
        return; // alpha 0 stays 0 through the multiply
    __m256i slo, shi;
    if (!Identity) {
        slo = Div255x16(
            c, _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(t, c.zero), c.vmul), c.vadd));
        shi = Div255x16(
            c, _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(t, c.zero), c.vmul), c.vadd));
        t = _mm256_packus_epi16(slo, shi);
    }
    if (!Blend) {
        Store8<Tail>(out, mask, _mm256_and_si256(t, c.vkeep));
        return;
    }
    const __m256i alpha = _mm256_srli_epi32(t, 24);
    const __m256i clear = _mm256_cmpeq_epi32(alpha, c.zero), full = _mm256_cmpeq_epi32(alpha, c.opaque);
    const int clearBits = _mm256_movemask_epi8(clear);
    if (clearBits == -1) return;
    const __m256i d0 = Load8<Tail>(out, mask);
    __m256i r;
    if ((clearBits | _mm256_movemask_epi8(full)) == -1) {
        r = _mm256_and_si256(t, c.vkeep); // every pixel transparent or opaque
    } else {
        if (Identity) {
            slo = _mm256_unpacklo_epi8(t, c.zero);
            shi = _mm256_unpackhi_epi8(t, c.zero);
        }
        const __m256i d = _mm256_or_si256(d0, c.vreadOr);
        const __m256i dlo = _mm256_unpacklo_epi8(d, c.zero), dhi = _mm256_unpackhi_epi8(d, c.zero);
        const __m256i alo = AlphasX16(slo), ahi = AlphasX16(shi);
        const __m256i rlo =
            Div255x16(c, _mm256_add_epi16(_mm256_mullo_epi16(slo, alo),
                                          _mm256_mullo_epi16(dlo, _mm256_sub_epi16(c.c255, alo))));
        const __m256i rhi =
            Div255x16(c, _mm256_add_epi16(_mm256_mullo_epi16(shi, ahi),
                                          _mm256_mullo_epi16(dhi, _mm256_sub_epi16(c.c255, ahi))));
        r = _mm256_and_si256(_mm256_packus_epi16(rlo, rhi), c.vkeep);
    }
    Store8<Tail>(out, mask, _mm256_blendv_epi8(r, d0, clear));
}

// Eight pixels at a time for processors with AVX2, the last few of each row through masked loads and
// stores.
template <bool Blend, bool Identity> GFX_AVX2 void ShadeRows32Avx2(const Shade32& k, const Rows32& b) {
    Avx2Consts c;
    c.zero = _mm256_setzero_si256();
    c.c128 = _mm256_set1_epi16(128);
    c.c257 = _mm256_set1_epi16(257);
    c.c255 = _mm256_set1_epi16(255);
    c.vmul = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(k.mul)), c.zero);
    c.vadd = _mm256_set1_epi64x(static_cast<long long>(k.add));
    c.vor = _mm256_set1_epi32(static_cast<int>(k.orMask));
    c.vkeep = _mm256_set1_epi32(static_cast<int>(k.x8 ? 0x00FFFFFFu : 0xFFFFFFFFu));
    c.vreadOr = _mm256_set1_epi32(static_cast<int>(k.x8 ? 0xFF000000u : 0));
    c.opaque = _mm256_set1_epi32(255);
    const int whole = b.n & ~7, rest = b.n & 7;
    const __m256i mask =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(rest), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (int row = 0; row < b.rows; ++row) {
        std::uint32_t* dst = b.dst + row * b.stride;
        const std::uint32_t* src = b.src[row];
        for (int i = 0; i < whole; i += 8)
            Group8<Blend, Identity, false>(c, dst + i, src + i, mask);
        if (rest) Group8<Blend, Identity, true>(c, dst + whole, src + whole, mask);
    }
}

bool HaveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

using Rows32Fn = void (*)(const Shade32&, const Rows32&);

// The fastest row function the processor runs for the rule's kind.
Rows32Fn PickRows32(const Shade32& k) {
#ifdef GFX_HAVE_AVX2_ROW
    if (HaveAvx2()) {
        if (k.blend) return k.Identity() ? ShadeRows32Avx2<true, true> : ShadeRows32Avx2<true, false>;
        return k.Identity() ? ShadeRows32Avx2<false, true> : ShadeRows32Avx2<false, false>;
    }
#endif
#ifdef __SSE2__
    return ShadeRows32Sse2;
#else
    return ShadeRows32Scalar;
#endif
}

// TexelIndex(t0 + (double(first + i) - origin) * step, size) for i in [0, count): the texel columns or
// rows of a rectangle, four at a time where the processor has AVX2, with the same arithmetic.
#ifdef GFX_HAVE_AVX2_ROW
GFX_AVX2 int TexelIndicesAvx2(double t0, double origin, int first, double step, int count, int size,
                              int* out) {
    const __m256d vt0 = _mm256_set1_pd(t0), vorigin = _mm256_set1_pd(origin), vstep = _mm256_set1_pd(step);
    const __m256d vsize = _mm256_set1_pd(size), nudge = _mm256_set1_pd(1e-7), zero = _mm256_setzero_pd();
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d x =
            _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(first + i), _mm_setr_epi32(0, 1, 2, 3)));
        const __m256d t = _mm256_add_pd(vt0, _mm256_mul_pd(_mm256_sub_pd(x, vorigin), vstep));
        const __m256d f = _mm256_round_pd(_mm256_add_pd(_mm256_mul_pd(t, vsize), nudge),
                                          _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        const __m256d inside =
            _mm256_and_pd(_mm256_cmp_pd(f, zero, _CMP_GE_OQ), _mm256_cmp_pd(f, vsize, _CMP_LT_OQ));
        if (_mm256_movemask_pd(inside) == 0xF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_cvttpd_epi32(f));
        } else { // wrapped, or not a number
            alignas(32) double ts[4];
            _mm256_store_pd(ts, t);
            for (int j = 0; j < 4; ++j)
                out[i + j] = TexelIndex(ts[j], size);
        }
    }
    return i;
}
#endif

void TexelIndices(double t0, double origin, int first, double step, int count, int size, int* out) {
    int i = 0;
#ifdef GFX_HAVE_AVX2_ROW
    if (HaveAvx2()) i = TexelIndicesAvx2(t0, origin, first, step, count, size, out);
#endif
    for (; i < count; ++i)
        out[i] = TexelIndex(t0 + ((first + i) - origin) * step, size);
}

// Conversion tables for 16-bit pixels: the three formats' values widened to ARGB, and 8-bit channels
// narrowed to 5 and 6 bits.
struct Tables16 {
    std::vector<std::uint32_t> fromR565, fromA1555, fromX1555;
    std::vector<std::uint16_t> sameR565, sameA1555, sameX1555; // a value as written back to its format
    std::uint16_t narrow5[256], narrow6[256];
    Tables16()
        : fromR565(65536), fromA1555(65536), fromX1555(65536), sameR565(65536), sameA1555(65536),
          sameX1555(65536) {
        for (std::uint32_t v = 0; v < 65536; ++v) {
            fromR565[v] = ToArgb(PixelFormat::R5G6B5, v);
            fromA1555[v] = ToArgb(PixelFormat::A1R5G5B5, v);
            fromX1555[v] = ToArgb(PixelFormat::X1R5G5B5, v);
        }
        for (std::uint32_t c = 0; c < 256; ++c) {
            narrow5[c] = static_cast<std::uint16_t>(Narrow5(c));
            narrow6[c] = static_cast<std::uint16_t>(Narrow6(c));
        }
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
    const std::uint32_t* From(PixelFormat f) const {
        return f == PixelFormat::R5G6B5     ? fromR565.data()
               : f == PixelFormat::A1R5G5B5 ? fromA1555.data()
                                            : fromX1555.data();
    }
    std::uint16_t To(PixelFormat f, std::uint32_t c) const {
        const std::uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        if (f == PixelFormat::R5G6B5)
            return static_cast<std::uint16_t>(narrow5[r] << 11 | narrow6[g] << 5 | narrow5[b]);
        const std::uint16_t a = (f == PixelFormat::A1R5G5B5 && c >= 0x80000000u) ? 0x8000 : 0;
        return static_cast<std::uint16_t>(a | narrow5[r] << 10 | narrow5[g] << 5 | narrow5[b]);
    }
};

const Tables16& T16() {
    static const Tables16 tables;
    return tables;
}

bool Is16(PixelFormat f) {
    return f == PixelFormat::R5G6B5 || f == PixelFormat::A1R5G5B5 || f == PixelFormat::X1R5G5B5;
}

// ShadeRow32's rule for a row of 16-bit pixels: pixels left unchanged by the blend are not touched.
void ShadeRow16(std::uint16_t* dst, const std::uint32_t* texels, int n, std::uint32_t orMask,
                std::uint32_t mul, bool blend, PixelFormat f) {
    const Tables16& t = T16();
    const std::uint32_t* from = t.From(f);
    const bool identity = mul == 0xFFFFFFFFu && orMask == 0;
    for (int i = 0; i < n; ++i) {
        std::uint32_t src = texels[i] | orMask;
        if (!identity) {
            std::uint32_t m = 0;
            for (int sh = 0; sh < 32; sh += 8)
                m |= Div255(Ch(src, sh) * Ch(mul, sh)) << sh;
            src = m;
        }
        const std::uint32_t a = src >> 24;
        if (blend && a == 0) continue;
        if (!blend || a == 255) {
            dst[i] = t.To(f, src);
            continue;
        }
        const std::uint32_t d = from[dst[i]];
        std::uint32_t out = 0;
        for (int sh = 0; sh < 32; sh += 8)
            out |= Div255(Ch(src, sh) * a + Ch(d, sh) * (255 - a)) << sh;
        dst[i] = t.To(f, out);
    }
}

// One argument of a row: the texel (with its modifiers) or a value that is the same for the whole row.
struct RowArg {
    bool fromTexel = false;
    DWORD modifiers = 0;
    std::uint32_t constant = 0;
    RowArg(DWORD arg, std::uint32_t diffuse, std::uint32_t factor)
        : fromTexel((arg & 0x0F) == D3DTA_TEXTURE),
          modifiers(arg & (D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)),
          constant(fromTexel ? 0 : Arg(arg, 0, diffuse, factor)) {}
    std::uint32_t Get(std::uint32_t texel) const {
        if (!fromTexel) return constant;
        std::uint32_t v = modifiers & D3DTA_COMPLEMENT ? ~texel : texel;
        return modifiers & D3DTA_ALPHAREPLICATE ? (v >> 24) * 0x01010101u : v;
    }
};

template <DWORD Op>
void ColourRow(const RowArg& a1, const RowArg& a2, const std::uint32_t* texels, int n, std::uint32_t da,
               std::uint32_t fa, std::uint32_t* out) {
    for (int i = 0; i < n; ++i) {
        const std::uint32_t t = texels[i], c1 = a1.Get(t), c2 = a2.Get(t), ta = t >> 24;
        out[i] = Operate(Op, Ch(c1, 16), Ch(c2, 16), ta, da, fa) << 16 |
                 Operate(Op, Ch(c1, 8), Ch(c2, 8), ta, da, fa) << 8 |
                 Operate(Op, Ch(c1, 0), Ch(c2, 0), ta, da, fa);
    }
}

template <DWORD Op>
void AlphaRow(const RowArg& a1, const RowArg& a2, const std::uint32_t* texels, int n, std::uint32_t da,
              std::uint32_t fa, std::uint32_t* out) {
    for (int i = 0; i < n; ++i) {
        const std::uint32_t t = texels[i];
        out[i] |= Operate(Op, a1.Get(t) >> 24, a2.Get(t) >> 24, t >> 24, da, fa) << 24;
    }
}

using RowFn = void (*)(const RowArg&, const RowArg&, const std::uint32_t*, int, std::uint32_t, std::uint32_t,
                       std::uint32_t*);

RowFn ColourRowFor(DWORD op) {
    switch (op) {
    case D3DTOP_SELECTARG1:
        return ColourRow<D3DTOP_SELECTARG1>;
    case D3DTOP_SELECTARG2:
        return ColourRow<D3DTOP_SELECTARG2>;
    case D3DTOP_MODULATE:
        return ColourRow<D3DTOP_MODULATE>;
    case D3DTOP_MODULATE2X:
        return ColourRow<D3DTOP_MODULATE2X>;
    case D3DTOP_MODULATE4X:
        return ColourRow<D3DTOP_MODULATE4X>;
    case D3DTOP_ADD:
        return ColourRow<D3DTOP_ADD>;
    case D3DTOP_ADDSIGNED:
        return ColourRow<D3DTOP_ADDSIGNED>;
    case D3DTOP_ADDSIGNED2X:
        return ColourRow<D3DTOP_ADDSIGNED2X>;
    case D3DTOP_SUBTRACT:
        return ColourRow<D3DTOP_SUBTRACT>;
    case D3DTOP_ADDSMOOTH:
        return ColourRow<D3DTOP_ADDSMOOTH>;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return ColourRow<D3DTOP_BLENDDIFFUSEALPHA>;
    case D3DTOP_BLENDTEXTUREALPHA:
        return ColourRow<D3DTOP_BLENDTEXTUREALPHA>;
    case D3DTOP_BLENDFACTORALPHA:
        return ColourRow<D3DTOP_BLENDFACTORALPHA>;
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return ColourRow<D3DTOP_BLENDTEXTUREALPHAPM>;
    case D3DTOP_BLENDCURRENTALPHA:
        return ColourRow<D3DTOP_BLENDCURRENTALPHA>;
    default:
        return nullptr;
    }
}

RowFn AlphaRowFor(DWORD op) {
    switch (op) {
    case D3DTOP_SELECTARG1:
        return AlphaRow<D3DTOP_SELECTARG1>;
    case D3DTOP_SELECTARG2:
        return AlphaRow<D3DTOP_SELECTARG2>;
    case D3DTOP_MODULATE:
        return AlphaRow<D3DTOP_MODULATE>;
    case D3DTOP_MODULATE2X:
        return AlphaRow<D3DTOP_MODULATE2X>;
    case D3DTOP_MODULATE4X:
        return AlphaRow<D3DTOP_MODULATE4X>;
    case D3DTOP_ADD:
        return AlphaRow<D3DTOP_ADD>;
    case D3DTOP_ADDSIGNED:
        return AlphaRow<D3DTOP_ADDSIGNED>;
    case D3DTOP_ADDSIGNED2X:
        return AlphaRow<D3DTOP_ADDSIGNED2X>;
    case D3DTOP_SUBTRACT:
        return AlphaRow<D3DTOP_SUBTRACT>;
    case D3DTOP_ADDSMOOTH:
        return AlphaRow<D3DTOP_ADDSMOOTH>;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return AlphaRow<D3DTOP_BLENDDIFFUSEALPHA>;
    case D3DTOP_BLENDTEXTUREALPHA:
        return AlphaRow<D3DTOP_BLENDTEXTUREALPHA>;
    case D3DTOP_BLENDFACTORALPHA:
        return AlphaRow<D3DTOP_BLENDFACTORALPHA>;
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return AlphaRow<D3DTOP_BLENDTEXTUREALPHAPM>;
    case D3DTOP_BLENDCURRENTALPHA:
        return AlphaRow<D3DTOP_BLENDCURRENTALPHA>;
    default:
        return nullptr;
    }
}

// CombineStage for a row of texels with one diffuse colour, an operation at a time.
void CombineRow(const StageArgs& s, const std::uint32_t* texels, int n, std::uint32_t diffuse,
                std::uint32_t factor, std::uint32_t* out) {
    const std::uint32_t da = diffuse >> 24, fa = factor >> 24;
    if (s.colourOp == D3DTOP_DISABLE) {
        std::fill(out, out + n, diffuse & 0xFFFFFF);
    } else {
        RowFn f = ColourRowFor(s.colourOp);
        DWORD a1 = s.colourArg1;
        if (!f) {
            ReportUnknownOp(s.colourOp);
            f = ColourRow<D3DTOP_SELECTARG1>;
        }
        f(RowArg(a1, diffuse, factor), RowArg(s.colourArg2, diffuse, factor), texels, n, da, fa, out);
    }
    if (s.alphaOp == D3DTOP_DISABLE) {
        for (int i = 0; i < n; ++i)
            out[i] |= da << 24;
        return;
    }
    RowFn f = AlphaRowFor(s.alphaOp);
    if (!f) {
        ReportUnknownOp(s.alphaOp);
        f = AlphaRow<D3DTOP_SELECTARG1>;
    }
    f(RowArg(s.alphaArg1, diffuse, factor), RowArg(s.alphaArg2, diffuse, factor), texels, n, da, fa, out);
}

// Writes runs of pixels of one row for one draw: texels (ARGB) through the stage with one diffuse
// colour, then the standard blend (or none) into the target, whatever its format. What stays the same
// from run to run is worked out once.
class RunShader {
  public:
    RunShader(const RasterState& rs, std::uint32_t diffuse)
        : rs_(rs), target_(*rs.target), diffuse_(diffuse),
          target32_(target_.format == PixelFormat::A8R8G8B8 || target_.format == PixelFormat::X8R8G8B8) {
        simple_ = SimpleStage(rs.stage, diffuse, rs.textureFactor, k_.orMask, k_.mul, k_.add);
        if (!rs.texture) k_.orMask = 0xFFFFFFFFu;       // every sample is opaque white
        if (k_.add != 0 && !target32_) simple_ = false; // 16-bit rows multiply only
        if (!simple_) {
            // Other stages are combined a row at a time first; the row is then written as is.
            k_.orMask = 0;
            k_.mul = 0xFFFFFFFFu;
            k_.add = 0;
        }
        k_.blend = rs.blend;
        k_.x8 = target_.format == PixelFormat::X8R8G8B8;
        rows32_ = PickRows32(k_);
    }

    // Whether texels are written as they are (before any blending).
    bool Plain() const { return simple_ && k_.Identity(); }

    // Whether rows of texels go to the target as they are, several rows at a time.
    bool Direct() const { return simple_ && target32_; }

    // `rows` rows from (x0, y0) down, row r taking the texels src[r]; only when Direct().
    void Rows(int x0, int y0, const std::uint32_t* const* src, int n, int rows) {
        const Rows32 b{reinterpret_cast<std::uint32_t*>(target_.Row(y0)) + x0, target_.pitch / 4, src, n,
                       rows};
        rows32_(k_, b);
    }

    void Run(int x0, int y, const std::uint32_t* src, int n) {
        if (!simple_) {
            combined_.resize(static_cast<std::size_t>(n));
            CombineRow(rs_.stage, src, n, diffuse_, rs_.textureFactor, combined_.data());
            src = combined_.data();
        }
        if (target32_) {
            rows32_(k_, Rows32{reinterpret_cast<std::uint32_t*>(target_.Row(y)) + x0, 0, &src, n, 1});
        } else if (Is16(target_.format)) {
            ShadeRow16(reinterpret_cast<std::uint16_t*>(target_.Row(y)) + x0, src, n, k_.orMask, k_.mul,
                       k_.blend, target_.format);
        } else {
            // Other targets shade a copy of the row in ARGB, converted both ways.
            targetRow_.resize(static_cast<std::size_t>(n));
            RowToArgb(target_, x0, y, n, targetRow_.data());
            Shade32 k = k_;
            k.x8 = false;
            rows32_(k, Rows32{targetRow_.data(), 0, &src, n, 1});
            RowFromArgb(target_, x0, y, n, targetRow_.data());
        }
    }

  private:
    const RasterState& rs_;
    PixelBuffer& target_;
    std::uint32_t diffuse_;
    bool target32_;
    bool simple_ = false;
    Shade32 k_;
    Rows32Fn rows32_ = nullptr;
    static thread_local std::vector<std::uint32_t> targetRow_, combined_;
};

thread_local std::vector<std::uint32_t> RunShader::targetRow_, RunShader::combined_;

} // namespace

std::uint32_t CombineStage(const StageArgs& s, std::uint32_t texel, std::uint32_t diffuse,
                           std::uint32_t factor) {
    const std::uint32_t ta = texel >> 24, da = diffuse >> 24, fa = factor >> 24;
    std::uint32_t rgb;
    if (s.colourOp == D3DTOP_DISABLE) {
        rgb = diffuse & 0xFFFFFF;
    } else {
        DWORD op = s.colourOp;
        if (!KnownOp(op)) {
            ReportUnknownOp(op);
            op = D3DTOP_SELECTARG1;
        }
        const std::uint32_t c1 = Arg(s.colourArg1, texel, diffuse, factor);
        const std::uint32_t c2 = Arg(s.colourArg2, texel, diffuse, factor);
        rgb = Operate(op, Ch(c1, 16), Ch(c2, 16), ta, da, fa) << 16 |
              Operate(op, Ch(c1, 8), Ch(c2, 8), ta, da, fa) << 8 |
              Operate(op, Ch(c1, 0), Ch(c2, 0), ta, da, fa);
    }
    std::uint32_t alpha;
    if (s.alphaOp == D3DTOP_DISABLE) {
        alpha = da;
    } else {
        DWORD op = s.alphaOp;
        if (!KnownOp(op)) {
            ReportUnknownOp(op);
            op = D3DTOP_SELECTARG1;
        }
        alpha = Operate(op, Arg(s.alphaArg1, texel, diffuse, factor) >> 24,
                        Arg(s.alphaArg2, texel, diffuse, factor) >> 24, ta, da, fa);
    }
    return alpha << 24 | rgb;
}

std::uint32_t BlendPixel(const RasterState& rs, std::uint32_t src, std::uint32_t dst) {
    const std::uint32_t sa = src >> 24;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t s = Ch(src, shift), d = Ch(dst, shift);
        const std::uint32_t fs = BlendFactor(rs.srcBlend, sa, s, d), fd = BlendFactor(rs.destBlend, sa, s, d);
        out |= std::min<std::uint32_t>(255, (s * fs + d * fd + 127) / 255) << shift;
    }
    return out;
}

void RasterTriangle(const RasterState& rs, const TLVERTEX& a, const TLVERTEX& b0, const TLVERTEX& c0) {
    const PixelBuffer& t = *rs.target;
    double area = (double(b0.x) - a.x) * (double(c0.y) - a.y) - (double(b0.y) - a.y) * (double(c0.x) - a.x);
    if (area == 0 || !std::isfinite(area)) return;
    if ((rs.cull == 2 && area > 0) || (rs.cull == 3 && area < 0)) return; // CW / CCW culling
    const TLVERTEX& b = area > 0 ? b0 : c0;
    const TLVERTEX& c = area > 0 ? c0 : b0;
    area = std::fabs(area);
    const double xs[3] = {a.x, b.x, c.x}, ys[3] = {a.y, b.y, c.y};
    const double minX = std::max(0.0, std::ceil(std::min({xs[0], xs[1], xs[2]})));
    const double maxX = std::min(double(t.width - 1), std::floor(std::max({xs[0], xs[1], xs[2]})));
    const double minY = std::max(0.0, std::ceil(std::min({ys[0], ys[1], ys[2]})));
    const double maxY = std::min(double(t.height - 1), std::floor(std::max({ys[0], ys[1], ys[2]})));
    if (minX > maxX || minY > maxY) return;
    // Edge i runs from vertex i+1 to vertex i+2 and is weighted by vertex i.
    struct Edge {
        double x0, y0, dx, dy;
        bool topLeft;
    } e[3];
    for (int i = 0; i < 3; ++i) {
        const int p = (i + 1) % 3, q = (i + 2) % 3;
        e[i] = {xs[p], ys[p], xs[q] - xs[p], ys[q] - ys[p], false};
        e[i].topLeft = (e[i].dy == 0 && e[i].dx > 0) || e[i].dy < 0;
    }
    const TLVERTEX* v[3] = {&a, &b, &c};
    const bool flat = a.diffuse == b.diffuse && b.diffuse == c.diffuse;
    const PixelBuffer* tex = rs.texture;
    // With one diffuse colour and the standard blend (or none), covered runs of a row are shaded together.
    const bool standardBlend =
        rs.blend && rs.srcBlend == D3DBLEND_SRCALPHA && rs.destBlend == D3DBLEND_INVSRCALPHA;
    const bool runs = flat && (standardBlend || !rs.blend);
    RunShader shader(rs, a.diffuse);
    thread_local std::vector<std::uint32_t> run;
    for (int py = static_cast<int>(minY); py <= static_cast<int>(maxY); ++py) {
        run.clear();
        int runStart = 0;
        auto flush = [&] {
            if (!run.empty()) shader.Run(runStart, py, run.data(), static_cast<int>(run.size()));
            run.clear();
        };
        const double rowTerm[3] = {e[0].dx * (py - e[0].y0), e[1].dx * (py - e[1].y0),
                                   e[2].dx * (py - e[2].y0)};
        for (int px = static_cast<int>(minX); px <= static_cast<int>(maxX); ++px) {
            double w[3];
            bool inside = true;
            for (int i = 0; i < 3 && inside; ++i) {
                w[i] = rowTerm[i] - e[i].dy * (px - e[i].x0);
                inside = w[i] > 0 || (w[i] == 0 && e[i].topLeft);
            }
            if (!inside) {
                flush();
                continue;
            }
            const double l0 = w[0] / area, l1 = w[1] / area, l2 = w[2] / area;
            std::uint32_t diffuse = a.diffuse;
            if (!flat) {
                diffuse = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    const double ch = l0 * Ch(v[0]->diffuse, shift) + l1 * Ch(v[1]->diffuse, shift) +
                                      l2 * Ch(v[2]->diffuse, shift);
                    diffuse |= Clamp255(static_cast<int>(std::lround(ch))) << shift;
                }
            }
            std::uint32_t texel = 0xFFFFFFFFu;
            if (tex) {
                const double u = l0 * a.tu + l1 * b.tu + l2 * c.tu;
                const double vv = l0 * a.tv + l1 * b.tv + l2 * c.tv;
                texel = SampleTexel(tex, TexelIndex(u, tex->width), TexelIndex(vv, tex->height));
            }
            if (runs) {
                if (run.empty()) runStart = px;
                run.push_back(texel);
            } else {
                WritePixel(rs, px, py, CombineStage(rs.stage, texel, diffuse, rs.textureFactor));
            }
        }
        flush();
    }
}

void RasterQuadStrip(const RasterState& rs, const TLVERTEX* v) {
    const bool axisAligned = v[0].x == v[1].x && v[2].x == v[3].x && v[0].y == v[2].y && v[1].y == v[3].y &&
                             v[0].tu == v[1].tu && v[2].tu == v[3].tu && v[0].tv == v[2].tv &&
                             v[1].tv == v[3].tv && v[0].diffuse == v[1].diffuse &&
                             v[0].diffuse == v[2].diffuse && v[0].diffuse == v[3].diffuse &&
                             rs.cull == D3DCULL_NONE && v[0].x != v[2].x && v[0].y != v[1].y;
    if (!axisAligned) {
        RasterTriangle(rs, v[0], v[1], v[2]);
        RasterTriangle(rs, v[1], v[2], v[3]);
        return;
    }
    PixelBuffer& t = *rs.target;
    // Pixel centres inside the half-open rectangle [left, right) x [top, bottom).
    const double left = std::min(v[0].x, v[2].x), right = std::max(v[0].x, v[2].x);
    const double top = std::min(v[0].y, v[1].y), bottom = std::max(v[0].y, v[1].y);
    const int x0 = static_cast<int>(std::max(0.0, std::ceil(left)));
    const int x1 = static_cast<int>(std::min<double>(t.width, std::ceil(right)));
    const int y0 = static_cast<int>(std::max(0.0, std::ceil(top)));
    const int y1 = static_cast<int>(std::min<double>(t.height, std::ceil(bottom)));
    if (x0 >= x1 || y0 >= y1) return;
    const PixelBuffer* tex = rs.texture;
    const std::uint32_t diffuse = v[0].diffuse;
    const int n = x1 - x0, rows = y1 - y0;
    thread_local std::vector<int> cols, texRows;
    cols.resize(static_cast<std::size_t>(n));
    texRows.resize(static_cast<std::size_t>(rows));
    if (tex) {
        const double du = (double(v[2].tu) - v[0].tu) / (double(v[2].x) - v[0].x);
        const double dv = (double(v[1].tv) - v[0].tv) / (double(v[1].y) - v[0].y);
        TexelIndices(v[0].tu, v[0].x, x0, du, n, tex->width, cols.data());
        TexelIndices(v[0].tv, v[0].y, y0, dv, rows, tex->height, texRows.data());
    }

    const StageArgs& s = rs.stage;
    const bool standardBlend =
        rs.blend && rs.srcBlend == D3DBLEND_SRCALPHA && rs.destBlend == D3DBLEND_INVSRCALPHA;
    if (rs.blend && !standardBlend) {
        // Other blends go pixel by pixel through the general combiner.
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::uint32_t texel =
                    tex ? SampleTexel(tex, cols[x - x0], texRows[y - y0]) : 0xFFFFFFFFu;
                WritePixel(rs, x, y, CombineStage(s, texel, diffuse, rs.textureFactor));
            }
        return;
    }

    RunShader shader(rs, diffuse);
    thread_local std::vector<std::uint32_t> texels;
    texels.resize(static_cast<std::size_t>(n));
    if (!tex) std::fill(texels.begin(), texels.end(), 0xFFFFFFFFu);
    // One texel per pixel, left to right, without wrapping: 32-bit rows can be read in place.
    bool contiguous = tex != nullptr && tex->format == PixelFormat::A8R8G8B8;
    for (int i = 1; i < n && contiguous; ++i)
        contiguous = cols[i] == cols[i - 1] + 1;
    if (shader.Direct() && (contiguous || !tex)) {
        thread_local std::vector<const std::uint32_t*> src;
        src.resize(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            src[r] = contiguous ? reinterpret_cast<const std::uint32_t*>(tex->Row(texRows[r])) + cols[0]
                                : texels.data();
        shader.Rows(x0, y0, src.data(), n, rows);
        return;
    }
    const std::uint32_t* from16 = tex && Is16(tex->format) ? T16().From(tex->format) : nullptr;
    if (from16 && tex->format == t.format && shader.Plain()) {
        // A 16-bit texture on a target of its own format: each opaque texel's value on the target is
        // looked up, transparent ones are skipped under blending, the rest blend as any other.
        const std::uint16_t* same = T16().Same(t.format);
        for (int y = y0; y < y1; ++y) {
            auto* drow = reinterpret_cast<std::uint16_t*>(t.Row(y)) + x0;
            const auto* trow = reinterpret_cast<const std::uint16_t*>(tex->Row(texRows[y - y0]));
            for (int i = 0; i < n; ++i) {
                const std::uint16_t texel = trow[cols[i]];
                const std::uint32_t alpha = from16[texel] >> 24;
                if (!rs.blend || alpha == 255)
                    drow[i] = same[texel];
                else if (alpha != 0)
                    ShadeRow16(drow + i, &from16[texel], 1, 0, 0xFFFFFFFFu, true, t.format);
            }
        }
        return;
    }
    for (int y = y0; y < y1; ++y) {
        const int ty = texRows[y - y0];
        const std::uint32_t* src = texels.data();
        if (contiguous) {
            src = reinterpret_cast<const std::uint32_t*>(tex->Row(ty)) + cols[0];
        } else if (from16) {
            const auto* trow = reinterpret_cast<const std::uint16_t*>(tex->Row(ty));
            for (int i = 0; i < n; ++i)
                texels[i] = from16[trow[cols[i]]];
        } else if (tex) {
            for (int i = 0; i < n; ++i)
                texels[i] = SampleTexel(tex, cols[i], ty);
        }
        shader.Run(x0, y, src, n);
    }
}

} // namespace gfx
