// The row rule of 16-bit targets: through tables of the three formats' values one pixel at a time, and
// sixteen pixels a step in 16-bit lanes with the same arithmetic.
#include "platform/gfx/cpu.h"
#include "platform/gfx/raster_internal.h"
#include <cstring>
#include <mutex>

namespace gfx::raster_detail {

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

void ShadeRow16Scalar(std::uint16_t* dst, const std::uint32_t* texels, int n, std::uint32_t orMask,
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

namespace {

using U16x16 = std::uint16_t __attribute__((vector_size(32)));
using U32x16 = std::uint32_t __attribute__((vector_size(64)));

#define GFX_LANES_INLINE __attribute__((always_inline)) inline

// Div255 of each lane; every product the rule takes stays below 65026, so 16 bits hold the sums.
#define DIV255_16(x) ((((x) + 128) + (((x) + 128) >> 8)) >> 8)
#define EXPAND5_16(v) (((v) << 3) | ((v) >> 2))

// The four channels of sixteen texels, a channel a vector of 16-bit lanes.
struct Channels16 {
    U16x16 b, g, r, a;
};

// Texels as ARGB, or (TexF a 16-bit format) as that format's values widened as ToArgb widens them.
template <PixelFormat TexF> GFX_LANES_INLINE void LoadTexels16(const void* texels, Channels16& c) {
    if constexpr (TexF == PixelFormat::A8R8G8B8) {
        U32x16 t;
        std::memcpy(&t, texels, sizeof t);
        c.b = __builtin_convertvector(t & 0xFF, U16x16);
        c.g = __builtin_convertvector((t >> 8) & 0xFF, U16x16);
        c.r = __builtin_convertvector((t >> 16) & 0xFF, U16x16);
        c.a = __builtin_convertvector(t >> 24, U16x16);
    } else {
        U16x16 v;
        std::memcpy(&v, texels, sizeof v);
        const U16x16 b5 = v & 31;
        c.b = EXPAND5_16(b5);
        if constexpr (TexF == PixelFormat::R5G6B5) {
            const U16x16 g6 = (v >> 5) & 63, r5 = v >> 11;
            c.g = (g6 << 2) | (g6 >> 4);
            c.r = EXPAND5_16(r5);
            c.a = U16x16{} + 255;
        } else {
            const U16x16 g5 = (v >> 5) & 31, r5 = (v >> 10) & 31;
            c.g = EXPAND5_16(g5);
            c.r = EXPAND5_16(r5);
            if constexpr (TexF == PixelFormat::A1R5G5B5)
                c.a = (v >> 15) * 255;
            else
                c.a = U16x16{} + 255;
        }
    }
}

// Sixteen pixels of ShadeRow16Scalar's rule. Written in the compiler's vector types: each
// caller's target picks the instructions.
// With `twoLevelAlpha`, every texel's alpha (after the or mask) is 0 or 255, as 16-bit texels' are.
template <PixelFormat F, PixelFormat TexF, bool Identity, bool Blend>
GFX_LANES_INLINE void Shade16Pixels(std::uint16_t* dst, const void* texels, std::uint32_t orMask,
                                    std::uint32_t mul, bool twoLevelAlpha) {
    Channels16 c;
    LoadTexels16<TexF>(texels, c);
    U16x16 b = c.b, g = c.g, r = c.r, a = c.a;
    if (orMask != 0) {
        b |= static_cast<std::uint16_t>(orMask & 0xFF);
        g |= static_cast<std::uint16_t>((orMask >> 8) & 0xFF);
        r |= static_cast<std::uint16_t>((orMask >> 16) & 0xFF);
        a |= static_cast<std::uint16_t>(orMask >> 24);
    }
    if (!Identity) {
        b = DIV255_16(b * static_cast<std::uint16_t>(mul & 0xFF));
        g = DIV255_16(g * static_cast<std::uint16_t>((mul >> 8) & 0xFF));
        r = DIV255_16(r * static_cast<std::uint16_t>((mul >> 16) & 0xFF));
        const auto ma = static_cast<std::uint16_t>(mul >> 24);
        if (twoLevelAlpha)
            a = reinterpret_cast<U16x16>(a != 0) & ma; // Div255(255 * m) is m
        else
            a = DIV255_16(a * ma);
    }
    U16x16 d;
    std::memcpy(&d, dst, sizeof d);
    if (Blend) {
        const U16x16 ia = 255 - a;
        const U16x16 d5 = d & 31;
        const U16x16 db = EXPAND5_16(d5);
        U16x16 dg, dr;
        if (F == PixelFormat::R5G6B5) {
            const U16x16 g6 = (d >> 5) & 63, r5 = d >> 11;
            dg = (g6 << 2) | (g6 >> 4);
            dr = EXPAND5_16(r5);
        } else {
            const U16x16 g5 = (d >> 5) & 31, r5 = (d >> 10) & 31;
            dg = EXPAND5_16(g5);
            dr = EXPAND5_16(r5);
        }
        b = b * a + db * ia;
        g = g * a + dg * ia;
        r = r * a + dr * ia;
        b = DIV255_16(b);
        g = DIV255_16(g);
        r = DIV255_16(r);
    }
    // Narrow5(v) is (v * 249 + 1014) >> 11 and Narrow6(v) is (v * 253 + 505) >> 10 for every 8-bit v.
    U16x16 px;
    const U16x16 r5 = (r * 249 + 1014) >> 11, b5 = (b * 249 + 1014) >> 11;
    if (F == PixelFormat::R5G6B5) {
        px = r5 << 11 | ((g * 253 + 505) >> 10) << 5 | b5;
    } else {
        px = r5 << 10 | ((g * 249 + 1014) >> 11) << 5 | b5;
        // The alpha bit: a >= 128 as it is; blended, Div255(a * a + d * (255 - a)) >= 128 with d 0 or
        // 255, which holds where the target's bit is set or a >= 181.
        if (F == PixelFormat::A1R5G5B5) {
            if (Blend)
                px |= (d | (a + std::uint16_t{0x8000 - 181})) & std::uint16_t{0x8000};
            else
                px |= (a >> 7) << 15;
        }
    }
    if (Blend) { // a transparent source leaves the pixel as it is
        const U16x16 keep = reinterpret_cast<U16x16>(a == 0);
        px = (px & ~keep) | (d & keep);
    }
    std::memcpy(dst, &px, sizeof px);
}

// Every row of the block sixteen pixels a step; the last few pixels of a row go through a group of
// their own, copied out and back, so that they take the same arithmetic.
template <PixelFormat F, PixelFormat TexF, bool Identity, bool Blend>
GFX_LANES_INLINE void Shade16Block(const Rows16& b, std::uint32_t orMask, std::uint32_t mul) {
    constexpr int size = TexF == PixelFormat::A8R8G8B8 ? 4 : 2;
    const int whole = b.n & ~15, rest = b.n & 15;
    const std::uint32_t orAlpha = orMask >> 24;
    const bool twoLevelAlpha = TexF != PixelFormat::A8R8G8B8 && (orAlpha == 0 || orAlpha == 255);
    for (int row = 0; row < b.rows; ++row) {
        std::uint16_t* dst = b.dst + row * b.stride;
        const auto* t = static_cast<const std::uint8_t*>(b.src[row]);
        for (int i = 0; i < whole; i += 16)
            Shade16Pixels<F, TexF, Identity, Blend>(dst + i, t + i * size, orMask, mul, twoLevelAlpha);
        if (rest) {
            std::uint16_t d[16] = {};
            std::uint8_t texels[16 * size] = {};
            std::memcpy(d, dst + whole, static_cast<std::size_t>(rest) * 2);
            std::memcpy(texels, t + whole * size, static_cast<std::size_t>(rest) * size);
            Shade16Pixels<F, TexF, Identity, Blend>(d, texels, orMask, mul, twoLevelAlpha);
            std::memcpy(dst + whole, d, static_cast<std::size_t>(rest) * 2);
        }
    }
}

template <PixelFormat F, PixelFormat TexF, bool Identity, bool Blend>
void Shade16BlockBase(const Rows16& b, std::uint32_t orMask, std::uint32_t mul) {
    Shade16Block<F, TexF, Identity, Blend>(b, orMask, mul);
}

#ifdef GFX_HAVE_AVX2
template <PixelFormat F, PixelFormat TexF, bool Identity, bool Blend>
GFX_AVX2 void Shade16BlockAvx2(const Rows16& b, std::uint32_t orMask, std::uint32_t mul) {
    Shade16Block<F, TexF, Identity, Blend>(b, orMask, mul);
}
#endif

using Block16Fn = void (*)(const Rows16&, std::uint32_t, std::uint32_t);

template <PixelFormat F, PixelFormat TexF> Block16Fn PickBlock16(bool identity, bool blend, bool avx2) {
#ifdef GFX_HAVE_AVX2
    if (avx2) {
        if (identity)
            return blend ? Shade16BlockAvx2<F, TexF, true, true> : Shade16BlockAvx2<F, TexF, true, false>;
        return blend ? Shade16BlockAvx2<F, TexF, false, true> : Shade16BlockAvx2<F, TexF, false, false>;
    }
#else
    (void)avx2;
#endif
    if (identity)
        return blend ? Shade16BlockBase<F, TexF, true, true> : Shade16BlockBase<F, TexF, true, false>;
    return blend ? Shade16BlockBase<F, TexF, false, true> : Shade16BlockBase<F, TexF, false, false>;
}

template <PixelFormat F> Block16Fn PickBlock16(PixelFormat texF, bool identity, bool blend, bool avx2) {
    switch (texF) {
    case PixelFormat::R5G6B5:
        return PickBlock16<F, PixelFormat::R5G6B5>(identity, blend, avx2);
    case PixelFormat::A1R5G5B5:
        return PickBlock16<F, PixelFormat::A1R5G5B5>(identity, blend, avx2);
    case PixelFormat::X1R5G5B5:
        return PickBlock16<F, PixelFormat::X1R5G5B5>(identity, blend, avx2);
    default:
        return PickBlock16<F, PixelFormat::A8R8G8B8>(identity, blend, avx2);
    }
}

} // namespace

void ShadeRows16(const Rows16& b, PixelFormat texF, std::uint32_t orMask, std::uint32_t mul, bool blend,
                 PixelFormat f, bool avx2) {
    const bool identity = mul == 0xFFFFFFFFu && orMask == 0;
    Block16Fn block;
    switch (f) {
    case PixelFormat::R5G6B5:
        block = PickBlock16<PixelFormat::R5G6B5>(texF, identity, blend, avx2);
        break;
    case PixelFormat::A1R5G5B5:
        block = PickBlock16<PixelFormat::A1R5G5B5>(texF, identity, blend, avx2);
        break;
    default:
        block = PickBlock16<PixelFormat::X1R5G5B5>(texF, identity, blend, avx2);
        break;
    }
    block(b, orMask, mul);
}

void ShadeRow16(std::uint16_t* dst, const std::uint32_t* texels, int n, std::uint32_t orMask,
                std::uint32_t mul, bool blend, PixelFormat f) {
    const void* src = texels;
    ShadeRows16(Rows16{dst, 0, &src, n, 1}, PixelFormat::A8R8G8B8, orMask, mul, blend, f, HaveAvx2());
}

#undef DIV255_16
#undef EXPAND5_16
#undef GFX_LANES_INLINE

} // namespace gfx::raster_detail
