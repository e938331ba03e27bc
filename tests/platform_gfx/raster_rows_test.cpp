// Rows of every length and start on 32-bit targets against the per-pixel rule (CombineStage and
// BlendPixel): the last few pixels of a row take the same rule as the rest, transparent texels leave the
// target as it was, and pixels beside the row are never touched.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/raster.h"
#include "platform/gfx/raster_internal.h"
#include "platform/gfx/sim.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <ostream>
#include <random>
#include <utility>
#include <vector>

using namespace gfx;

namespace {

// The texture stage's colour and alpha operations of `stage`, set on the device.
void SetStageStates(Direct3DDevice9* dev, const StageArgs& stage) {
    dev->SetTextureStageState(0, D3DTSS_COLOROP, stage.colourOp);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, stage.colourArg1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, stage.colourArg2);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, stage.alphaOp);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, stage.alphaArg1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, stage.alphaArg2);
}

struct RowCase {
    D3DFORMAT target;
    bool blend;
    DWORD diffuse;
    bool mirrored; // texels read right to left: the row is gathered first
    StageArgs stage{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                    D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE};
    DWORD factor = 0xFFFFFFFF;
};

void PrintTo(const RowCase& c, std::ostream* os) {
    *os << (c.target == D3DFMT_A8R8G8B8 ? "A8R8G8B8" : "X8R8G8B8") << (c.blend ? " blended" : " copied")
        << " diffuse " << std::hex << c.diffuse << (c.mirrored ? " mirrored" : "") << " colour op "
        << std::dec << c.stage.colourOp << " factor " << std::hex << c.factor;
}

class RasterRowsTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(RasterRowsTest, EveryLengthAndStartFollowsThePixelRule) {
    const RowCase rc = GetParam();
    sim::ResetSimulation();
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = 48;
    pp.BackBufferHeight = 4;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    Direct3DDevice9* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    Direct3DTexture9* rtTex = nullptr;
    Direct3DSurface9* rt = nullptr;
    if (rc.target == D3DFMT_A8R8G8B8) {
        ASSERT_EQ(dev->CreateTexture(48, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                     &rtTex, nullptr),
                  D3D_OK);
        rtTex->GetSurfaceLevel(0, &rt);
        dev->SetRenderTarget(0, rt);
    } else {
        dev->GetRenderTarget(0, &rt);
    }
    Direct3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(64, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    // Runs of transparent, opaque and partly transparent texels, so that groups of every mixture occur,
    // and a long opaque run, so that whole groups of opaque texels do too.
    std::mt19937 rng(7);
    std::vector<std::uint32_t> texels(64);
    for (int x = 0; x < 64; ++x) {
        const std::uint32_t kind = x >= 24 && x < 42 ? 1 : (x / 3 + x / 7) % 4;
        const std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : rng() & 0xFF;
        texels[x] = alpha << 24 | (rng() & 0xFFFFFF);
        tex->Level()->Pixels().Set(x, 0, texels[x]);
    }
    dev->SetTexture(0, tex);
    dev->SetFVF(D3DFVF_TLVERTEX);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, rc.blend);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    RasterState rs;
    rs.stage = rc.stage;
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, rc.factor);
    rs.blend = rc.blend;
    rs.srcBlend = D3DBLEND_SRCALPHA;
    rs.destBlend = D3DBLEND_INVSRCALPHA;
    SetStageStates(dev, rs.stage);
    PixelBuffer& target = rt->Pixels();
    const PixelFormat pf = target.format;
    for (int start = 0; start < 4; ++start)
        for (int n = 1; n <= 40; ++n) {
            // Whatever the target holds, the unused byte of X8 pixels included.
            std::vector<std::uint32_t> before(48);
            for (int x = 0; x < 48; ++x) {
                before[x] = rng();
                target.Set(x, 1, before[x]);
            }
            const int first = start * 3 + n % 5; // first texel
            float u0 = first / 64.0f, u1 = (first + n) / 64.0f;
            if (rc.mirrored) std::swap(u0, u1);
            const float x0 = start - 0.5f, x1 = start + n - 0.5f;
            TLVERTEX q[4] = {{x0, 0.5f, 0, 1, rc.diffuse, u0, 0},
                             {x0, 1.5f, 0, 1, rc.diffuse, u0, 1},
                             {x1, 0.5f, 0, 1, rc.diffuse, u1, 0},
                             {x1, 1.5f, 0, 1, rc.diffuse, u1, 1}};
            ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVERTEX)), D3D_OK);
            for (int x = 0; x < 48; ++x) {
                std::uint32_t want = before[x];
                if (x >= start && x < start + n) {
                    const int i = x - start;
                    const std::uint32_t texel = texels[rc.mirrored ? first + n - 1 - i : first + i];
                    const std::uint32_t c = CombineStage(rs.stage, texel, rc.diffuse, rc.factor);
                    if (!rc.blend)
                        want = FromArgb(pf, c);
                    else if (c >> 24 != 0) // transparent pixels leave the target alone
                        want = FromArgb(pf, BlendPixel(rs, c, ToArgb(pf, before[x])));
                }
                ASSERT_EQ(target.Get(x, 1), want) << "start " << start << " length " << n << " at " << x;
            }
        }
    tex->Release();
    rt->Release();
    if (rtTex) {
        Direct3DSurface9* bb = nullptr;
        dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
        dev->SetRenderTarget(0, bb);
        bb->Release();
        rtTex->Release();
    }
    dev->Release();
    d3d->Release();
}

INSTANTIATE_TEST_SUITE_P(Targets, RasterRowsTest,
                         ::testing::Values(RowCase{D3DFMT_X8R8G8B8, true, 0xFFFFFFFF, false},
                                           RowCase{D3DFMT_X8R8G8B8, true, 0x80FF8040, false},
                                           RowCase{D3DFMT_X8R8G8B8, false, 0xC0FFFFFF, false},
                                           RowCase{D3DFMT_X8R8G8B8, true, 0xFFFFFFFF, true},
                                           RowCase{D3DFMT_A8R8G8B8, true, 0xFFFFFFFF, false},
                                           RowCase{D3DFMT_A8R8G8B8, true, 0x80FF8040, true},
                                           RowCase{D3DFMT_A8R8G8B8, false, 0x80FF8040, false}));

// The texel weighed against a constant colour by the factor's alpha, each way round.
const StageArgs kFactorTexture{D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR,
                               D3DTOP_SELECTARG2,       D3DTA_TEXTURE, D3DTA_DIFFUSE};
const StageArgs kFactorDiffuse{D3DTOP_BLENDFACTORALPHA, D3DTA_DIFFUSE | D3DTA_COMPLEMENT,
                               D3DTA_TEXTURE,           D3DTOP_SELECTARG1,
                               D3DTA_TEXTURE,           D3DTA_DIFFUSE};
INSTANTIATE_TEST_SUITE_P(
    FactorBlends, RasterRowsTest,
    ::testing::Values(RowCase{D3DFMT_X8R8G8B8, true, 0xC0808080, false, kFactorTexture, 0x80FFFFFF},
                      RowCase{D3DFMT_X8R8G8B8, false, 0xC0808080, false, kFactorTexture, 0x3340C0FF},
                      RowCase{D3DFMT_A8R8G8B8, true, 0x40FF2080, true, kFactorDiffuse, 0xD0000000},
                      RowCase{D3DFMT_A8R8G8B8, true, 0x40FF2080, false, kFactorDiffuse, 0xFF123456}));

} // namespace

namespace {

TEST(RasterRows16, SixteenBitTexturesOnSixteenBitTargetsFollowThePixelRule) {
    // Every value of a 16-bit texture, copied and blended onto a 16-bit target of each format, as it is
    // and tinted half translucent.
    const D3DFORMAT formats[] = {D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
    for (D3DFORMAT f : formats)
        for (D3DFORMAT tf : formats)
            for (bool blend : {false, true})
                for (DWORD diffuse : {0xFFFFFFFFu, 0x80FF8040u}) {
                    sim::ResetSimulation();
                    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
                    ASSERT_NE(d3d, nullptr);
                    D3DPRESENT_PARAMETERS pp;
                    pp.BackBufferWidth = 256;
                    pp.BackBufferHeight = 256;
                    pp.BackBufferFormat = f;
                    Direct3DDevice9* dev = nullptr;
                    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &dev), D3D_OK);
                    Direct3DTexture9* tex = nullptr;
                    ASSERT_EQ(dev->CreateTexture(256, 256, 1, 0, tf, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
                    PixelBuffer& texels = tex->Level()->Pixels();
                    Direct3DSurface9* rt = nullptr;
                    dev->GetRenderTarget(0, &rt);
                    PixelBuffer& target = rt->Pixels();
                    const PixelFormat pf = target.format;
                    for (int y = 0; y < 256; ++y)
                        for (int x = 0; x < 256; ++x) {
                            texels.Set(x, y, static_cast<std::uint32_t>(y << 8 | x));
                            target.Set(x, y, static_cast<std::uint32_t>((x * 97 + y * 31) & 0xFFFF));
                        }
                    const PixelBuffer before = target;
                    dev->SetTexture(0, tex);
                    dev->SetFVF(D3DFVF_TLVERTEX);
                    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
                    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
                    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
                    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
                    TLVERTEX q[4] = {{-0.5f, -0.5f, 0, 1, diffuse, 0, 0},
                                     {-0.5f, 255.5f, 0, 1, diffuse, 0, 1},
                                     {255.5f, -0.5f, 0, 1, diffuse, 1, 0},
                                     {255.5f, 255.5f, 0, 1, diffuse, 1, 1}};
                    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVERTEX)), D3D_OK);
                    const PixelBuffer& drawn = std::as_const(*rt).Pixels();
                    RasterState rs;
                    rs.blend = blend;
                    rs.srcBlend = D3DBLEND_SRCALPHA;
                    rs.destBlend = D3DBLEND_INVSRCALPHA;
                    int wrong = 0;
                    for (int y = 0; y < 256; ++y)
                        for (int x = 0; x < 256; ++x) {
                            const std::uint32_t c =
                                CombineStage(rs.stage, ToArgb(texels.format, texels.Get(x, y)), diffuse, 0);
                            std::uint32_t want = FromArgb(pf, c);
                            if (blend) {
                                want = before.Get(x, y);
                                if (c >> 24 != 0) want = FromArgb(pf, BlendPixel(rs, c, ToArgb(pf, want)));
                            }
                            wrong += drawn.Get(x, y) != want;
                        }
                    EXPECT_EQ(wrong, 0) << "target " << f << " texture " << tf << " blend " << blend
                                        << " diffuse " << std::hex << diffuse;
                    rt->Release();
                    tex->Release();
                    dev->Release();
                    d3d->Release();
                }
}

} // namespace

namespace {

// The stepped 16-bit rows (with and without AVX2, from ARGB texels and from 16-bit texels) against the
// one-pixel-at-a-time rule, on random texels and targets, every length up to three steps and a few odd
// starts: the same values in every pixel and nothing written beside the row.
struct Row16Case {
    PixelFormat target;
    PixelFormat texture; // A8R8G8B8: texels given as ARGB
    bool blend;
    std::uint32_t orMask, mul;
};

TEST(RasterRows16, SteppedRowsGiveThePixelRulesValues) {
    using namespace raster_detail;
    const PixelFormat sixteen[] = {PixelFormat::R5G6B5, PixelFormat::A1R5G5B5, PixelFormat::X1R5G5B5};
    std::vector<Row16Case> cases;
    for (PixelFormat f : sixteen)
        for (PixelFormat tf :
             {PixelFormat::A8R8G8B8, PixelFormat::R5G6B5, PixelFormat::A1R5G5B5, PixelFormat::X1R5G5B5})
            for (bool blend : {false, true}) {
                cases.push_back({f, tf, blend, 0, 0xFFFFFFFFu});           // as they are
                cases.push_back({f, tf, blend, 0, 0x80FF8040u});           // tinted, half translucent
                cases.push_back({f, tf, blend, 0xFF000000u, 0xC0FFFFFFu}); // alpha from the colour
                cases.push_back({f, tf, blend, 0xFFFFFFFFu, 0x40123456u}); // no texture
            }
    std::mt19937 rng(11);
    for (const Row16Case& c : cases)
        for (bool avx2 : {false, true})
            for (int start : {0, 1, 5})
                for (int n = 0; n <= 48; ++n) {
                    std::vector<std::uint16_t> raw(64), before(64);
                    std::vector<std::uint32_t> argb(64);
                    for (int i = 0; i < 64; ++i) {
                        raw[i] = static_cast<std::uint16_t>(rng());
                        before[i] = static_cast<std::uint16_t>(rng());
                        // Transparent, opaque and partly transparent texels in runs.
                        const std::uint32_t kind = (i / 3 + i / 7) % 4;
                        const std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : rng() & 0xFF;
                        argb[i] = c.texture == PixelFormat::A8R8G8B8 ? alpha << 24 | (rng() & 0xFFFFFF)
                                                                     : ToArgb(c.texture, raw[i]);
                    }
                    std::vector<std::uint16_t> want = before, got = before;
                    ShadeRow16Scalar(want.data() + start, argb.data(), n, c.orMask, c.mul, c.blend, c.target);
                    const void* src = c.texture == PixelFormat::A8R8G8B8
                                          ? static_cast<const void*>(argb.data())
                                          : raw.data();
                    ShadeRows16(Rows16{got.data() + start, 0, &src, n, 1}, c.texture, c.orMask, c.mul,
                                c.blend, c.target, avx2);
                    ASSERT_EQ(got, want)
                        << "target " << int(c.target) << " texture " << int(c.texture) << " blend " << c.blend
                        << " or " << std::hex << c.orMask << " mul " << c.mul << std::dec << " avx2 " << avx2
                        << " start " << start << " length " << n;
                }
}

} // namespace

#include "platform/gfx/raster_internal.h"

namespace {

// The stepped 16-bit row writes what the per-pixel 16-bit row writes, pixel for pixel: every format
// (with the unused bit of X1R5G5B5 set in the target), copied and blended, plain, tinted and fully
// transparent rules, opaque-forced texels, texels of the target's own colour, and rows of any length.
TEST(RasterRows16, TheSteppedRowWritesWhatThePixelRowWrites) {
    using namespace gfx::raster_detail;
    std::mt19937 rng(16);
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5, PixelFormat::A1R5G5B5})
        for (bool blend : {false, true})
            for (std::uint32_t mul : {0xFFFFFFFFu, 0x80FF8040u, 0xFF102030u, 0x00FFFFFFu, 0x01FFFFFFu})
                for (std::uint32_t orMask : {0u, 0xFF000000u})
                    for (int n : {1, 3, 8, 31, 64}) {
                        std::vector<std::uint16_t> dst(static_cast<std::size_t>(n));
                        std::vector<std::uint32_t> texels(static_cast<std::size_t>(n));
                        for (int i = 0; i < n; ++i) {
                            dst[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(rng());
                            const std::uint32_t alphas[] = {0, 255, 1, 128,
                                                            static_cast<std::uint32_t>(rng() & 0xFF)};
                            texels[static_cast<std::size_t>(i)] =
                                alphas[rng() % 5] << 24 | (rng() & 0xFFFFFF);
                            // Now and then the target's own colour, opaque: written, yet unchanged.
                            if (rng() % 4 == 0)
                                texels[static_cast<std::size_t>(i)] =
                                    0xFF000000u | ArgbOf16(f)[dst[static_cast<std::size_t>(i)]];
                        }
                        std::vector<std::uint16_t> expected = dst;
                        ShadeRow16Scalar(expected.data(), texels.data(), n, orMask, mul, blend, f);
                        ShadeRow16(dst.data(), texels.data(), n, orMask, mul, blend, f);
                        ASSERT_EQ(dst, expected)
                            << "format " << static_cast<int>(f) << " blend " << blend << " mul " << std::hex
                            << mul << " or " << orMask << std::dec << " n " << n;
                    }
}

} // namespace

// An enlarged texture on a 32-bit target, each texel taken for whole rows and columns of pixels (a
// picture shown at a larger scale): every pixel takes its texel's value by the per-pixel rule, rows
// that repeat a texture row included, for 32-bit and 16-bit textures, blended and copied.
TEST(RasterRows, EnlargedTexturesFollowThePixelRule) {
    struct Case {
        D3DFORMAT texture;
        bool blend;
        int scaleX, scaleY;
    };
    const Case cases[] = {{D3DFMT_A8R8G8B8, true, 3, 2},
                          {D3DFMT_A8R8G8B8, false, 2, 3},
                          {D3DFMT_A1R5G5B5, true, 3, 3},
                          {D3DFMT_R5G6B5, false, 2, 2}};
    constexpr int TW = 12, TH = 5, W = 40, H = 16;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "texture " << c.texture << (c.blend ? " blended" : " copied")
                                        << " x" << c.scaleX << " y" << c.scaleY);
        sim::ResetSimulation();
        Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = W;
        pp.BackBufferHeight = H;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        Direct3DDevice9* dev = nullptr;
        ASSERT_EQ(
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
            D3D_OK);
        Direct3DSurface9* rt = nullptr;
        dev->GetRenderTarget(0, &rt);
        Direct3DTexture9* tex = nullptr;
        ASSERT_EQ(dev->CreateTexture(TW, TH, 1, 0, c.texture, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
        PixelBuffer& texels = tex->Level()->Pixels();
        std::mt19937 rng(11);
        for (int y = 0; y < TH; ++y)
            for (int x = 0; x < TW; ++x) {
                const std::uint32_t kind = (x + 2 * y) % 3;
                const std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : rng() & 0xFF;
                texels.Set(x, y, FromArgb(texels.format, alpha << 24 | (rng() & 0xFFFFFF)));
            }
        dev->SetTexture(0, tex);
        dev->SetFVF(D3DFVF_TLVERTEX);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, c.blend);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        RasterState rs;
        rs.blend = c.blend;
        rs.srcBlend = D3DBLEND_SRCALPHA;
        rs.destBlend = D3DBLEND_INVSRCALPHA;
        SetStageStates(dev, rs.stage);
        PixelBuffer& target = rt->Pixels();
        std::vector<std::uint32_t> before(W * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                before[y * W + x] = rng();
                target.Set(x, y, before[y * W + x]);
            }
        // From pixel (1, 1), the whole texture at the scale: pixel (1 + i, 1 + j) takes texel
        // (i / scaleX, j / scaleY), clipped at the target's edges.
        const float x0 = 0.5f, y0 = 0.5f, x1 = x0 + TW * c.scaleX, y1 = y0 + TH * c.scaleY;
        TLVERTEX q[4] = {{x0, y0, 0, 1, 0xFFFFFFFF, 0, 0},
                         {x0, y1, 0, 1, 0xFFFFFFFF, 0, 1},
                         {x1, y0, 0, 1, 0xFFFFFFFF, 1, 0},
                         {x1, y1, 0, 1, 0xFFFFFFFF, 1, 1}};
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVERTEX)), D3D_OK);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                std::uint32_t want = before[y * W + x];
                const int i = x - 1, j = y - 1;
                if (i >= 0 && j >= 0 && i < TW * c.scaleX && j < TH * c.scaleY) {
                    const std::uint32_t texel = ToArgb(texels.format, texels.Get(i / c.scaleX, j / c.scaleY));
                    const std::uint32_t s = CombineStage(rs.stage, texel, 0xFFFFFFFF, 0xFFFFFFFF);
                    if (!c.blend)
                        want = FromArgb(target.format, s);
                    else if (s >> 24 != 0)
                        want = FromArgb(target.format, BlendPixel(rs, s, ToArgb(target.format, want)));
                }
                ASSERT_EQ(target.Get(x, y), want) << "at " << x << "," << y;
            }
        tex->Release();
        rt->Release();
        dev->Release();
        d3d->Release();
    }
}

namespace {

// Rows read in place by the tiles of their texture, with the processor's widest vectors and with AVX2
// at most, against the plain row road: transparent, opaque, keyed, translucent and random rows, over
// blocks of every width from several columns and rows (across tile and band edges), plain, tinted and
// over an under colour, on both 32-bit targets. Every pixel of the target, beside the block too, the same.
TEST(RasterRows32, RowsReadByTilesGiveThePixelsOfThePlainRoad) {
    using namespace raster_detail;
    constexpr int kTexW = 100, kTexH = 70, kW = 72, kH = 44;
    std::mt19937 rng(11);
    PixelBuffer tex;
    tex.Allocate(kTexW, kTexH, PixelFormat::A8R8G8B8);
    for (int y = 0; y < kTexH; ++y)
        for (int x = 0; x < kTexW; ++x) {
            const std::uint32_t opaque = 0xFF000000u, rgb = rng() & 0xFFFFFF;
            std::uint32_t alpha = 0;
            switch (y % 8) {
            case 0: // transparent
                break;
            case 1:
                alpha = opaque;
                break;
            case 2: // keyed
                alpha = x % 3 ? opaque : 0;
                break;
            case 3: // a keyed picture's edges, each 32 wide
                alpha = x % 32 < 4 || x % 32 >= 28 ? 0 : opaque;
                break;
            case 4: // transparent in the first tile, opaque in the others
                alpha = x < 32 ? 0 : opaque;
                break;
            case 5: // one translucent texel
                alpha = x == 40 ? 0x80000000u : opaque;
                break;
            case 6: // anything
                alpha = (rng() % 3 == 0 ? rng() & 0xFF : rng() % 2 ? 0xFF : 0) << 24;
                break;
            default: // a transparent texel now and then
                alpha = x % 17 == 5 ? 0 : opaque;
                break;
            }
            tex.Set(x, y, alpha | rgb);
        }
    TexelTiles tiles(tex);
    struct ShadeCase {
        std::uint32_t mul;
        std::uint64_t add;
    } const shades[] = {{0xFFFFFFFFu, 0}, {0xFF80C040u, 0}, {0xFFFFFF20u, 0x0000001000200030u}};
    for (const ShadeCase& sc : shades)
        for (bool x8 : {false, true})
            for (bool under : {false, true})
                for (int col0 : {0, 3, 31, 33})
                    for (int row0 : {0, 1, 30})
                        for (int rows : {1, 3, 40})
                            for (int n = 1; n <= 68 && col0 + n <= kTexW; ++n) {
                                Shade32 k;
                                k.mul = sc.mul;
                                k.add = sc.add;
                                k.blend = true;
                                k.x8 = x8;
                                k.under = under;
                                k.underRaw = 0xFF102030u;
                                std::vector<std::uint32_t> before(static_cast<std::size_t>(kW) * kH);
                                for (std::uint32_t& p : before)
                                    p = rng();
                                std::vector<std::uint32_t> got[3] = {before, before, before};
                                for (int road = 0; road < 3; ++road) {
                                    Rows32 b{got[road].data() + 2 * kW + 1, kW, nullptr, n, rows};
                                    b.first = reinterpret_cast<const std::uint32_t*>(tex.Row(row0)) + col0;
                                    b.srcStride = tex.pitch / 4;
                                    const TexelSource t{&tiles, &tex, row0, col0};
                                    if (road == 0)
                                        PickRows32(k)(k, b);
                                    else
                                        ShadeRows32ByTiles(k, b, t,
                                                           road == 1 ? TileVectors::Best : TileVectors::Avx2);
                                }
                                for (int road : {1, 2}) {
                                    const auto at =
                                        std::mismatch(got[road].begin(), got[road].end(), got[0].begin());
                                    ASSERT_TRUE(at.first == got[road].end())
                                        << (road == 1 ? "widest vectors" : "AVX2") << ": pixel "
                                        << at.first - got[road].begin() << " is " << std::hex << *at.first
                                        << ", not " << *at.second << "; mul " << sc.mul << std::dec << " x8 "
                                        << x8 << " under " << under << " column " << col0 << " row " << row0
                                        << " rows " << rows << " width " << n;
                                }
                            }
}

} // namespace
