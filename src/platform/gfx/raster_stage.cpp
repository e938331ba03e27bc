// The texture-stage operations of stage 0 for whole rows: which stages reduce to one multiply per
// channel, and the row combiner of all the others.
#include "platform/gfx/raster_internal.h"
#include <atomic>
#include <cstdio>

namespace gfx::raster_detail {

void ReportUnknownOp(DWORD op) {
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        std::fprintf(stderr, "texture operation %u is not available; its first argument is used\n",
                     static_cast<unsigned>(op));
}

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

namespace {

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

} // namespace

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

} // namespace gfx::raster_detail
