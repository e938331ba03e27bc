// What a texture's tiles hold (all transparent, all opaque, mixed) is known to the device once the
// texture has been drawn from twice; every way of writing the texture must make the device look
// again. For each write path: draw the texture twice, write it so that its tiles change kind, draw
// it again, and compare with the same pixels drawn from a texture never drawn from before.
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
    // Clears the target to `background` and draws the texture unscaled at (9, 7), blended; returns the
    // target's pixels.
    Bytes Draw(Direct3DTexture9* t, std::uint32_t background = kBackground) {
        dev->SetRenderTarget(0, back);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1, 0);
        dev->SetTexture(0, t);
        const float x0 = 8.5f, y0 = 6.5f, x1 = x0 + kTexW, y1 = y0 + kTexH;
        const TLVERTEX v[4] = {{x0, y0, 0, 1, 0xFFFFFFFF, 0, 0},
                               {x0, y1, 0, 1, 0xFFFFFFFF, 0, 1},
                               {x1, y0, 0, 1, 0xFFFFFFFF, 1, 0},
                               {x1, y1, 0, 1, 0xFFFFFFFF, 1, 1}};
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
