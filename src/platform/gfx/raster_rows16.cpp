// The row rule of 16-bit targets, through tables of the three formats' values.
#include "platform/gfx/raster_internal.h"
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

} // namespace gfx::raster_detail
