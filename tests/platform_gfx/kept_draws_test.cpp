// A render target keeping its draws back: frame after frame of random draws (sprites that move, appear
// and go, fills, glyphs, textures rewritten between frames and read back in mid-frame), begun by a
// clear, by a whole-target opaque picture, by a discard or drawn over the last frame, must give the pixels of
// a device that runs every draw at once, also after runs of frames that change every row (which are no
// longer kept back for a while); the presenter must show them, and the window side must be told of
// every row that changed.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"
#include "unshown_rows.h"
#include <gtest/gtest.h>
#include <functional>
#include <random>
#include <utility>
#include <vector>

using namespace gfx;

namespace {

constexpr int kW = 64, kH = 48;

struct Sprite {
    float x, y, size;
    DWORD diffuse;
    bool opaque; // the opaque picture, unblended
};

struct Glyph {
    int x, y;
    std::vector<std::uint8_t> coverage; // 5 x 7
};

// One device and what it draws with.
struct Rig {
    Direct3DDevice9* dev = nullptr;
    Direct3DTexture9* holes = nullptr;   // 16 x 16, some texels transparent
    Direct3DTexture9* picture = nullptr; // kW x kH, opaque

    Rig(Direct3D9* d3d, D3DFORMAT f) {
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = kW;
        pp.BackBufferHeight = kH;
        pp.BackBufferFormat = f;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &dev), D3D_OK);
        dev->SetFVF(D3DFVF_TLVERTEX);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        // The diffuse colour's alpha makes a sprite translucent.
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        dev->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &holes, nullptr);
        dev->CreateTexture(kW, kH, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &picture, nullptr);
        PixelBuffer& h = holes->Level()->Pixels();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                h.Set(x, y, (x + y) % 5 == 0 ? 0u : 0xFF000000u | (x * 15) << 16 | (y * 15) << 8 | 0x40);
        PixelBuffer& p = picture->Level()->Pixels();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                p.Set(x, y, 0xFF000000u | (x * 4) << 16 | (y * 5) << 8 | ((x ^ y) & 0xFF));
    }
    ~Rig() {
        SafeRelease(holes);
        SafeRelease(picture);
        SafeRelease(dev);
    }
    // A rectangle as a strip, or as a list of two triangles (which take the rasteriser's triangle road).
    void Quad(float x0, float y0, float x1, float y1, DWORD diffuse,
              D3DPRIMITIVETYPE type = D3DPT_TRIANGLESTRIP) {
        const TLVERTEX tl{x0, y0, 0, 1, diffuse, 0, 0}, bl{x0, y1, 0, 1, diffuse, 0, 1},
            tr{x1, y0, 0, 1, diffuse, 1, 0}, br{x1, y1, 0, 1, diffuse, 1, 1};
        const TLVERTEX strip[4] = {tl, bl, tr, br}, list[6] = {tl, bl, tr, bl, br, tr};
        dev->DrawPrimitiveUP(type, 2, type == D3DPT_TRIANGLESTRIP ? strip : list, sizeof(TLVERTEX));
    }
    void Picture(float x0, float y0, float x1, float y1) {
        dev->SetTexture(0, picture);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        Quad(x0, y0, x1, y1, 0xFFFFFFFF);
    }
    Direct3DSurface9* Target() {
        Direct3DSurface9* rt = nullptr;
        dev->GetRenderTarget(0, &rt);
        rt->Release(); // the device keeps its own reference
        return rt;
    }
};

// How a frame begins: on nothing of the last frame, or (None) drawn over it.
enum class Start { Clear, Picture, Discard, None };

} // namespace

TEST(KeptDraws, FramesDrawnAgainGiveThePixelsOfEveryDrawRunAtOnce) {
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        sim::ResetSimulation();
        sim::SetVerticalBlankEmulation(false);
        ClearPublishedFrames();
        Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        {
            Rig kept(d3d, f), once(d3d, f);
            std::mt19937 rng(f);
            auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
            std::vector<Sprite> sprites;
            std::vector<Glyph> glyphs;
            std::vector<std::uint32_t> shown(kW * kH, 0), want(kW * kH);
            std::uint64_t changes = PublishedChangeCount();
            for (int frame = 0; frame < 240; ++frame) {
                // Most frames draw the last one again; some move, add, repeat or take away a sprite or a
                // glyph, or rewrite a texel of a texture that stays bound.
                const int what = pick(10);
                if (what == 0 || sprites.empty())
                    sprites.push_back({float(pick(kW + 16) - 16) - 0.5f * pick(2),
                                       float(pick(kH + 16) - 16) - 0.5f * pick(2), float(4 + pick(20)),
                                       pick(3) ? 0x80FF8040u : 0xFFFFFFFFu, pick(4) == 0});
                else if (what == 1)
                    sprites.erase(sprites.begin() + pick(static_cast<int>(sprites.size())));
                else if (what == 2)
                    sprites[pick(static_cast<int>(sprites.size()))].x += float(pick(7) - 3);
                else if (what == 5) // the same draw twice running: a translucent sprite darkens again
                    sprites.push_back(sprites.back());
                else if (what == 3 && glyphs.size() < 4) {
                    Glyph g{pick(kW) - 2, pick(kH) - 3, std::vector<std::uint8_t>(35)};
                    for (auto& c : g.coverage)
                        c = static_cast<std::uint8_t>(pick(3) * 127);
                    glyphs.push_back(std::move(g));
                } else if (what == 4 && !glyphs.empty()) {
                    glyphs.erase(glyphs.begin());
                }
                if (pick(16) == 0) {
                    const int x = pick(16), y = pick(16);
                    const auto texel = static_cast<std::uint32_t>(rng()) | 0xFF000000u;
                    for (Rig* r : {&kept, &once})
                        r->holes->Level()->Pixels().Set(x, y, texel);
                }
                const Start start = static_cast<Start>(frame / 8 % 4);
                // Some runs of cleared frames change their colour every frame: every row changes, and
                // the target stops keeping its draws for a while.
                const DWORD clearColour =
                    frame / 24 % 2 ? 0xFF204080u + static_cast<DWORD>(frame % 3) * 0x10 : 0xFF000000u;
                const int readAt = pick(8) == 0 ? pick(static_cast<int>(sprites.size()) + 1) : -1;
                for (Rig* r : {&kept, &once}) {
                    switch (start) {
                    case Start::Clear:
                        r->dev->Clear(0, nullptr, D3DCLEAR_TARGET, clearColour, 1.0f, 0);
                        break;
                    case Start::Picture:
                        r->Picture(-0.5f, -0.5f, kW - 0.5f, kH - 0.5f);
                        break;
                    case Start::Discard:
                        // Four pictures that cover the target between them, on black.
                        r->Target()->DiscardPixels();
                        r->Picture(-0.5f, -0.5f, 31.5f, 23.5f);
                        r->Picture(31.5f, -0.5f, kW - 0.5f, 23.5f);
                        r->Picture(-0.5f, 23.5f, 31.5f, kH - 0.5f);
                        r->Picture(31.5f, 23.5f, kW - 0.5f, kH - 0.5f);
                        break;
                    case Start::None:
                        break;
                    }
                    // The device that runs every draw at once takes its pixels back at each frame's start.
                    if (r == &once) r->Target()->Pixels();
                    for (std::size_t i = 0; i < sprites.size(); ++i) {
                        if (static_cast<int>(i) == readAt) (void)std::as_const(*r->Target()).Pixels();
                        const Sprite& s = sprites[i];
                        r->dev->SetTexture(0, s.opaque ? r->picture : r->holes);
                        r->dev->SetRenderState(D3DRS_ALPHABLENDENABLE, !s.opaque);
                        r->Quad(s.x, s.y, s.x + s.size, s.y + s.size * 0.75f, s.diffuse,
                                static_cast<int>(s.size) % 2 ? D3DPT_TRIANGLELIST : D3DPT_TRIANGLESTRIP);
                    }
                    if (frame / 4 % 4 == 1) { // a translucent veil over the whole target covers nothing
                        r->dev->SetTexture(0, r->holes);
                        r->dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
                        r->Quad(-0.5f, -0.5f, kW - 0.5f, kH - 0.5f, 0x60FFFFFFu);
                    }
                    const D3DRECT bar{2, 40, 30 + frame / 16 % 3, 44};
                    r->dev->Clear(1, &bar, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0);
                    for (const Glyph& g : glyphs)
                        r->dev->DrawGlyph(g.coverage.data(), 5, 7, g.x, g.y, 0xC0FFFFFFu);
                }
                const PixelBuffer& a = std::as_const(*kept.Target()).Pixels();
                const PixelBuffer& b = std::as_const(*once.Target()).Pixels();
                ASSERT_EQ(a.bytes, b.bytes) << "format " << f << " frame " << frame;

                ASSERT_EQ(kept.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
                std::vector<std::uint32_t> got;
                int w = 0, h = 0;
                ASSERT_TRUE(ReadLastFrame(got, w, h));
                ConvertToXrgb(b, nullptr, want.data());
                ASSERT_EQ(got, want) << "format " << f << " frame " << frame;
                // A frame that shows what was shown is not counted as a change; the window side is told
                // of every row that changed since it last looked.
                const bool same = want == shown;
                EXPECT_EQ(PublishedChangeCount() - changes, same ? 0u : 1u) << "frame " << frame;
                changes = PublishedChangeCount();
                EXPECT_TRUE(test_rows::ToldOfEveryChangedRow(shown)) << "format " << f << " frame " << frame;
                shown = want;
            }
        }
        d3d->Release();
    }
    sim::ResetSimulation();
}

TEST(KeptDraws, AReadOrAWriteOfThePixelsSeesEveryDrawBeforeIt) {
    // Copies out of the target, locks and a texture drawn after it was rewritten all see the frame as
    // drawn so far, and what they write stays.
    sim::ResetSimulation();
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    {
        Rig r(d3d, D3DFMT_X8R8G8B8);
        Direct3DSurface9* copy = nullptr;
        ASSERT_EQ(
            r.dev->CreateOffscreenPlainSurface(kW, kH, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr),
            D3D_OK);
        r.dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030u, 1.0f, 0);
        const D3DRECT dot{5, 6, 6, 7};
        r.dev->Clear(1, &dot, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
        ASSERT_EQ(r.dev->GetRenderTargetData(r.Target(), copy), D3D_OK);
        EXPECT_EQ(std::as_const(*copy).Pixels().Get(5, 6) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(std::as_const(*copy).Pixels().Get(0, 0) & 0xFFFFFF, 0x102030u);

        // A texture drawn, then rewritten before the frame is shown: the draw reads it as it was.
        r.dev->SetTexture(0, r.holes);
        r.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        r.Quad(9.5f, 9.5f, 25.5f, 25.5f, 0xFFFFFFFF);
        const std::uint32_t before = std::as_const(*r.holes->Level()).Pixels().Get(1, 1);
        r.holes->Level()->Pixels().Set(1, 1, 0xFF0000FFu);
        EXPECT_EQ(std::as_const(*r.Target()).Pixels().Get(11, 11) & 0xFFFFFF, before & 0xFFFFFF);

        // A lock sees the frame and its writes are kept under the draws that follow.
        D3DLOCKED_RECT lr;
        ASSERT_EQ(r.Target()->LockRect(&lr, nullptr, 0), D3D_OK);
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(lr.pBits) + 30 * lr.Pitch);
        EXPECT_EQ(row[30] & 0xFFFFFF, 0x102030u);
        row[30] = 0x00ABCDEF;
        r.Target()->UnlockRect();
        const D3DRECT other{0, 0, 2, 2};
        r.dev->Clear(1, &other, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        EXPECT_EQ(std::as_const(*r.Target()).Pixels().Get(30, 30) & 0xFFFFFF, 0xABCDEFu);
        copy->Release();
    }
    d3d->Release();
    sim::ResetSimulation();
}

namespace {

// A draw of the frames with covered rows: a fill (no texture) or a textured quad.
enum class Tex { Fill, Picture, Layer, Veil, Holes, Edge16, White };
enum class Blend { Off, Standard, OneZero, OneOne };

struct CoverDraw {
    Tex tex;
    float x0, y0, x1, y1;
    DWORD diffuse = 0xFFFFFFFF; // a fill's colour
    Blend blend = Blend::Standard;
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    DWORD alphaOp = D3DTOP_MODULATE, alphaArg2 = D3DTA_DIFFUSE;
    bool turned = false; // the bottom corners moved in: not upright
};

struct CoverTextures {
    Direct3DTexture9* layer = nullptr;  // transparent top half, a middle row clear at its left, opaque below
    Direct3DTexture9* veil = nullptr;   // opaque but for one translucent row
    Direct3DTexture9* edge16 = nullptr; // A1R5G5B5, opaque but for one texel
    Direct3DTexture9* Make(Rig& r, D3DFORMAT f, const std::function<std::uint32_t(int, int)>& texel) {
        Direct3DTexture9* t = nullptr;
        r.dev->CreateTexture(kW, kH, 1, 0, f, D3DPOOL_MANAGED, &t, nullptr);
        PixelBuffer& p = t->Level()->Pixels();
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                p.Set(x, y, texel(x, y));
        return t;
    }
    explicit CoverTextures(Rig& r) {
        layer = Make(r, D3DFMT_A8R8G8B8, [](int x, int y) {
            const bool opaque = y > kH / 2 || (y == kH / 2 && x >= 8);
            return opaque ? 0xFF000000u | (x * 3) << 8 | (y * 5) : 0x00000000u;
        });
        veil = Make(r, D3DFMT_A8R8G8B8, [](int x, int y) {
            return (y == 30 ? 0x80000000u : 0xFF000000u) | (x * 4) << 16 | (y * 2);
        });
        edge16 = Make(r, D3DFMT_A1R5G5B5, [](int x, int y) {
            return x == 40 && y == 20 ? 0x001Fu : 0x8000u | (x & 31) << 5 | (y & 31);
        });
    }
    ~CoverTextures() {
        SafeRelease(layer);
        SafeRelease(veil);
        SafeRelease(edge16);
    }
};

void DrawCover(Rig& r, const CoverTextures& t, const CoverDraw& d) {
    if (d.tex == Tex::Fill) {
        const D3DRECT rect{LONG(d.x0), LONG(d.y0), LONG(d.x1), LONG(d.y1)};
        r.dev->Clear(1, &rect, D3DCLEAR_TARGET, d.diffuse, 1.0f, 0);
        return;
    }
    Direct3DTexture9* tex[] = {nullptr, r.picture, t.layer, t.veil, r.holes, t.edge16, nullptr};
    r.dev->SetTexture(0, tex[static_cast<int>(d.tex)]);
    r.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, d.blend != Blend::Off);
    r.dev->SetRenderState(D3DRS_SRCBLEND, d.blend == Blend::Standard ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
    r.dev->SetRenderState(D3DRS_DESTBLEND, d.blend == Blend::Standard ? D3DBLEND_INVSRCALPHA
                                           : d.blend == Blend::OneOne ? D3DBLEND_ONE
                                                                      : D3DBLEND_ZERO);
    r.dev->SetRenderState(D3DRS_TEXTUREFACTOR, d.alphaArg2 == D3DTA_TFACTOR ? 0x80FFFFFFu : 0xFFFFFFFFu);
    r.dev->SetTextureStageState(0, D3DTSS_ALPHAOP, d.alphaOp);
    r.dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, d.alphaArg2);
    const float k = d.turned ? 6.0f : 0.0f;
    const TLVERTEX v[4] = {{d.x0, d.y0, 0, 1, d.diffuse, d.u0, d.v0},
                           {d.x0 + k, d.y1, 0, 1, d.diffuse, d.u0, d.v1},
                           {d.x1, d.y0, 0, 1, d.diffuse, d.u1, d.v0},
                           {d.x1 - k, d.y1, 0, 1, d.diffuse, d.u1, d.v1}};
    r.dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVERTEX));
    r.dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    r.dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

} // namespace

TEST(KeptDraws, RowsLeftOutUnderLaterDrawsGiveThePixelsOfEveryDrawRunAtOnce) {
    // Each frame: a clear, an opaque picture over the whole target (its colour changed every frame,
    // so that every row changes and the target soon rests from keeping; on an under colour every
    // other frame), then the draws of the case. Rows of a draw that later draws write completely may be left
    // out; draws that only look as if they did (translucent texels, blending, tints, clipping, turned
    // corners, texels read past an edge) must not leave out what shows through them.
    const float L = -0.5f, T = -0.5f, R = kW - 0.5f, B = kH - 0.5f;
    struct Case {
        const char* name;
        std::vector<CoverDraw> draws;
    } cases[] = {
        {"opaque picture over all", {{Tex::Picture, L, T, R, B}}},
        {"layer opaque below its middle", {{Tex::Layer, L, T, R, B}}},
        {"layer, then bands of fills",
         {{Tex::Layer, L, T, R, B},
          {Tex::Fill, 0, 0, 40, 10, 0xFF00FF00u},
          {Tex::Fill, 40, 0, kW, 10, 0xFF0000FFu}}},
        {"layer read upside down", {{Tex::Layer, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0, 1, 1, 0}}},
        {"layer read twice as tall", {{Tex::Layer, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0, 0, 1, 0.5f}}},
        {"layer read from its middle on, wrapping",
         {{Tex::Layer, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0.5f, 0.5f, 1.5f, 1.5f}}},
        {"layer a hair below whole rows", {{Tex::Layer, L, T + 0.25f, R, B + 0.25f}}},
        {"translucent texel row", {{Tex::Veil, L, T, R, B}}},
        {"tinted translucent", {{Tex::Picture, L, T, R, B, 0xC0FFFFFFu}}},
        {"tinted opaque", {{Tex::Picture, L, T, R, B, 0xFF80FF40u}}},
        {"alpha from a translucent factor",
         {{Tex::Picture, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0, 0, 1, 1, D3DTOP_MODULATE,
           D3DTA_TFACTOR}}},
        {"alpha from the diffuse colour alone",
         {{Tex::Veil, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0, 0, 1, 1, D3DTOP_SELECTARG2,
           D3DTA_DIFFUSE}}},
        {"added on", {{Tex::Picture, L, T, R, B, 0xFFFFFFFF, Blend::OneOne}}},
        {"one and zero", {{Tex::Veil, L, T, R, B, 0xFFFFFFFF, Blend::OneZero}}},
        {"unblended veil", {{Tex::Veil, L, T, R, B, 0xFFFFFFFF, Blend::Off}}},
        {"one column short", {{Tex::Picture, L, T, R - 1, B}}},
        {"two halves side by side", {{Tex::Picture, L, T, 31.5f, B}, {Tex::Picture, 31.5f, T, R, B}}},
        {"off the left edge", {{Tex::Picture, L - 8, T, R, B}}},
        {"turned",
         {{Tex::Picture, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0, 0, 1, 1, D3DTOP_MODULATE, D3DTA_DIFFUSE,
           true}}},
        {"holes tiled", {{Tex::Holes, L, T, R, B, 0xFFFFFFFF, Blend::Standard, 0, 0, 4, 3}}},
        {"16-bit texture with a clear texel", {{Tex::Edge16, L, T, R, B}}},
        {"white, no texture", {{Tex::White, L, 10.5f, R, 20.5f, 0xFF336699u}}},
        {"white, translucent", {{Tex::White, L, 10.5f, R, 20.5f, 0x80336699u}}},
        {"small sprite then the layer over it",
         {{Tex::Holes, 20.5f, 30.5f, 36.5f, 46.5f}, {Tex::Layer, L, T, R, B}}},
    };
    // The picture upside down (what shows through a draw of the picture differs from it), its colour
    // changed every frame (what shows through differs from the last frame's).
    CoverDraw base{Tex::Picture, L, T, R, B, 0xFFFFFFFF, Blend::Off, 0, 1, 1, 0};
    sim::ResetSimulation();
    sim::SetVerticalBlankEmulation(false);
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        for (const Case& c : cases) {
            Rig kept(d3d, f), once(d3d, f);
            CoverTextures keptTex(kept), onceTex(once);
            // Enough frames that change every row for the target to rest from keeping and hold them.
            for (int frame = 0; frame < 8; ++frame) {
                const DWORD clear = 0xFF102030u + static_cast<DWORD>(frame) * 0x00040404u;
                const DWORD under = 0xFF800000u | static_cast<DWORD>(frame);
                base.diffuse = 0xFFFFFFFFu - static_cast<DWORD>(frame) * 0x00102030u;
                for (Rig* r : {&kept, &once}) {
                    const CoverTextures& t = r == &kept ? keptTex : onceTex;
                    // The device that runs every draw at once reads its pixels after each.
                    auto ran = [&] {
                        if (r == &once) (void)std::as_const(*r->Target()).Pixels();
                    };
                    r->dev->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
                    ran();
                    r->dev->SetUnderColour(frame % 2 ? &under : nullptr);
                    DrawCover(*r, t, base);
                    r->dev->SetUnderColour(nullptr);
                    ran();
                    for (const CoverDraw& d : c.draws) {
                        DrawCover(*r, t, d);
                        ran();
                    }
                }
                const PixelBuffer& a = std::as_const(*kept.Target()).Pixels();
                const PixelBuffer& b = std::as_const(*once.Target()).Pixels();
                ASSERT_EQ(a.bytes, b.bytes) << c.name << ", format " << f << ", frame " << frame;
                ASSERT_EQ(kept.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
                ASSERT_EQ(once.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
            }
        }
    }
    d3d->Release();
    sim::ResetSimulation();
}
