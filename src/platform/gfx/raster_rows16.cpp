// The row rule of 16-bit targets, through tables of the three formats' values.
#include "platform/gfx/raster_internal.h"
#include <algorithm>
#include <mutex>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace gfx::raster_detail {
namespace {

// 16-bit pixels widened to ARGB as ArgbOf16 gives them (channels by repeating their top bits, the
// alpha of A1R5G5B5 from its top bit, the others opaque), eight a step; returns how many were done.
int WidenSixteen(const std::uint16_t* p, int n, PixelFormat f, std::uint32_t* o) {
    int x = 0;
#ifdef __SSE2__
    const bool r565 = f == PixelFormat::R5G6B5, a1555 = f == PixelFormat::A1R5G5B5;
    const __m128i m5 = _mm_set1_epi16(31), m6 = _mm_set1_epi16(63);
    const __m128i opaque = _mm_set1_epi16(static_cast<short>(0xFF00));
    auto expand5 = [](__m128i c) { return _mm_or_si128(_mm_slli_epi16(c, 3), _mm_srli_epi16(c, 2)); };
    for (; x + 8 <= n; x += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
        const __m128i r = expand5(_mm_and_si128(r565 ? _mm_srli_epi16(v, 11) : _mm_srli_epi16(v, 10), m5));
        const __m128i b = expand5(_mm_and_si128(v, m5));
        __m128i g;
        if (r565) {
            const __m128i g6 = _mm_and_si128(_mm_srli_epi16(v, 5), m6);
            g = _mm_or_si128(_mm_slli_epi16(g6, 2), _mm_srli_epi16(g6, 4));
        } else {
            g = expand5(_mm_and_si128(_mm_srli_epi16(v, 5), m5));
        }
        const __m128i a = a1555 ? _mm_and_si128(_mm_srai_epi16(v, 15), opaque) : opaque;
        const __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b), ar = _mm_or_si128(a, r);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + x), _mm_unpacklo_epi16(gb, ar));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + x + 4), _mm_unpackhi_epi16(gb, ar));
    }
#else
    (void)p, (void)n, (void)f, (void)o;
#endif
    return x;
}

} // namespace

const Tables16& T16() {
    static const Tables16 tables;
    return tables;
}

const std::uint16_t* Convert16(PixelFormat from, PixelFormat to) {
    if (from == to) return T16().Same(to);
    auto index = [](PixelFormat f) {
        return f == PixelFormat::R5G6B5 ? 0 : f == PixelFormat::A1R5G5B5 ? 1 : 2;
    };
    static std::once_flag made[3][3];
    static std::vector<std::uint16_t> tables[3][3];
    const int i = index(from), j = index(to);
    std::call_once(made[i][j], [&] {
        const Tables16& t = T16();
        const std::uint32_t* argb = ArgbOf16(from);
        std::vector<std::uint16_t>& out = tables[i][j];
        out.resize(65536);
        for (std::uint32_t v = 0; v < 65536; ++v)
            out[v] = t.To(to, argb[v]);
    });
    return tables[i][j].data();
}

bool Is16(PixelFormat f) {
    return f == PixelFormat::R5G6B5 || f == PixelFormat::A1R5G5B5 || f == PixelFormat::X1R5G5B5;
}

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

void ShadeRow16Wide(std::uint16_t* dst, const std::uint32_t* texels, int n, std::uint32_t orMask,
                    std::uint32_t mul, bool blend, PixelFormat f, std::vector<std::uint32_t>& wide,
                    std::vector<std::uint32_t>& before) {
    if (n <= 0) return;
    const Tables16& t = T16();
    wide.resize(static_cast<std::size_t>(n));
    before.resize(static_cast<std::size_t>(n));
    const std::uint32_t* from = t.From(f);
    std::uint32_t* w = before.data();
    for (int i = WidenSixteen(dst, n, f, w); i < n; ++i)
        w[i] = from[dst[i]];
    std::copy_n(w, n, wide.data());
    Shade32 k;
    k.orMask = orMask;
    k.mul = mul;
    k.blend = blend;
    // The row functions picked once for each kind of rule this takes.
    static const Rows32Fn picked[2][2] = {
        {PickRows32(Shade32{0, 0, 0, false}), PickRows32(Shade32{})},
        {PickRows32(Shade32{0, 0, 0, true}), PickRows32(Shade32{0, 0xFFFFFFFFu, 0, true})}};
    const std::uint32_t* rows[1] = {texels};
    picked[blend][k.Identity()](k, Rows32{wide.data(), 0, rows, n, 1});
    // A pixel whose value did not change is written back only where the row rule writes it and its
    // value is not one its format writes (the unused bit of X1R5G5B5 set).
    const std::uint16_t* same = t.Same(f);
    const bool identity = k.Identity();
    for (int i = 0; i < n; ++i) {
        if (wide[i] != before[i]) {
            dst[i] = t.To(f, wide[i]);
        } else if (same[dst[i]] != dst[i]) {
            const std::uint32_t a = (texels[i] | orMask) >> 24;
            if (!blend || (identity ? a : Div255(a * (mul >> 24))) != 0) dst[i] = same[dst[i]];
        }
    }
}

} // namespace gfx::raster_detail
