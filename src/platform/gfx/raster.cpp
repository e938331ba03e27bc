// Triangle and rectangle set-up: which pixels a triangle or an axis-aligned rectangle covers, their
// texels, and the row road each draw takes (raster_internal.h).
#include "platform/gfx/raster.h"
#include "platform/gfx/cpu.h"
#include "platform/gfx/raster_internal.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef GFX_HAVE_AVX2
#include <immintrin.h>
#endif

namespace gfx {

using namespace raster_detail;

namespace {

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
__attribute__((always_inline)) inline int TexelIndex(double t, int size) {
    const double f = FloorOf(t * size + 1e-7);
    if (!(std::fabs(f) < 1e15)) return 0; // not a number, or too far out to wrap meaningfully
    long long i = static_cast<long long>(f);
    if (i >= 0 && i < size) return static_cast<int>(i);
    i %= size;
    if (i < 0) i += size;
    return static_cast<int>(i);
}

// A row of 16-bit texels of the target's format; with `keyed`, texels without the alpha bit leave the
// target as it was (or, with `under`, take the under value).
void CopyRow16(std::uint16_t* d, const std::uint16_t* s, int n, bool keyed, bool under, std::uint16_t u) {
    if (!keyed) {
        std::memcpy(d, s, static_cast<std::size_t>(n) * 2);
        return;
    }
    int i = 0;
#ifdef __SSE2__
    const __m128i vu = _mm_set1_epi16(static_cast<short>(u));
    for (; i + 8 <= n; i += 8) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i m = _mm_srai_epi16(t, 15); // all ones where the alpha bit is set
        const __m128i b = under ? vu : _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(m, t), _mm_andnot_si128(m, b)));
    }
#endif
    for (; i < n; ++i) {
        if (s[i] & 0x8000)
            d[i] = s[i];
        else if (under)
            d[i] = u;
    }
}

void WritePixel(const RasterState& rs, int x, int y, std::uint32_t colour) {
    PixelBuffer& t = *rs.target;
    if (rs.blend) colour = BlendPixel(rs, colour, ToArgb(t.format, rs.under ? rs.underRaw : t.Get(x, y)));
    t.Set(x, y, FromArgb(t.format, colour));
}

// The ARGB texels of texture row `ty` at the columns `cols`; `from16` converts a 16-bit texture's.
void GatherRow(const PixelBuffer* tex, const std::uint32_t* from16, int ty, const int* cols, int n,
               std::uint32_t* out) {
    if (tex->format == PixelFormat::A8R8G8B8) {
        const auto* trow = reinterpret_cast<const std::uint32_t*>(tex->Row(ty));
        for (int i = 0; i < n; ++i)
            out[i] = trow[cols[i]];
    } else if (from16) {
        const auto* trow = reinterpret_cast<const std::uint16_t*>(tex->Row(ty));
        for (int i = 0; i < n; ++i)
            out[i] = from16[trow[cols[i]]];
    } else {
        for (int i = 0; i < n; ++i)
            out[i] = SampleTexel(tex, cols[i], ty);
    }
}

// TexelIndex(t0 + (double(first + i) - origin) * step, size) for i in [0, count): the texel columns or
// rows of a rectangle, four at a time where the processor has AVX2, with the same arithmetic.
#ifdef GFX_HAVE_AVX2
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

// What a row of a textured triangle needs to find each pixel's texel: the edges' weights along the
// row (edge i weights vertex i) and the vertices' texture coordinates.
struct TriangleRow {
    double rowTerm[3], dy[3], x0[3];
    double area;
    double tu[3], tv[3];
};

// The texture coordinates (0..1 across the texture) of pixel px of the row, through its barycentric
// weights.
inline void TriangleUv(const TriangleRow& r, int px, double* tu, double* tv) {
    double wt[3];
    for (int i = 0; i < 3; ++i)
        wt[i] = r.rowTerm[i] - r.dy[i] * (px - r.x0[i]);
    const double l0 = wt[0] / r.area, l1 = wt[1] / r.area, l2 = wt[2] / r.area;
    *tu = l0 * r.tu[0] + l1 * r.tu[1] + l2 * r.tu[2];
    *tv = l0 * r.tv[0] + l1 * r.tv[1] + l2 * r.tv[2];
}

// The texel of pixel px of the row.
inline void TriangleTexel(const TriangleRow& r, int px, int w, int h, int* tx, int* ty) {
    double tu, tv;
    TriangleUv(r, px, &tu, &tv);
    *tx = TexelIndex(tu, w);
    *ty = TexelIndex(tv, h);
}

#ifdef GFX_HAVE_AVX2
// TriangleTexel for pixels [first, first + count), four at a time with the same arithmetic; returns how
// many it did.
GFX_AVX2 int TriangleTexelsAvx2(const TriangleRow& r, int first, int count, int w, int h, int* tx, int* ty) {
    __m256d rowTerm[3], dy[3], x0[3];
    for (int k = 0; k < 3; ++k) {
        rowTerm[k] = _mm256_set1_pd(r.rowTerm[k]);
        dy[k] = _mm256_set1_pd(r.dy[k]);
        x0[k] = _mm256_set1_pd(r.x0[k]);
    }
    const __m256d area = _mm256_set1_pd(r.area), nudge = _mm256_set1_pd(1e-7), zero = _mm256_setzero_pd();
    const __m256d vw = _mm256_set1_pd(w), vh = _mm256_set1_pd(h);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d x =
            _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(first + i), _mm_setr_epi32(0, 1, 2, 3)));
        __m256d l[3];
        for (int k = 0; k < 3; ++k)
            l[k] =
                _mm256_div_pd(_mm256_sub_pd(rowTerm[k], _mm256_mul_pd(dy[k], _mm256_sub_pd(x, x0[k]))), area);
        const __m256d u = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(l[0], _mm256_set1_pd(r.tu[0])),
                                                      _mm256_mul_pd(l[1], _mm256_set1_pd(r.tu[1]))),
                                        _mm256_mul_pd(l[2], _mm256_set1_pd(r.tu[2])));
        const __m256d v = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(l[0], _mm256_set1_pd(r.tv[0])),
                                                      _mm256_mul_pd(l[1], _mm256_set1_pd(r.tv[1]))),
                                        _mm256_mul_pd(l[2], _mm256_set1_pd(r.tv[2])));
        const __m256d fu = _mm256_round_pd(_mm256_add_pd(_mm256_mul_pd(u, vw), nudge),
                                           _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        const __m256d fv = _mm256_round_pd(_mm256_add_pd(_mm256_mul_pd(v, vh), nudge),
                                           _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        const __m256d inside = _mm256_and_pd(
            _mm256_and_pd(_mm256_cmp_pd(fu, zero, _CMP_GE_OQ), _mm256_cmp_pd(fu, vw, _CMP_LT_OQ)),
            _mm256_and_pd(_mm256_cmp_pd(fv, zero, _CMP_GE_OQ), _mm256_cmp_pd(fv, vh, _CMP_LT_OQ)));
        if (_mm256_movemask_pd(inside) == 0xF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(tx + i), _mm256_cvttpd_epi32(fu));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(ty + i), _mm256_cvttpd_epi32(fv));
        } else { // wrapped, or not a number
            alignas(32) double us[4], vs[4];
            _mm256_store_pd(us, u);
            _mm256_store_pd(vs, v);
            for (int j = 0; j < 4; ++j) {
                tx[i + j] = TexelIndex(us[j], w);
                ty[i + j] = TexelIndex(vs[j], h);
            }
        }
    }
    return i;
}
#endif

// A triangle's texel coordinates stepped along a row. At the run's first pixel they are computed as
// TriangleTexel computes them and then stepped from pixel to pixel. Both roads round a little; how much
// is bounded by the size of the terms they add, which gives `tolU` and `tolV` (in texels): a stepped
// coordinate further than that from a texel boundary lies on the same texel as TriangleTexel's, and one
// nearer is left to TriangleTexel.
struct TexelSteps {
    double du = 0, dv = 0;     // per pixel, in texels
    double tolU = 0, tolV = 0; // in texels
};

// The steps of a triangle whose edge i runs (dx[i], dy[i]) and whose vertices lie within spanX x spanY
// pixels; false where the bound would not be narrow (huge or not finite terms), and TriangleTexel goes
// alone.
bool MakeTexelSteps(const TriangleRow& r, const double dx[3], double spanX, double spanY, int w, int h,
                    TexelSteps* s) {
    // A pixel's weight of vertex k is at most S_k in size, its terms together; every rounding of either
    // road is at most a few units of the last place of one of these sums.
    double mu = 1, mv = 1, su = 0, sv = 0;
    for (int k = 0; k < 3; ++k) {
        const double size = 1 + (std::fabs(dx[k]) * (spanY + 1) + std::fabs(r.dy[k]) * (spanX + 1)) / r.area;
        mu += std::fabs(r.tu[k]) * size;
        mv += std::fabs(r.tv[k]) * size;
        su += r.dy[k] * r.tu[k];
        sv += r.dy[k] * r.tv[k];
    }
    s->du = -su / r.area * w;
    s->dv = -sv / r.area * h;
    // 2^-44 is 512 units of the last place, against the few dozen the two roads can differ by.
    s->tolU = 0x1p-44 * mu * w;
    s->tolV = 0x1p-44 * mv * h;
    // Steps of more than a million texels a pixel are left to TriangleTexel, and so they fit fixed point.
    return std::fabs(s->du) < 0x1p20 && std::fabs(s->dv) < 0x1p20 && s->tolU < 1e-4 && s->tolV < 1e-4;
}

// TriangleTexel's coordinates at pixel px, before the floor: texel u and v with the nudge added.
inline void TriangleCoords(const TriangleRow& r, int px, int w, int h, double* u, double* v) {
    double tu, tv;
    TriangleUv(r, px, &tu, &tv);
    *u = tu * w + 1e-7;
    *v = tv * h + 1e-7;
}

#ifdef GFX_HAVE_AVX2
// The low (and high) dwords of the 64-bit lanes of a and b, in the order a0 a1 b0 b1 a2 a3 b2 b3.
GFX_AVX2_INLINE __m256i LowDwords(__m256i a, __m256i b) {
    return _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0x88));
}
GFX_AVX2_INLINE __m256i HighDwords(__m256i a, __m256i b) {
    return _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0xDD));
}

// The byte offset in the texture of TriangleTexel's texel for pixel px.
inline std::int32_t TexelOffset(const TriangleRow& r, int px, int w, int h, int pitch, int bpp) {
    int tx, ty;
    TriangleTexel(r, px, w, h, &tx, &ty);
    return ty * pitch + tx * bpp;
}

// The byte offsets in the texture (row times pitch plus column times `bpp`) of the texels of pixels
// [first, first + count) of a triangle's row, stepped in fixed point with 32 fraction bits, eight pixels
// a step. A pixel with a coordinate near a texel boundary takes TriangleTexel's texel, and so do the
// pixels at the ends of the row whose coordinates lie outside the texture (wrapped or on its edge).
// Returns false where more than a few pixels do: the row's texels wrap.
// With `Texels32`, the 32-bit texels at those offsets from `base` go to `texels` in place of the offsets.
template <bool Texels32>
GFX_AVX2 bool SteppedOffsetsAvx2(const TriangleRow& r, const TexelSteps& s, int first, int count, int w,
                                 int h, int pitch, int bpp, std::int32_t* off,
                                 const std::uint8_t* base = nullptr, std::uint32_t* texels = nullptr) {
    const auto put = [&](int j, std::int32_t at) {
        if constexpr (Texels32)
            std::memcpy(texels + j, base + at, 4);
        else
            off[j] = at;
    };
    double u0, v0;
    TriangleCoords(r, first, w, h, &u0, &v0);
    const double one = 4294967296.0;                // 1 in fixed point
    const double margin = (count + 4) / one + 1e-9; // the fixed-point rounding, below
    // Along the row the coordinates only grow or only shrink: with both ends of a stretch inside the
    // texture, all its pixels are.
    const auto inside = [&](int i) {
        const double u = u0 + i * s.du, v = v0 + i * s.dv;
        return u >= margin && u < w - margin && v >= margin && v < h - margin;
    };
    int begin = 0, end = count;
    for (; begin < end && begin < 4 && !inside(begin); ++begin)
        put(begin, TexelOffset(r, first + begin, w, h, pitch, bpp));
    for (; end > begin && count - end < 4 && !inside(end - 1); --end)
        put(end - 1, TexelOffset(r, first + end - 1, w, h, pitch, bpp));
    if (begin == end) return true;
    if (!inside(begin) || !inside(end - 1)) return false;
    const auto fu0 = static_cast<std::int64_t>((u0 + begin * s.du) * one);
    const auto fv0 = static_cast<std::int64_t>((v0 + begin * s.dv) * one);
    const auto fdu = static_cast<std::int64_t>(std::llround(s.du * one));
    const auto fdv = static_cast<std::int64_t>(std::llround(s.dv * one));
    // Fixed point adds up to a unit for the start and half a unit a step to the rounding bound.
    const auto tolU = static_cast<std::int64_t>(s.tolU * one) + count + 2;
    const auto tolV = static_cast<std::int64_t>(s.tolV * one) + count + 2;
    // Fractions f (unsigned) are clear of texel boundaries where tol < f < 2^32 - tol; compared signed,
    // offset by 2^31.
    const __m256i loU = _mm256_set1_epi32(static_cast<int>(tolU - 0x80000000LL));
    const __m256i loV = _mm256_set1_epi32(static_cast<int>(tolV - 0x80000000LL));
    const __m256i hiU = _mm256_sub_epi32(_mm256_setzero_si256(), loU);
    const __m256i hiV = _mm256_sub_epi32(_mm256_setzero_si256(), loV);
    const __m256i bias = _mm256_set1_epi32(static_cast<int>(0x80000000u));
    const __m256i vpitch = _mm256_set1_epi32(pitch);
    const __m128i shift = _mm_cvtsi32_si128(bpp == 4 ? 2 : bpp == 2 ? 1 : 0);
    // Pixels 0-3 and 4-7 of each step of eight.
    __m256i u03 = _mm256_add_epi64(_mm256_set1_epi64x(fu0), _mm256_setr_epi64x(0, fdu, 2 * fdu, 3 * fdu));
    __m256i v03 = _mm256_add_epi64(_mm256_set1_epi64x(fv0), _mm256_setr_epi64x(0, fdv, 2 * fdv, 3 * fdv));
    __m256i u47 = _mm256_add_epi64(u03, _mm256_set1_epi64x(4 * fdu));
    __m256i v47 = _mm256_add_epi64(v03, _mm256_set1_epi64x(4 * fdv));
    const __m256i stepU = _mm256_set1_epi64x(8 * fdu), stepV = _mm256_set1_epi64x(8 * fdv);
    for (int i = begin; i < end; i += 8) {
        // The fractions (low dwords) and the texel columns and rows (high dwords) of the eight pixels,
        // in the order 0 1 4 5 2 3 6 7.
        const __m256i fracU = _mm256_xor_si256(LowDwords(u03, u47), bias);
        const __m256i fracV = _mm256_xor_si256(LowDwords(v03, v47), bias);
        const __m256i clear = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpgt_epi32(fracU, loU), _mm256_cmpgt_epi32(hiU, fracU)),
            _mm256_and_si256(_mm256_cmpgt_epi32(fracV, loV), _mm256_cmpgt_epi32(hiV, fracV)));
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(HighDwords(v03, v47), vpitch),
                                            _mm256_sll_epi32(HighDwords(u03, u47), shift));
        u03 = _mm256_add_epi64(u03, stepU);
        v03 = _mm256_add_epi64(v03, stepV);
        u47 = _mm256_add_epi64(u47, stepU);
        v47 = _mm256_add_epi64(v47, stepV);
        // Back in pixel order: 0 1 2 3 4 5 6 7.
        const int mask = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_permute4x64_epi64(clear, 0xD8)));
        const __m256i ordered = _mm256_permute4x64_epi64(at, 0xD8);
        const int n = std::min(8, end - i);
        if (n == 8 && mask == 0xFF) {
            if constexpr (Texels32)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(texels + i),
                                    _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), ordered, 1));
            else
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(off + i), ordered);
            continue;
        }
        // The last few pixels, or pixels near a texel boundary: those take TriangleTexel's texel.
        alignas(32) std::int32_t some[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(some), ordered);
        for (int j = 0; j < n; ++j)
            put(i + j, (mask >> j) & 1 ? some[j] : TexelOffset(r, first + i + j, w, h, pitch, bpp));
    }
    return true;
}

#endif

// The texels of pixels [first, first + count) of a triangle's row, stepped along the row (TexelSteps);
// false where the processor cannot, and TriangleTexels goes instead.
bool SteppedTexels(const TriangleRow& r, const TexelSteps& s, const PixelBuffer& tex, int first, int count,
                   std::uint32_t* out) {
#ifdef GFX_HAVE_AVX2
    if (!HaveAvx2()) return false;
    const std::uint32_t* from16 = Is16(tex.format) ? T16().From(tex.format) : nullptr;
    if (tex.format != PixelFormat::A8R8G8B8 && !from16) return false;
    const std::uint8_t* base = tex.bytes.data();
    if (!from16)
        return SteppedOffsetsAvx2<true>(r, s, first, count, tex.width, tex.height, tex.pitch, 4, nullptr,
                                        base, out);
    thread_local std::vector<std::int32_t> offsets;
    offsets.resize(static_cast<std::size_t>(count));
    std::int32_t* off = offsets.data();
    if (!SteppedOffsetsAvx2<false>(r, s, first, count, tex.width, tex.height, tex.pitch, 2, off))
        return false;
    for (int k = 0; k < count; ++k) {
        std::uint16_t t;
        std::memcpy(&t, base + off[k], 2);
        out[k] = from16[t];
    }
    return true;
#else
    (void)r, (void)s, (void)tex, (void)first, (void)count, (void)out;
    return false;
#endif
}

// The texels of pixels [first, first + count) of a triangle's row.
void TriangleTexels(const TriangleRow& r, const PixelBuffer& tex, int first, int count, std::uint32_t* out) {
    thread_local std::vector<int> tx, ty;
    tx.resize(static_cast<std::size_t>(count));
    ty.resize(static_cast<std::size_t>(count));
    int i = 0;
#ifdef GFX_HAVE_AVX2
    if (HaveAvx2()) i = TriangleTexelsAvx2(r, first, count, tex.width, tex.height, tx.data(), ty.data());
#endif
    for (; i < count; ++i)
        TriangleTexel(r, first + i, tex.width, tex.height, &tx[i], &ty[i]);
    if (tex.format == PixelFormat::A8R8G8B8) {
        for (int k = 0; k < count; ++k)
            std::memcpy(out + k, tex.Row(ty[k]) + static_cast<std::size_t>(tx[k]) * 4, 4);
        return;
    }
    for (int k = 0; k < count; ++k)
        out[k] = SampleTexel(&tex, tx[k], ty[k]);
}

void TexelIndices(double t0, double origin, int first, double step, int count, int size, int* out) {
    int i = 0;
#ifdef GFX_HAVE_AVX2
    if (HaveAvx2()) i = TexelIndicesAvx2(t0, origin, first, step, count, size, out);
#endif
    for (; i < count; ++i)
        out[i] = TexelIndex(t0 + ((first + i) - origin) * step, size);
}

// Whether TexelIndices(t0, origin, first, step, count, size, out) gives start, start + 1, ... (without
// wrapping), found from the ends alone: the positions t * size lie on a line, and when the line lies
// more than a margin inside one texel at each end of the span after one texel a pixel, it does so in
// between; the margin is far more than the rounding of positions below 2^20 can move them.
[[gnu::always_inline]] inline bool StepsByOne(double t0, double origin, int first, double step, int count,
                                              int size, int* start) {
    constexpr double kMargin = 1e-6, kLimit = 1 << 20;
    if (count < 1 || !(step > 0)) return false;
    const double a = (static_cast<double>(first) - origin) * step * size;
    const double b = (static_cast<double>(first + count - 1) - origin) * step * size;
    const double base = t0 * size;
    if (!(std::fabs(a) < kLimit && std::fabs(b) < kLimit && std::fabs(base) < kLimit)) return false;
    const double p0 = base + a + 1e-7, p1 = base + b + 1e-7;
    const double s = FloorOf(p0);
    if (s < 0 || s + count > size) return false;
    const double f0 = p0 - s, f1 = p1 - (s + count - 1);
    if (!(f0 > kMargin && f0 < 1 - kMargin && f1 > kMargin && f1 < 1 - kMargin)) return false;
    *start = static_cast<int>(s);
    return true;
}

// Writes runs of pixels of one row for one draw: texels (ARGB) through the stage with one diffuse
// colour, then the standard blend (or none) into the target, whatever its format. What stays the same
// from run to run is worked out once.
class RunShader {
  public:
    RunShader(const RasterState& rs, std::uint32_t diffuse)
        : rs_(rs), target_(*rs.target), diffuse_(diffuse),
          target32_(target_.format == PixelFormat::A8R8G8B8 || target_.format == PixelFormat::X8R8G8B8) {
        // Consecutive draws mostly share their state: what the last one worked out is taken again.
        // The state is compared field by field where it lies: its fields were mostly just stored one
        // at a time, and a wider read of them would wait for those stores to land.
        thread_local SetUp last;
        if (last.valid && SameKey(last.key, rs, diffuse, target_.format)) {
            simple_ = last.simple;
            k_ = last.k;
            rows32_ = last.rows32;
            return;
        }
        Work(rs, diffuse);
        last = SetUp{KeyOf(rs, diffuse, target_.format), true, simple_, k_, rows32_};
    }

  private:
    // Everything of a draw the set-up below depends on, in words of one size (read back whole).
    struct Key {
        StageArgs stage;
        std::uint32_t diffuse, factor, underRaw, format;
        std::uint32_t flags; // textured, blending, over an under colour
    };
    struct SetUp {
        Key key;
        bool valid = false, simple = false;
        Shade32 k;
        Rows32Fn rows32 = nullptr;
    };
    static Key KeyOf(const RasterState& rs, std::uint32_t diffuse, PixelFormat format) {
        return Key{rs.stage,
                   diffuse,
                   rs.textureFactor,
                   rs.underRaw,
                   static_cast<std::uint32_t>(format),
                   std::uint32_t{rs.texture != nullptr} | std::uint32_t{rs.blend} << 1 |
                       std::uint32_t{rs.under} << 2};
    }
    // Whether `a` is the key of `rs`, `diffuse` and `format`.
    static bool SameKey(const Key& a, const RasterState& rs, std::uint32_t diffuse, PixelFormat format) {
        const StageArgs &s = a.stage, &t = rs.stage;
        const std::uint32_t flags = std::uint32_t{rs.texture != nullptr} | std::uint32_t{rs.blend} << 1 |
                                    std::uint32_t{rs.under} << 2;
        return s.colourOp == t.colourOp && s.colourArg1 == t.colourArg1 && s.colourArg2 == t.colourArg2 &&
               s.alphaOp == t.alphaOp && s.alphaArg1 == t.alphaArg1 && s.alphaArg2 == t.alphaArg2 &&
               a.diffuse == diffuse && a.factor == rs.textureFactor && a.underRaw == rs.underRaw &&
               a.format == static_cast<std::uint32_t>(format) && a.flags == flags;
    }

    // The stage reduced to the row rule where it can be, and the row function for the rule.
    void Work(const RasterState& rs, std::uint32_t diffuse) {
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
        k_.under = rs.under;
        k_.underRaw = rs.underRaw;
        rows32_ = PickRows32(k_);
    }

  public:
    // Whether texels are written as they are (before any blending).
    bool Plain() const { return simple_ && k_.Identity(); }

    // Whether rows of texels go to the target as they are, several rows at a time.
    bool Direct() const { return simple_ && target32_; }

    // `rows` rows from (x0, y0) down, reading the A8R8G8B8 texture `t.texture` in place from its row
    // t.row0 and column t.col0 on, a texel a pixel; only when Direct().
    void Block(int x0, int y0, const TexelSource& t, int n, int rows) {
        const PixelBuffer& tex = *t.texture;
        Rows32 b{reinterpret_cast<std::uint32_t*>(target_.Row(y0)) + x0, target_.pitch / 4, nullptr, n, rows};
        b.first = reinterpret_cast<const std::uint32_t*>(tex.Row(t.row0)) + t.col0;
        b.srcStride = tex.pitch / 4;
        if (t.tiles)
            ShadeRows32ByTiles(k_, b, t);
        else
            rows32_(k_, b);
    }

    // `rows` rows from (x0, y0) down, row r taking the texels src[r]; only when Direct().
    void Rows(int x0, int y0, const std::uint32_t* const* src, int n, int rows) {
        const Rows32 b{reinterpret_cast<std::uint32_t*>(target_.Row(y0)) + x0, target_.pitch / 4, src, n,
                       rows};
        rows32_(k_, b);
    }

    // Whether rows of 16-bit texels go to the (16-bit) target without being widened first.
    bool Direct16() const { return simple_ && Is16(target_.format); }

    // `rows` rows of 16-bit texels of format `texF` from (x0, y0) down, row r taking src[r]; only when
    // Direct16().
    void Rows16(int x0, int y0, const void* const* src, PixelFormat texF, int n, int rows) {
        if (k_.under) target_.Fill(x0, y0, x0 + n, y0 + rows, k_.underRaw);
        const raster_detail::Rows16 b{reinterpret_cast<std::uint16_t*>(target_.Row(y0)) + x0,
                                      target_.pitch / 2, src, n, rows};
        ShadeRows16(b, texF, k_.orMask, k_.mul, k_.blend, target_.format, HaveAvx2());
    }

    void Run(int x0, int y, const std::uint32_t* src, int n) {
        if (!simple_) {
            combined_.resize(static_cast<std::size_t>(n));
            CombineRow(rs_.stage, src, n, diffuse_, rs_.textureFactor, combined_.data());
            src = combined_.data();
        }
        if (target32_) {
            rows32_(k_, Rows32{reinterpret_cast<std::uint32_t*>(target_.Row(y)) + x0, 0, &src, n, 1});
            return;
        }
        // Other targets take the under value first, while the row is in the cache.
        if (k_.under) target_.Fill(x0, y, x0 + n, y + 1, k_.underRaw);
        if (Is16(target_.format)) {
            ShadeRow16(reinterpret_cast<std::uint16_t*>(target_.Row(y)) + x0, src, n, k_.orMask, k_.mul,
                       k_.blend, target_.format);
        } else {
            // Other targets shade a copy of the row in ARGB, converted both ways.
            targetRow_.resize(static_cast<std::size_t>(n));
            RowToArgb(target_, x0, y, n, targetRow_.data());
            Shade32 k = k_;
            k.x8 = false;
            k.under = false;
            (k_.under ? PickRows32(k) : rows32_)(k, Rows32{targetRow_.data(), 0, &src, n, 1});
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

namespace {

// The first x of [lo, hi) at which `holds` is true, or hi where it holds nowhere there; `holds` is false
// up to some x and true from there on. Searched from `guess` by steps that double, then by halving.
template <class Test> int FirstWhere(const Test& holds, int lo, int hi, int guess) {
    guess = std::clamp(guess, lo, hi);
    int below = lo, above = hi; // the answer lies in [below, above]
    if (guess == hi || holds(guess)) {
        above = guess;
        for (int step = 1; above - step >= lo; step *= 2) {
            if (!holds(above - step)) {
                below = above - step + 1;
                break;
            }
            above -= step;
        }
    } else {
        below = guess + 1;
        for (int step = 1; below - 1 + step < hi; step *= 2) {
            if (holds(below - 1 + step)) {
                above = below - 1 + step;
                break;
            }
            below += step;
        }
    }
    while (below < above) {
        const int mid = below + (above - below) / 2;
        if (holds(mid))
            above = mid;
        else
            below = mid + 1;
    }
    return below;
}

} // namespace

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
    const double minY = std::max(double(std::max(0, rs.rowTop)), std::ceil(std::min({ys[0], ys[1], ys[2]})));
    const double maxY =
        std::min(double(std::min(t.height, rs.rowBottom) - 1), std::floor(std::max({ys[0], ys[1], ys[2]})));
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
    TexelSteps steps;
    bool stepped = false;
    if (runs && tex) {
        const TriangleRow whole{{0, 0, 0}, {e[0].dy, e[1].dy, e[2].dy}, {0, 0, 0},
                                area,      {a.tu, b.tu, c.tu},          {a.tv, b.tv, c.tv}};
        const double dx[3] = {e[0].dx, e[1].dx, e[2].dx};
        const double spanX = std::max({xs[0], xs[1], xs[2]}) - std::min({xs[0], xs[1], xs[2]});
        const double spanY = std::max({ys[0], ys[1], ys[2]}) - std::min({ys[0], ys[1], ys[2]});
        // Texels are found by their byte offset in the texture, which must fit 31 bits.
        const bool small = static_cast<long long>(tex->pitch) * tex->height < (1LL << 31);
        stepped = small && MakeTexelSteps(whole, dx, spanX, spanY, tex->width, tex->height, &steps);
    }
    thread_local std::vector<std::uint32_t> run;
    // Where each edge crossed the row above (FirstWhere); the first row starts in the middle.
    int crossing[3];
    std::fill(crossing, crossing + 3, static_cast<int>((minX + maxX) / 2));
    for (int py = static_cast<int>(minY); py <= static_cast<int>(maxY); ++py) {
        run.clear();
        int runStart = 0;
        auto flush = [&] {
            if (!run.empty()) shader.Run(runStart, py, run.data(), static_cast<int>(run.size()));
            run.clear();
        };
        const double rowTerm[3] = {e[0].dx * (py - e[0].y0), e[1].dx * (py - e[1].y0),
                                   e[2].dx * (py - e[2].y0)};
        const TriangleRow row{{rowTerm[0], rowTerm[1], rowTerm[2]},
                              {e[0].dy, e[1].dy, e[2].dy},
                              {e[0].x0, e[1].x0, e[2].x0},
                              area,
                              {a.tu, b.tu, c.tu},
                              {a.tv, b.tv, c.tv}};
        // An edge's weight only grows or only shrinks along a row, so the pixels inside all three edges
        // are one run: its ends are found with the same test each pixel takes, from where the edge
        // crossed the row above.
        const auto insideEdge = [&](int i, int px) {
            const double w = rowTerm[i] - e[i].dy * (px - e[i].x0);
            return w > 0 || (w == 0 && e[i].topLeft);
        };
        int first = static_cast<int>(minX), last = static_cast<int>(maxX);
        for (int i = 0; i < 3; ++i) {
            if (e[i].dy == 0) {
                if (!insideEdge(i, first)) first = last + 1;
                continue;
            }
            const int lo = static_cast<int>(minX), hi = static_cast<int>(maxX) + 1;
            if (e[i].dy < 0) { // the weight grows with x: inside from some pixel on
                crossing[i] = FirstWhere([&](int px) { return insideEdge(i, px); }, lo, hi, crossing[i]);
                first = std::max(first, crossing[i]);
            } else { // the weight shrinks with x: inside up to some pixel
                crossing[i] = FirstWhere([&](int px) { return !insideEdge(i, px); }, lo, hi, crossing[i]);
                last = std::min(last, crossing[i] - 1);
            }
        }
        if (runs && first <= last) {
            // The run's texels together, then the run shaded at once.
            const int n = last - first + 1;
            run.resize(static_cast<std::size_t>(n));
            if (tex) {
                if (!stepped || !SteppedTexels(row, steps, *tex, first, n, run.data()))
                    TriangleTexels(row, *tex, first, n, run.data());
            } else
                std::fill(run.begin(), run.end(), 0xFFFFFFFFu);
            shader.Run(first, py, run.data(), n);
            continue;
        }
        for (int px = first; px <= last; ++px) {
            double w[3];
            for (int i = 0; i < 3; ++i)
                w[i] = rowTerm[i] - e[i].dy * (px - e[i].x0);
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

bool AxisAlignedQuad(const RasterState& rs, const TLVERTEX* v) {
    return v[0].x == v[1].x && v[2].x == v[3].x && v[0].y == v[2].y && v[1].y == v[3].y &&
           v[0].tu == v[1].tu && v[2].tu == v[3].tu && v[0].tv == v[2].tv && v[1].tv == v[3].tv &&
           v[0].diffuse == v[1].diffuse && v[0].diffuse == v[2].diffuse && v[0].diffuse == v[3].diffuse &&
           rs.cull == D3DCULL_NONE && v[0].x != v[2].x && v[0].y != v[1].y;
}

PixelRect UprightPixels(const TLVERTEX* v, int width, int height, int rowTop, int rowBottom) {
    // Pixel centres inside the half-open rectangle [left, right) x [top, bottom).
    const float fl = std::min(v[0].x, v[2].x), fr = std::max(v[0].x, v[2].x);
    const float ft = std::min(v[0].y, v[1].y), fb = std::max(v[0].y, v[1].y);
    PixelRect r;
#ifdef __SSE2__
    // The four edges rounded up together where each lies within 2^31 of 0: truncated, and one added
    // where that fell short (the truncated value is exact, and so is the sum).
    const __m128 e = _mm_setr_ps(fl, fr, ft, fb);
    const __m128 size = _mm_andnot_ps(_mm_set1_ps(-0.0f), e);
    if (_mm_movemask_ps(_mm_cmplt_ps(size, _mm_set1_ps(2147483648.0f))) == 0xF) {
        const __m128i whole = _mm_cvttps_epi32(e);
        const __m128i up = _mm_castps_si128(_mm_cmplt_ps(_mm_cvtepi32_ps(whole), e));
        alignas(16) std::int32_t c[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(c), _mm_sub_epi32(whole, up));
        r.x0 = std::max(0, c[0]);
        r.x1 = std::min(width, c[1]);
        r.y0 = std::max(std::max(0, rowTop), c[2]);
        r.y1 = std::min(std::min(height, rowBottom), c[3]);
        return r;
    }
#endif
    const double left = fl, right = fr, top = ft, bottom = fb;
    r.x0 = static_cast<int>(std::max(0.0, CeilOf(left)));
    r.x1 = static_cast<int>(std::min<double>(width, CeilOf(right)));
    r.y0 = static_cast<int>(std::max<double>(std::max(0, rowTop), CeilOf(top)));
    r.y1 = static_cast<int>(std::min<double>(std::min(height, rowBottom), CeilOf(bottom)));
    return r;
}

void RasterQuadStrip(const RasterState& rs, const TLVERTEX* v) {
    if (!AxisAlignedQuad(rs, v)) {
        RasterTriangle(rs, v[0], v[1], v[2]);
        RasterTriangle(rs, v[1], v[2], v[3]);
        return;
    }
    const PixelBuffer& t = *rs.target;
    RasterUprightQuad(rs, v, UprightPixels(v, t.width, t.height, rs.rowTop, rs.rowBottom));
}

void RasterUprightQuad(const RasterState& rs, const TLVERTEX* v, const PixelRect& r) {
    if (r.Empty()) return;
    PixelBuffer& t = *rs.target;
    const int x0 = r.x0, x1 = r.x1, y0 = r.y0, y1 = r.y1;
    const PixelBuffer* tex = rs.texture;
    const std::uint32_t diffuse = v[0].diffuse;
    const int n = x1 - x0, rows = y1 - y0;
    const bool standardBlend =
        rs.blend && rs.srcBlend == D3DBLEND_SRCALPHA && rs.destBlend == D3DBLEND_INVSRCALPHA;
    if (tex && tex->format == PixelFormat::A8R8G8B8 && (standardBlend || !rs.blend)) {
        // An unscaled picture: texel rows are read in place, one texel a pixel, without working out
        // each pixel's texel.
        const double du = (double(v[2].tu) - v[0].tu) / (double(v[2].x) - v[0].x);
        const double dv = (double(v[1].tv) - v[0].tv) / (double(v[1].y) - v[0].y);
        TexelSource from{rs.tiles, tex, 0, 0};
        if (StepsByOne(v[0].tu, v[0].x, x0, du, n, tex->width, &from.col0) &&
            StepsByOne(v[0].tv, v[0].y, y0, dv, rows, tex->height, &from.row0)) {
            RunShader shader(rs, diffuse);
            if (shader.Direct()) {
                shader.Block(x0, y0, from, n, rows);
                return;
            }
        }
    }
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
    if (from16 && Is16(t.format) && shader.Plain()) {
        // A 16-bit texture on a 16-bit target: each texel's value on the target is looked up. A 16-bit
        // texel is opaque or (A1R5G5B5 without its alpha bit) transparent, never in between, so under
        // blending the transparent ones are skipped and the others written as they are.
        const std::uint16_t* conv = Convert16(tex->format, t.format);
        const bool keyed = rs.blend && tex->format == PixelFormat::A1R5G5B5;
        // Texels of the target's own format (but X1R5G5B5, whose unused bit is cleared) are written as
        // they are; one texel a pixel, left to right, the rows go whole.
        bool same = tex->format == t.format && t.format != PixelFormat::X1R5G5B5;
        for (int i = 1; i < n && same; ++i)
            same = cols[i] == cols[i - 1] + 1;
        for (int y = y0; y < y1; ++y) {
            auto* drow = reinterpret_cast<std::uint16_t*>(t.Row(y)) + x0;
            const auto* trow = reinterpret_cast<const std::uint16_t*>(tex->Row(texRows[y - y0]));
            if (same) {
                CopyRow16(drow, trow + cols[0], n, keyed, rs.under, static_cast<std::uint16_t>(rs.underRaw));
                continue;
            }
            if (!keyed) {
                for (int i = 0; i < n; ++i)
                    drow[i] = conv[trow[cols[i]]];
                continue;
            }
            if (!rs.under) {
                for (int i = 0; i < n; ++i) {
                    const std::uint16_t texel = trow[cols[i]];
                    if (texel & 0x8000) drow[i] = conv[texel];
                }
                continue;
            }
            const auto under = static_cast<std::uint16_t>(rs.underRaw);
            for (int i = 0; i < n; ++i) {
                const std::uint16_t texel = trow[cols[i]];
                drow[i] = texel & 0x8000 ? conv[texel] : under;
            }
        }
        return;
    }
    if (from16 && shader.Direct16()) {
        // 16-bit texels on a 16-bit target are shaded as they are, read in place when they run left to
        // right one a pixel, the rows in one block.
        bool inPlace = true;
        for (int i = 1; i < n && inPlace; ++i)
            inPlace = cols[i] == cols[i - 1] + 1;
        thread_local std::vector<std::uint16_t> texels16;
        thread_local std::vector<const void*> src;
        if (!inPlace) texels16.resize(static_cast<std::size_t>(n) * rows);
        src.resize(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const auto* trow = reinterpret_cast<const std::uint16_t*>(tex->Row(texRows[r]));
            if (inPlace) {
                src[r] = trow + cols[0];
                continue;
            }
            std::uint16_t* g = texels16.data() + static_cast<std::size_t>(r) * n;
            for (int i = 0; i < n; ++i)
                g[i] = trow[cols[i]];
            src[r] = g;
        }
        shader.Rows16(x0, y0, src.data(), tex->format, n, rows);
        return;
    }
    if (shader.Direct() && tex) {
        // A stretched texture on a 32-bit target: each texture row the rectangle takes is gathered
        // once (an enlarged picture repeats its rows), and the rows go in one block.
        thread_local std::vector<std::uint32_t> gathered;
        thread_local std::vector<const std::uint32_t*> src;
        gathered.resize(static_cast<std::size_t>(n) * rows);
        src.resize(static_cast<std::size_t>(rows));
        std::uint32_t* next = gathered.data();
        for (int r = 0; r < rows; ++r) {
            if (r > 0 && texRows[r] == texRows[r - 1]) {
                src[r] = src[r - 1];
                continue;
            }
            GatherRow(tex, from16, texRows[r], cols.data(), n, next);
            src[r] = next;
            next += n;
        }
        shader.Rows(x0, y0, src.data(), n, rows);
        return;
    }
    for (int y = y0; y < y1; ++y) {
        const int ty = texRows[y - y0];
        const std::uint32_t* src = texels.data();
        if (contiguous)
            src = reinterpret_cast<const std::uint32_t*>(tex->Row(ty)) + cols[0];
        else if (tex)
            GatherRow(tex, from16, ty, cols.data(), n, texels.data());
        shader.Run(x0, y, src, n);
    }
}

} // namespace gfx
