// The row rule of 32-bit targets: a scalar road, four pixels at a time with SSE2, eight with AVX2 (and
// sixteen with AVX-512 for rows read in place by the tiles of their texture).
#include "platform/gfx/cpu.h"
#include "platform/gfx/raster_internal.h"
#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef GFX_HAVE_AVX2
#include <immintrin.h>
#endif

namespace gfx::raster_detail {
namespace {

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
        dst[i] = ShadePixel32(k, texels[i], k.under ? k.underRaw : dst[i]);
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
    const __m128i vunder = _mm_set1_epi32(static_cast<int>(k.underRaw));
    const bool identity = k.Identity(), blend = k.blend, under = k.under;
    auto div255 = [&](__m128i x) { return _mm_mulhi_epu16(_mm_add_epi16(x, c128), c257); };
    auto alphas = [](__m128i px16) { // each pixel's alpha over its four lanes
        px16 = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
        return _mm_shufflehi_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    };
    for (int row = 0; row < b.rows; ++row) {
        std::uint32_t* dst = b.dst + row * b.stride;
        const std::uint32_t* texels = b.Src(row);
        int i = 0;
        for (; i + 4 <= b.n; i += 4) {
            __m128i t = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i)), vor);
            __m128i* out = reinterpret_cast<__m128i*>(dst + i);
            if (blend && !identity &&
                _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(t, 24), zero)) == 0xFFFF) {
                if (under) _mm_storeu_si128(out, vunder);
                continue; // alpha 0 stays 0 through the multiply
            }
            __m128i slo = _mm_unpacklo_epi8(t, zero), shi = _mm_unpackhi_epi8(t, zero);
            if (!identity) {
                slo = div255(_mm_add_epi16(_mm_mullo_epi16(slo, vmul), vadd));
                shi = div255(_mm_add_epi16(_mm_mullo_epi16(shi, vmul), vadd));
                t = _mm_packus_epi16(slo, shi);
            }
            if (!blend) {
                _mm_storeu_si128(out, _mm_and_si128(t, vkeep));
                continue;
            }
            const __m128i alpha = _mm_srli_epi32(t, 24);
            const __m128i clear = _mm_cmpeq_epi32(alpha, zero), full = _mm_cmpeq_epi32(alpha, opaque);
            const int clearBits = _mm_movemask_epi8(clear);
            if (clearBits == 0xFFFF) {
                if (under) _mm_storeu_si128(out, vunder);
                continue;
            }
            const __m128i d0 = under ? vunder : _mm_loadu_si128(out);
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
        ShadeRow32Scalar(k, b.dst + row * b.stride, b.Src(row), b.n);
}
#endif
#ifdef GFX_HAVE_AVX2

struct Avx2Consts {
    __m256i zero, c128, c257, c255, vmul, vadd, vor, vkeep, vreadOr, opaque, vunder;
};

GFX_AVX2_INLINE Avx2Consts MakeConsts(const Shade32& k) {
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
    c.vunder = _mm256_set1_epi32(static_cast<int>(k.underRaw));
    return c;
}

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

// Eight pixels of the row rule; with Tail, only the lanes of `mask` are read and written; with Under,
// the target is not read and pixels left unchanged take the under value. With OpaqueFirst, eight
// opaque pixels are written without reading the target; without, they take the path of transparent
// and opaque pixels mixed (the same pixels, one branch fewer where the two alternate).
template <bool Blend, bool Identity, bool Tail, bool Under, bool OpaqueFirst = true>
GFX_AVX2_INLINE void Group8(const Avx2Consts& c, std::uint32_t* out, const std::uint32_t* in, __m256i mask) {
    __m256i t = _mm256_or_si256(Load8<Tail>(in, mask), c.vor);
    if (Blend && !Identity &&
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_srli_epi32(t, 24), c.zero)) == -1) {
        if (Under) Store8<Tail>(out, mask, c.vunder);
        return; // alpha 0 stays 0 through the multiply
    }
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
    if (clearBits == -1) {
        if (Under) Store8<Tail>(out, mask, c.vunder);
        return;
    }
    const int fullBits = _mm256_movemask_epi8(full);
    if (OpaqueFirst && fullBits == -1) {
        // Every pixel opaque: the texels replace the target, which need not be read.
        Store8<Tail>(out, mask, _mm256_and_si256(t, c.vkeep));
        return;
    }
    const __m256i d0 = Under ? c.vunder : Load8<Tail>(out, mask);
    __m256i r;
    if ((clearBits | fullBits) == -1) {
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
template <bool Blend, bool Identity, bool Under = false>
GFX_AVX2 void ShadeRows32Avx2(const Shade32& k, const Rows32& b) {
    const Avx2Consts c = MakeConsts(k);
    const int whole = b.n & ~7, rest = b.n & 7;
    const __m256i mask =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(rest), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (int row = 0; row < b.rows; ++row) {
        std::uint32_t* dst = b.dst + row * b.stride;
        const std::uint32_t* src = b.Src(row);
        for (int i = 0; i < whole; i += 8)
            Group8<Blend, Identity, false, Under>(c, dst + i, src + i, mask);
        if (rest) Group8<Blend, Identity, true, Under>(c, dst + whole, src + whole, mask);
    }
}

// `n` pixels of the row rule, eight at a time, the last few through masked loads and stores.
template <bool Blend, bool Identity, bool Under, bool OpaqueFirst = true>
GFX_AVX2_INLINE void Span8(const Avx2Consts& c, std::uint32_t* dst, const std::uint32_t* src, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8)
        Group8<Blend, Identity, false, Under, OpaqueFirst>(c, dst + i, src + i, c.zero);
    if (i < n) {
        const __m256i mask =
            _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        Group8<Blend, Identity, true, Under, OpaqueFirst>(c, dst + i, src + i, mask);
    }
}

// The kind of rows [first, first + count) of a band's word (TexelTiles::Band), all of them together.
inline TexelTiles::Kind KindOfRows(std::uint64_t word, int first, int count) {
    constexpr std::uint64_t kAllClear = 0x5555555555555555u, kAllOpaque = 0xAAAAAAAAAAAAAAAAu;
    const std::uint64_t mask = (count == TexelTiles::kTile ? ~0ull : (1ull << (2 * count)) - 1)
                               << (2 * first);
    return (word & mask) == (kAllClear & mask)    ? TexelTiles::Clear
           : (word & mask) == (kAllOpaque & mask) ? TexelTiles::Opaque
                                                  : TexelTiles::Mixed;
}

// What a block's texels hold, the block together or row by row, from the bands' words of the tiles.
class BlockKinds {
  public:
    BlockKinds(const Rows32& b, const TexelSource& t)
        : t_(t), firstTile_(t.col0 / TexelTiles::kTile), lastTile_((t.col0 + b.n - 1) / TexelTiles::kTile),
          rows_(b.rows) {}

    // The kind of every row together: Mixed where they differ.
    [[gnu::always_inline]] TexelTiles::Kind Whole() const {
        constexpr int kTile = TexelTiles::kTile;
        const int rowEnd = t_.row0 + rows_;
        TexelTiles::Kind kind = TexelTiles::Unknown;
        for (int y = t_.row0; y < rowEnd && kind != TexelTiles::Mixed;) {
            const int band = y / kTile, end = std::min(rowEnd, (band + 1) * kTile);
            const TexelTiles::Kind here =
                KindOfRows(t_.tiles->Band(*t_.texture, band, firstTile_, lastTile_), y % kTile, end - y);
            kind = kind != TexelTiles::Unknown && here != kind ? TexelTiles::Mixed : here;
            y = end;
        }
        return kind;
    }

    // The kind of row r of the block, the rows asked in order.
    TexelTiles::Kind Row(int r) {
        constexpr int kTile = TexelTiles::kTile;
        const int ty = t_.row0 + r;
        if (ty / kTile != wordBand_) {
            wordBand_ = ty / kTile;
            word_ = t_.tiles->Band(*t_.texture, wordBand_, firstTile_, lastTile_);
        }
        return static_cast<TexelTiles::Kind>((word_ >> (2 * (ty % kTile))) & 3);
    }

  private:
    const TexelSource& t_;
    int firstTile_, lastTile_, rows_;
    std::uint64_t word_ = 0;
    int wordBand_ = -1;
};

template <bool Identity, bool Under>
GFX_AVX2 void ShadeTilesAvx2(const Shade32& k, const Rows32& b, const TexelSource& t) {
    BlockKinds kinds(b, t);
    const TexelTiles::Kind kind = kinds.Whole();
    if (kind == TexelTiles::Clear) {
        if (Under)
            for (int r = 0; r < b.rows; ++r)
                std::fill_n(b.dst + r * b.stride, b.n, k.underRaw);
        return;
    }
    const Avx2Consts c = MakeConsts(k);
    if (kind == TexelTiles::Opaque) {
        for (int r = 0; r < b.rows; ++r)
            Span8<false, Identity, false>(c, b.dst + r * b.stride, b.Src(r), b.n);
        return;
    }
    // Mixed: each row by what its texels hold.
    for (int r = 0; r < b.rows; ++r) {
        const TexelTiles::Kind row = kinds.Row(r);
        std::uint32_t* dst = b.dst + r * b.stride;
        if (row == TexelTiles::Clear) {
            if (Under) std::fill_n(dst, b.n, k.underRaw);
        } else if (row == TexelTiles::Opaque) {
            Span8<false, Identity, false>(c, dst, b.Src(r), b.n);
        } else {
            Span8<true, Identity, Under, false>(c, dst, b.Src(r), b.n); // an edge of a picture
        }
    }
}

// The same rows sixteen pixels at a time with AVX-512, the lanes of a group chosen by a mask register:
// the last few pixels of a row need no second road, and a group whose texels are each transparent or
// opaque (a keyed picture's edge) writes its opaque pixels alone, without reading the target.

struct Avx512Consts {
    __m512i zero, c128, c257, c255, vmul, vadd, vor, vkeep, vreadOr, opaque, vunder;
};

GFX_AVX512_INLINE Avx512Consts MakeConsts512(const Shade32& k) {
    Avx512Consts c;
    c.zero = _mm512_setzero_si512();
    c.c128 = _mm512_set1_epi16(128);
    c.c257 = _mm512_set1_epi16(257);
    c.c255 = _mm512_set1_epi16(255);
    c.vmul = _mm512_unpacklo_epi8(_mm512_set1_epi32(static_cast<int>(k.mul)), c.zero);
    c.vadd = _mm512_set1_epi64(static_cast<long long>(k.add));
    c.vor = _mm512_set1_epi32(static_cast<int>(k.orMask));
    c.vkeep = _mm512_set1_epi32(static_cast<int>(k.x8 ? 0x00FFFFFFu : 0xFFFFFFFFu));
    c.vreadOr = _mm512_set1_epi32(static_cast<int>(k.x8 ? 0xFF000000u : 0));
    c.opaque = _mm512_set1_epi32(255);
    c.vunder = _mm512_set1_epi32(static_cast<int>(k.underRaw));
    return c;
}

GFX_AVX512_INLINE __m512i Div255x32(const Avx512Consts& c, __m512i x) {
    return _mm512_mulhi_epu16(_mm512_add_epi16(x, c.c128), c.c257);
}

GFX_AVX512_INLINE __m512i AlphasX32(__m512i px16) {
    px16 = _mm512_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm512_shufflehi_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
}

// Group8's rule for the pixels of `m` among sixteen; the others are neither read nor written.
template <bool Blend, bool Identity, bool Under>
GFX_AVX512_INLINE void Group16(const Avx512Consts& c, std::uint32_t* out, const std::uint32_t* in,
                               __mmask16 m) {
    __m512i t = _mm512_or_si512(_mm512_maskz_loadu_epi32(m, in), c.vor);
    __m512i slo, shi;
    if (!Identity) {
        slo = Div255x32(
            c, _mm512_add_epi16(_mm512_mullo_epi16(_mm512_unpacklo_epi8(t, c.zero), c.vmul), c.vadd));
        shi = Div255x32(
            c, _mm512_add_epi16(_mm512_mullo_epi16(_mm512_unpackhi_epi8(t, c.zero), c.vmul), c.vadd));
        t = _mm512_packus_epi16(slo, shi);
    }
    const __m512i kept = _mm512_and_si512(t, c.vkeep);
    if (!Blend) {
        _mm512_mask_storeu_epi32(out, m, kept);
        return;
    }
    const __m512i alpha = _mm512_maskz_srli_epi32(m, t, 24);
    const __mmask16 clear = _mm512_mask_cmpeq_epi32_mask(m, alpha, c.zero);
    const __mmask16 full = _mm512_mask_cmpeq_epi32_mask(m, alpha, c.opaque);
    if (static_cast<__mmask16>(clear | full) == m) {
        // Transparent pixels stay as they are (or take the under value), opaque ones take the texel.
        if (Under)
            _mm512_mask_storeu_epi32(out, m, _mm512_mask_mov_epi32(c.vunder, full, kept));
        else
            _mm512_mask_storeu_epi32(out, full, kept);
        return;
    }
    const __m512i d0 = Under ? c.vunder : _mm512_maskz_loadu_epi32(m, out);
    if (Identity) {
        slo = _mm512_unpacklo_epi8(t, c.zero);
        shi = _mm512_unpackhi_epi8(t, c.zero);
    }
    const __m512i d = _mm512_or_si512(d0, c.vreadOr);
    const __m512i dlo = _mm512_unpacklo_epi8(d, c.zero), dhi = _mm512_unpackhi_epi8(d, c.zero);
    const __m512i alo = AlphasX32(slo), ahi = AlphasX32(shi);
    const __m512i rlo =
        Div255x32(c, _mm512_add_epi16(_mm512_mullo_epi16(slo, alo),
                                      _mm512_mullo_epi16(dlo, _mm512_sub_epi16(c.c255, alo))));
    const __m512i rhi =
        Div255x32(c, _mm512_add_epi16(_mm512_mullo_epi16(shi, ahi),
                                      _mm512_mullo_epi16(dhi, _mm512_sub_epi16(c.c255, ahi))));
    const __m512i r = _mm512_and_si512(_mm512_packus_epi16(rlo, rhi), c.vkeep);
    if (Under)
        _mm512_mask_storeu_epi32(out, m, _mm512_mask_mov_epi32(r, clear, c.vunder));
    else
        _mm512_mask_storeu_epi32(out, static_cast<__mmask16>(m & ~clear), r);
}

template <bool Blend, bool Identity, bool Under>
GFX_AVX512_INLINE void Span16(const Avx512Consts& c, std::uint32_t* dst, const std::uint32_t* src, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16)
        Group16<Blend, Identity, Under>(c, dst + i, src + i, 0xFFFF);
    if (i < n)
        Group16<Blend, Identity, Under>(c, dst + i, src + i, static_cast<__mmask16>((1u << (n - i)) - 1));
}

template <bool Identity, bool Under>
GFX_AVX512 void ShadeTilesAvx512(const Shade32& k, const Rows32& b, const TexelSource& t) {
    BlockKinds kinds(b, t);
    const TexelTiles::Kind kind = kinds.Whole();
    if (kind == TexelTiles::Clear) {
        if (Under)
            for (int r = 0; r < b.rows; ++r)
                std::fill_n(b.dst + r * b.stride, b.n, k.underRaw);
        return;
    }
    const Avx512Consts c = MakeConsts512(k);
    if (kind == TexelTiles::Opaque) {
        for (int r = 0; r < b.rows; ++r)
            Span16<false, Identity, false>(c, b.dst + r * b.stride, b.Src(r), b.n);
        return;
    }
    for (int r = 0; r < b.rows; ++r) {
        const TexelTiles::Kind row = kinds.Row(r);
        std::uint32_t* dst = b.dst + r * b.stride;
        if (row == TexelTiles::Clear) {
            if (Under) std::fill_n(dst, b.n, k.underRaw);
        } else if (row == TexelTiles::Opaque) {
            Span16<false, Identity, false>(c, dst, b.Src(r), b.n);
        } else {
            Span16<true, Identity, Under>(c, dst, b.Src(r), b.n);
        }
    }
}
#endif

} // namespace

void ShadeRows32ByTiles(const Shade32& k, const Rows32& b, const TexelSource& t, TileVectors vectors) {
#ifdef GFX_HAVE_AVX2
    // Transparent texels stay transparent through the stage when it adds no alpha, and opaque ones
    // opaque when it keeps the texel's alpha.
    if (HaveAvx2() && k.blend && !b.src && b.n > 0 && (k.orMask >> 24) == 0 && (k.mul >> 24) == 0xFF &&
        ((k.add >> 48) & 0xFFFF) == 0) {
        if (vectors == TileVectors::Best && HaveAvx512()) {
            if (k.under)
                (k.Identity() ? ShadeTilesAvx512<true, true> : ShadeTilesAvx512<false, true>)(k, b, t);
            else
                (k.Identity() ? ShadeTilesAvx512<true, false> : ShadeTilesAvx512<false, false>)(k, b, t);
            return;
        }
        if (k.under)
            (k.Identity() ? ShadeTilesAvx2<true, true> : ShadeTilesAvx2<false, true>)(k, b, t);
        else
            (k.Identity() ? ShadeTilesAvx2<true, false> : ShadeTilesAvx2<false, false>)(k, b, t);
        return;
    }
#endif
    (void)t, (void)vectors;
    PickRows32(k)(k, b);
}

// The fastest row function the processor runs for the rule's kind.
Rows32Fn PickRows32(const Shade32& k) {
#ifdef GFX_HAVE_AVX2
    if (HaveAvx2()) {
        if (k.blend && k.under)
            return k.Identity() ? ShadeRows32Avx2<true, true, true> : ShadeRows32Avx2<true, false, true>;
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

} // namespace gfx::raster_detail
