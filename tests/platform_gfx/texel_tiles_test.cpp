// What a texture's tiles hold (all transparent, all opaque, mixed) is known to the device once the
// texture has been drawn from twice. Draws that use it give the pixels of draws that do not, and every
// way of writing the texture makes the device look again: for each write path, draw the texture twice,
// write it so that its tiles change kind, draw it again, and compare with the same pixels drawn from a
// texture never drawn from before.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/sim.h"
#include <gtest/gtest.h>
#include <cstring>
#include <utility>
#include <vector>

using namespace gfx;

namespace {

constexpr int kW = 80, kH = 64;       // the target
constexpr int kTexW = 48, kTexH = 40; // the texture: tiles of two widths and two heights
using Bytes = decltype(PixelBuffer::bytes);
constexpr std::uint32_t kOpaque = 0xFF3080C0u, kClear = 0x00FF00FFu, kBackground = 0xFF204060u;

struct Rig {
    Direct3D9* d3d = nullptr;
    Direct3DDevice9* dev = nullptr;
    Direct3DSurface9* back = nullptr;

    Rig() {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = kW;
        pp.BackBufferHeight = kH;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &dev), D3D_OK);
        dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        dev->SetFVF(D3DFVF_TLVERTEX);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    ~Rig() {
        SafeRelease(back);
        SafeRelease(dev);
        SafeRelease(d3d);
    }
    Direct3DTexture9* Texture(D3DPOOL pool, DWORD usage = 0) {
        Direct3DTexture9* t = nullptr;
        EXPECT_EQ(dev->CreateTexture(kTexW, kTexH, 1, usage, D3DFMT_A8R8G8B8, pool, &t, nullptr), D3D_OK);
        return t;
    }
    Direct3DSurface9* SystemSurface(std::uint32_t argb) {
        Direct3DSurface9* s = nullptr;
        EXPECT_EQ(
            dev->CreateOffscreenPlainSurface(kTexW, kTexH, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr),
            D3D_OK);
        PixelBuffer& p = s->Pixels();
        p.Fill(0, 0, kTexW, kTexH, argb);
        return s;
    }
    // Clears the target to `background` and draws the texture unscaled with its top left at (x, y)
    // (texels [u0, u0 + w) x [v0, v0 + h)), blended, tinted by `diffuse`; returns the target's pixels.
    Bytes Draw(Direct3DTexture9* t, std::uint32_t background = kBackground, int x = 9, int y = 7,
               DWORD diffuse = 0xFFFFFFFF, int u0 = 0, int v0 = 0, int w = kTexW, int h = kTexH) {
        dev->SetRenderTarget(0, back);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1, 0);
        dev->SetTexture(0, t);
        const float x0 = x - 0.5f, y0 = y - 0.5f, x1 = x0 + w, y1 = y0 + h;
        const float tu0 = float(u0) / kTexW, tv0 = float(v0) / kTexH;
        const float tu1 = float(u0 + w) / kTexW, tv1 = float(v0 + h) / kTexH;
        const TLVERTEX v[4] = {{x0, y0, 0, 1, diffuse, tu0, tv0},
                               {x0, y1, 0, 1, diffuse, tu0, tv1},
                               {x1, y0, 0, 1, diffuse, tu1, tv0},
                               {x1, y1, 0, 1, diffuse, tu1, tv1}};
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVERTEX));
        dev->SetTexture(0, nullptr);
        return std::as_const(*back).Pixels().bytes;
    }
    // Fills rectangle `r` of a render-target texture with `argb`, unblended.
    void ClearTarget(Direct3DTexture9* t, const D3DRECT* r, std::uint32_t argb) {
        dev->SetRenderTarget(0, t->Level());
        dev->Clear(r ? 1 : 0, r, D3DCLEAR_TARGET, argb, 1, 0);
        dev->SetRenderTarget(0, back);
    }
};

// Texels of the top-left 20 x 24 become transparent; in the second case, the whole texture.
const D3DRECT kPart{0, 0, 20, 24};

// A way of writing the texture: `begin` (if any) runs before the texture is drawn from (a lock or a
// device context held across the draws), `write` after.
struct WritePath {
    const char* name;
    D3DPOOL pool;
    DWORD usage;
    void (*write)(Rig&, Direct3DTexture9*);
    void (*begin)(Rig&, Direct3DTexture9*) = nullptr;
};

D3DLOCKED_RECT g_lock;
HDC g_dc = nullptr;

void FillPart(std::uint8_t* bits, int pitch) {
    for (LONG y = kPart.y1; y < kPart.y2; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bits + y * pitch);
        std::fill(row + kPart.x1, row + kPart.x2, kClear);
    }
}

void FillOpaque(Rig& r, Direct3DTexture9* t, D3DPOOL pool, DWORD usage) {
    if (usage & D3DUSAGE_RENDERTARGET) {
        r.ClearTarget(t, nullptr, kOpaque);
    } else if (pool == D3DPOOL_DEFAULT) {
        Direct3DSurface9* s = r.SystemSurface(kOpaque);
        EXPECT_EQ(r.dev->UpdateSurface(s, nullptr, t->Level(), nullptr), D3D_OK);
        s->Release();
    } else {
        t->Level()->Pixels().Fill(0, 0, kTexW, kTexH, kOpaque);
    }
}

const WritePath kPaths[] = {
    {"lock and unlock", D3DPOOL_MANAGED, 0,
     [](Rig&, Direct3DTexture9* t) {
         FillPart(static_cast<std::uint8_t*>(g_lock.pBits), g_lock.Pitch);
         t->UnlockRect(0);
     },
     [](Rig&, Direct3DTexture9* t) { ASSERT_EQ(t->LockRect(0, &g_lock, nullptr, 0), D3D_OK); }},
    {"lock and unlock between draws", D3DPOOL_MANAGED, 0,
     [](Rig&, Direct3DTexture9* t) {
         D3DLOCKED_RECT lr;
         ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
         FillPart(static_cast<std::uint8_t*>(lr.pBits), lr.Pitch);
         t->UnlockRect(0);
     }},
    {"pixels written in place", D3DPOOL_MANAGED, 0,
     [](Rig&, Direct3DTexture9* t) {
         t->Level()->Pixels().Fill(kPart.x1, kPart.y1, kPart.x2, kPart.y2, kClear);
     }},
    {"device context", D3DPOOL_MANAGED, 0,
     [](Rig& r, Direct3DTexture9* t) {
         Direct3DSurface9* s = r.SystemSurface(kClear);
         HDC from = nullptr;
         ASSERT_EQ(s->GetDC(&from), D3D_OK);
         BitBlt(g_dc, kPart.x1, kPart.y1, kPart.x2 - kPart.x1, kPart.y2 - kPart.y1, from, 0, 0, SRCCOPY);
         s->ReleaseDC(from);
         s->Release();
         t->Level()->ReleaseDC(g_dc);
     },
     [](Rig&, Direct3DTexture9* t) { ASSERT_EQ(t->Level()->GetDC(&g_dc), D3D_OK); }},
    {"update from system memory", D3DPOOL_DEFAULT, 0,
     [](Rig& r, Direct3DTexture9* t) {
         Direct3DSurface9* s = r.SystemSurface(kClear);
         const RECT part{0, 0, kPart.x2 - kPart.x1, kPart.y2 - kPart.y1};
         const POINT at{kPart.x1, kPart.y1};
         EXPECT_EQ(r.dev->UpdateSurface(s, &part, t->Level(), &at), D3D_OK);
         s->Release();
     }},
    {"render target read back", D3DPOOL_SYSTEMMEM, 0,
     [](Rig& r, Direct3DTexture9* t) {
         Direct3DTexture9* rt = r.Texture(D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET);
         r.ClearTarget(rt, nullptr, kClear);
         EXPECT_EQ(r.dev->GetRenderTargetData(rt->Level(), t->Level()), D3D_OK);
         rt->Release();
     }},
    {"cleared as a render target", D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
     [](Rig& r, Direct3DTexture9* t) { r.ClearTarget(t, &kPart, kClear); }},
    {"drawn into as a render target", D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
     [](Rig& r, Direct3DTexture9* t) {
         Direct3DTexture9* clear = r.Texture(D3DPOOL_MANAGED);
         clear->Level()->Pixels().Fill(0, 0, kTexW, kTexH, kClear);
         r.dev->SetRenderTarget(0, t->Level());
         r.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
         r.dev->SetTexture(0, clear);
         const float x1 = kPart.x2 - 0.5f, y1 = kPart.y2 - 0.5f;
         const TLVERTEX v[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
                                {-0.5f, y1, 0, 1, 0xFFFFFFFF, 0, 1},
                                {x1, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                                {x1, y1, 0, 1, 0xFFFFFFFF, 1, 1}};
         r.dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVERTEX));
         r.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
         r.dev->SetTexture(0, nullptr);
         r.dev->SetRenderTarget(0, r.back);
         clear->Release();
     }},
    {"device lost", D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
     [](Rig&, Direct3DTexture9*) { sim::LoseDevice(); }},
};

} // namespace

TEST(TexelTiles, EveryWriteOfATextureIsSeenByTheDrawsAfterIt) {
    for (const WritePath& path : kPaths) {
        SCOPED_TRACE(path.name);
        sim::ResetSimulation();
        Rig r;
        Direct3DTexture9* t = r.Texture(path.pool, path.usage);
        ASSERT_NE(t, nullptr);
        FillOpaque(r, t, path.pool, path.usage);
        if (path.begin) path.begin(r, t);
        const Bytes before = r.Draw(t);
        r.Draw(t, ~kBackground); // drawn anew: the second draw looks at the tiles
        path.write(r, t);
        const Bytes got = r.Draw(t);

        Direct3DTexture9* fresh = r.Texture(D3DPOOL_MANAGED);
        fresh->Level()->Pixels().bytes = std::as_const(*t->Level()).Pixels().bytes;
        const Bytes want = r.Draw(fresh);
        EXPECT_NE(want, before) << "the write should change what is drawn";
        EXPECT_EQ(got, want);
        fresh->Release();
        t->Release();
    }
    sim::ResetSimulation();
}

TEST(TexelTiles, DrawsThatKnowTheTilesGiveThePixelsOfTheRule) {
    // Rows all transparent, all opaque, mixed, or translucent, over tiles of both widths; drawn whole,
    // in part, cut by the target's edges, tinted, and over an under colour, by a texture whose tiles
    // are known and by one drawn from for the first time.
    sim::ResetSimulation();
    Rig r;
    auto texel = [](int x, int y) -> std::uint32_t {
        const std::uint32_t rgb =
            static_cast<std::uint32_t>(x * 5) << 16 | static_cast<std::uint32_t>(y * 6) << 8 | 0x40;
        switch (y % 7) {
        case 0:
        case 1:
            return rgb; // transparent
        case 2:
        case 3:
            return 0xFF000000u | rgb;
        case 4:
            return (x % 3 ? 0xFF000000u : 0) | rgb; // keyed
        case 5:
            return (x < 32 ? 0 : 0xFF000000u) | rgb; // transparent in one tile, opaque in the other
        default:
            return (x == 20 ? 0x80000000u : 0xFF000000u) | rgb; // one translucent texel
        }
    };
    Direct3DTexture9* known = r.Texture(D3DPOOL_MANAGED);
    PixelBuffer& p = known->Level()->Pixels();
    for (int y = 0; y < kTexH; ++y)
        for (int x = 0; x < kTexW; ++x)
            p.Set(x, y, texel(x, y));
    r.Draw(known);
    r.Draw(known, ~kBackground); // the tiles are known from here
    const struct {
        int x, y, u0, v0, w, h;
    } quads[] = {{9, 7, 0, 0, kTexW, kTexH}, {3, 2, 5, 3, 30, 20},    {-7, -5, 0, 0, kTexW, kTexH},
                 {60, 40, 10, 14, 30, 26},   {20, 10, 33, 0, 15, 40}, {30, 30, 0, 0, 1, 1}};
    const DWORD diffuses[] = {0xFFFFFFFF, 0xFF80C040, 0x80FFFFFF};
    for (bool under : {false, true})
        for (DWORD diffuse : diffuses)
            for (const auto& q : quads) {
                SCOPED_TRACE(testing::Message() << "quad at " << q.x << ", " << q.y << " diffuse " << std::hex
                                                << diffuse << " under " << under);
                const DWORD underColour = 0xFF102030u;
                r.dev->SetUnderColour(under ? &underColour : nullptr);
                const Bytes got = r.Draw(known, kBackground, q.x, q.y, diffuse, q.u0, q.v0, q.w, q.h);
                Direct3DTexture9* fresh = r.Texture(D3DPOOL_MANAGED);
                fresh->Level()->Pixels().bytes = std::as_const(*known->Level()).Pixels().bytes;
                const Bytes want = r.Draw(fresh, kBackground, q.x, q.y, diffuse, q.u0, q.v0, q.w, q.h);
                EXPECT_EQ(got, want);
                fresh->Release();
            }
    r.dev->SetUnderColour(nullptr);
    known->Release();
    sim::ResetSimulation();
}
