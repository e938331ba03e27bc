// A draw over an under colour gives the pixels of Clear over the covered pixels followed by the same
// draw, on every target format, texture kind, blend and shape of quad, and touches nothing else.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/sim.h"
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace gfx;

namespace {

struct Quad {
    float x0, y0, x1, y1, u0, v0, u1, v1;
    DWORD corner = 0; // a different diffuse colour at the bottom-right corner (the triangle road)
};

const Quad kQuads[] = {
    {3, 2, 20, 11, 0, 0, 17 / 40.0f, 9 / 24.0f},              // one texel a pixel
    {-5, -3, 25, 9, 0.1f, 0.2f, 0.85f, 0.7f},                 // clipped top and left
    {50, 20, 70, 40, 0, 0, 0.5f, 0.8f},                       // clipped right and bottom
    {1, 1, 63, 31, 0, 0, 1, 1},                               // stretched
    {7, 4, 44, 17, 37 / 40.0f, 0, 0, 13 / 24.0f},             // mirrored
    {9, 5, 10, 29, 0.3f, 0, 0.325f, 1},                       // one pixel wide
    {2, 3, 33, 22, 0, 0, 31 / 40.0f, 19 / 24.0f, 0x40FF0000}, // diffuse varies over the quad
};

struct Draw {
    DWORD diffuse;
    bool blend;
    DWORD srcBlend, destBlend;
};

const Draw kDraws[] = {
    {0xFFFFFFFF, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, // the opaque keyed copy
    {0x80FF8040, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, // tinted and half transparent
    {0xFFFFFFFF, false, D3DBLEND_ONE, D3DBLEND_ZERO},
    {0xC0FFFFFF, true, D3DBLEND_ONE, D3DBLEND_ONE}, // another blend goes pixel by pixel
};

class RasterUnderTest : public ::testing::TestWithParam<D3DFORMAT> {};

TEST_P(RasterUnderTest, DrawingOverTheUnderColourEqualsClearThenDraw) {
    const D3DFORMAT format = GetParam();
    sim::ResetSimulation();
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 32;
    pp.BackBufferFormat = format == D3DFMT_A8R8G8B8 ? D3DFMT_X8R8G8B8 : format;
    Direct3DDevice9* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &dev), D3D_OK);
    Direct3DTexture9* rtTex = nullptr;
    Direct3DSurface9* rt = nullptr;
    if (format == D3DFMT_A8R8G8B8) { // a render-target texture
        ASSERT_EQ(
            dev->CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, &rtTex, nullptr),
            D3D_OK);
        rtTex->GetSurfaceLevel(0, &rt);
        dev->SetRenderTarget(0, rt);
    } else {
        dev->GetRenderTarget(0, &rt);
    }
    PixelBuffer& target = rt->Pixels();
    // Keyed textures of both kinds: runs of transparent, opaque and (32-bit only) partly transparent texels.
    std::mt19937 rng(11);
    Direct3DTexture9* textures[2] = {};
    const D3DFORMAT texFormats[2] = {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5};
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(dev->CreateTexture(40, 24, 1, 0, texFormats[k], D3DPOOL_MANAGED, &textures[k], nullptr),
                  D3D_OK);
        PixelBuffer& p = textures[k]->Level()->Pixels();
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                const std::uint32_t kind = (x / 3 + y / 2 + x / 7) % 4;
                const std::uint32_t alpha = kind == 0 ? 0 : kind == 1 || k == 1 ? 255 : rng() & 0xFF;
                p.Set(x, y, FromArgb(p.format, alpha << 24 | (rng() & 0xFFFFFF)));
            }
    }
    const DWORD key = format == D3DFMT_A8R8G8B8 ? 0u : 0xFFFF00FFu;
    dev->SetFVF(D3DFVF_TLVERTEX);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    std::vector<std::uint32_t> before(64 * 32);
    for (Direct3DTexture9* tex : textures)
        for (const Draw& d : kDraws)
            for (const Quad& q : kQuads) {
                dev->SetTexture(0, tex);
                dev->SetRenderState(D3DRS_ALPHABLENDENABLE, d.blend);
                dev->SetRenderState(D3DRS_SRCBLEND, d.srcBlend);
                dev->SetRenderState(D3DRS_DESTBLEND, d.destBlend);
                const DWORD br = q.corner ? q.corner : d.diffuse;
                const TLVERTEX v[4] = {{q.x0 - 0.5f, q.y0 - 0.5f, 0, 1, d.diffuse, q.u0, q.v0},
                                       {q.x0 - 0.5f, q.y1 - 0.5f, 0, 1, d.diffuse, q.u0, q.v1},
                                       {q.x1 - 0.5f, q.y0 - 0.5f, 0, 1, d.diffuse, q.u1, q.v0},
                                       {q.x1 - 0.5f, q.y1 - 0.5f, 0, 1, br, q.u1, q.v1}};
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 64; ++x) {
                        before[y * 64 + x] = rng();
                        target.Set(x, y, before[y * 64 + x]);
                    }
                const D3DRECT r{static_cast<LONG>(q.x0), static_cast<LONG>(q.y0), static_cast<LONG>(q.x1),
                                static_cast<LONG>(q.y1)};
                dev->Clear(1, &r, D3DCLEAR_TARGET, key, 1.0f, 0);
                ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVERTEX)), D3D_OK);
                const PixelBuffer twoPasses = target;
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 64; ++x)
                        target.Set(x, y, before[y * 64 + x]);
                dev->SetUnderColour(&key);
                ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVERTEX)), D3D_OK);
                dev->SetUnderColour(nullptr);
                int wrong = 0, keyed = 0;
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 64; ++x) {
                        wrong += target.Get(x, y) != twoPasses.Get(x, y);
                        keyed += target.Get(x, y) == FromArgb(target.format, key);
                    }
                EXPECT_EQ(wrong, 0) << "texture " << static_cast<int>(tex->Level()->Pixels().format)
                                    << " diffuse " << std::hex << d.diffuse << std::dec << " blend "
                                    << d.blend << " quad at " << q.x0 << "," << q.y0;
                if (d.blend && d.srcBlend == D3DBLEND_SRCALPHA) { // transparent texels show it
                    EXPECT_GT(keyed, 0);
                }
            }
    // The under colour ends: a later draw blends over the target again.
    dev->SetTexture(0, textures[0]);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    target.Fill(0, 0, 64, 32, 0x1234);
    const TLVERTEX v[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
                           {-0.5f, 31.5f, 0, 1, 0xFFFFFFFF, 0, 1},
                           {63.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                           {63.5f, 31.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVERTEX)), D3D_OK);
    EXPECT_EQ(target.Get(0, 0), 0x1234u); // a transparent texel
    for (Direct3DTexture9* tex : textures)
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

INSTANTIATE_TEST_SUITE_P(Targets, RasterUnderTest,
                         ::testing::Values(D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                                           D3DFMT_A1R5G5B5));

} // namespace
