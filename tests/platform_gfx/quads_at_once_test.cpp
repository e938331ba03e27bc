// Quads drawn at once (a target that keeps no draws back) on the Direct3D-like device: upright
// rectangles take the pixels of the triangle road and reach the presented frame, and each draw of a
// sequence whose state changes a little at a time follows its own state.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/raster.h"
#include "platform/gfx/sim.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <utility>
#include <vector>

using namespace gfx;

namespace {

struct Rig {
    Direct3D9* d3d = nullptr;
    Direct3DDevice9* dev = nullptr;
    Direct3DVertexBuffer9* vb = nullptr;
    Direct3DTexture9* tex = nullptr;
    int w, h;

    Rig(int width, int height) : w(width), h(height) {
        sim::ResetSimulation();
        sim::SetVerticalBlankEmulation(false);
        ClearPublishedFrames();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = w;
        pp.BackBufferHeight = h;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &dev), D3D_OK);
        EXPECT_EQ(dev->CreateVertexBuffer(28 * 6, 0, D3DFVF_TLVERTEX, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        EXPECT_EQ(dev->CreateTexture(5, 3, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
        PixelBuffer& p = tex->Level()->Pixels();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                p.Set(x, y, Texel(x, y));
        dev->SetFVF(D3DFVF_TLVERTEX);
        dev->SetStreamSource(0, vb, 0, 28);
        dev->SetTexture(0, tex);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    ~Rig() {
        SafeRelease(tex);
        SafeRelease(vb);
        SafeRelease(dev);
        SafeRelease(d3d);
        sim::ResetSimulation();
    }
    // Transparent, opaque and translucent texels.
    static std::uint32_t Texel(int x, int y) {
        static const std::uint32_t alphas[] = {0x00, 0xFF, 0x80, 0xFF, 0x31};
        return alphas[(x + y) % 5] << 24 | static_cast<std::uint32_t>(x * 50) << 16 |
               static_cast<std::uint32_t>(y * 80) << 8 | 0x30;
    }
    void Draw(const TLVERTEX* v, int n, D3DPRIMITIVETYPE type, UINT prims) {
        void* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, v, sizeof(TLVERTEX) * n);
        vb->Unlock();
        ASSERT_EQ(dev->DrawPrimitive(type, 0, prims), D3D_OK);
    }
    std::vector<std::uint32_t> Pixels() {
        Direct3DSurface9* back = nullptr;
        dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        const PixelBuffer& p = std::as_const(*back).Pixels();
        std::vector<std::uint32_t> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out.push_back(p.Get(x, y) & 0xFFFFFF);
        back->Release();
        return out;
    }
};

} // namespace

TEST(QuadsDrawnAtOnce, UprightQuadsTakeTheTriangleRoadsPixelsAndReachThePresentedFrame) {
    // Each quad as a strip (the rectangle road) and as a list of two triangles, drawn at once over a
    // frame already presented; the next present must show every pixel the strip wrote.
    const struct {
        const char* name;
        float x0, y0, x1, y1, u0, v0, u1, v1;
    } quads[] = {
        {"unscaled", -0.5f, -0.5f, 4.5f, 2.5f, 0, 0, 1, 1},
        {"stretched at fractions", 3.25f, 2.75f, 17.6f, 11.1f, 0.1f, 0.3f, 2.2f, 1.7f},
        {"mirrored", 20.5f, 3.5f, 12.5f, 9.5f, 1, 0, 0, 1},
        {"upside down", 2.5f, 14.5f, 9.5f, 6.5f, 0, 1, 1, 0},
        {"past the right and bottom edges", 25.5f, 10.5f, 40.5f, 20.5f, 0, 0, 3, 2},
        {"past the left and top edges", -9.5f, -6.5f, 3.5f, 4.5f, 0, 0, 2, 3},
        {"between pixel centres", 3.2f, 2.2f, 3.8f, 9.0f, 0, 0, 1, 1},
        {"outside", 40, 2, 50, 8, 0, 0, 1, 1},
        {"the whole target", -0.5f, -0.5f, 31.5f, 15.5f, 0, 0, 1, 1},
    };
    for (const auto& q : quads) {
        SCOPED_TRACE(q.name);
        const DWORD c = 0xC0FF8040u;
        const TLVERTEX tl{q.x0, q.y0, 0, 1, c, q.u0, q.v0}, bl{q.x0, q.y1, 0, 1, c, q.u0, q.v1};
        const TLVERTEX tr{q.x1, q.y0, 0, 1, c, q.u1, q.v0}, br{q.x1, q.y1, 0, 1, c, q.u1, q.v1};
        std::vector<std::uint32_t> drawn[2];
        for (int road = 0; road < 2; ++road) {
            Rig r(32, 16);
            // A background drawn a row at a time (no draw covers the target: draws run at once).
            for (int y = 0; y < 16; ++y) {
                const D3DRECT row{0, y, 32, y + 1};
                r.dev->Clear(1, &row, D3DCLEAR_TARGET, 0xFF204060u + static_cast<DWORD>(y * 9), 1, 0);
            }
            ASSERT_EQ(r.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
            if (road == 0) {
                const TLVERTEX v[4] = {tl, bl, tr, br};
                r.Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
            } else {
                const TLVERTEX v[6] = {tl, bl, tr, bl, tr, br};
                r.Draw(v, 6, D3DPT_TRIANGLELIST, 2);
            }
            drawn[road] = r.Pixels();
            ASSERT_EQ(r.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
            std::vector<std::uint32_t> shown;
            int w = 0, h = 0;
            ASSERT_TRUE(ReadLastFrame(shown, w, h));
            for (auto& p : shown)
                p &= 0xFFFFFF;
            EXPECT_EQ(shown, drawn[road]) << "road " << road;
        }
        EXPECT_EQ(drawn[0], drawn[1]);
    }
}

TEST(QuadsDrawnAtOnce, EachDrawOfASequenceFollowsItsOwnState) {
    // One quad over the whole target after another, each changing one thing of the state before it,
    // each against the stage and blend applied pixel by pixel over what the target held.
    Rig r(5, 3);
    static const DWORD kUnder1 = 0xFF102030u, kUnder2 = 0xFF405060u;
    struct Step {
        const char* name;
        void (*apply)(Rig&, DWORD& diffuse);
        bool textured = true;
        const DWORD* under = nullptr; // the under colour in use after the step
    };
    const Step steps[] = {
        {"modulated",
         [](Rig& r, DWORD&) {
             r.dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
             r.dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
             r.dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
             r.dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
             r.dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
             r.dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
         }},
        {"another diffuse colour", [](Rig&, DWORD& diffuse) { diffuse = 0xA0C08040u; }},
        {"the factor as colour",
         [](Rig& r, DWORD&) {
             r.dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x9060A0C0u);
             r.dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
         }},
        {"another factor", [](Rig& r, DWORD&) { r.dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x30FF2080u); }},
        {"weighed by the factor's alpha",
         [](Rig& r, DWORD&) { r.dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BLENDFACTORALPHA); }},
        {"blending off", [](Rig& r, DWORD&) { r.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 0); }},
        {"blending on over an under colour",
         [](Rig& r, DWORD&) {
             r.dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
             r.dev->SetUnderColour(&kUnder1);
         },
         true, &kUnder1},
        {"another under colour", [](Rig& r, DWORD&) { r.dev->SetUnderColour(&kUnder2); }, true, &kUnder2},
        {"no under colour", [](Rig& r, DWORD&) { r.dev->SetUnderColour(nullptr); }},
        {"no texture", [](Rig& r, DWORD&) { r.dev->SetTexture(0, nullptr); }, false},
        {"the diffuse alpha",
         [](Rig& r, DWORD&) { r.dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2); }, false},
        {"the texture again, white",
         [](Rig& r, DWORD& diffuse) {
             diffuse = 0xFFFFFFFFu;
             r.dev->SetTexture(0, r.tex);
             r.dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
             r.dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
         }},
    };
    DWORD diffuse = 0xFFFFFFFFu;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.apply(r, diffuse);
        const std::vector<std::uint32_t> before = r.Pixels();
        const TLVERTEX v[4] = {{-0.5f, -0.5f, 0, 1, diffuse, 0, 0},
                               {-0.5f, 2.5f, 0, 1, diffuse, 0, 1},
                               {4.5f, -0.5f, 0, 1, diffuse, 1, 0},
                               {4.5f, 2.5f, 0, 1, diffuse, 1, 1}};
        r.Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
        const std::vector<std::uint32_t> got = r.Pixels();

        RasterState rs;
        DWORD blend = 0;
        r.dev->GetTextureStageState(0, D3DTSS_COLOROP, &rs.stage.colourOp);
        r.dev->GetTextureStageState(0, D3DTSS_COLORARG1, &rs.stage.colourArg1);
        r.dev->GetTextureStageState(0, D3DTSS_COLORARG2, &rs.stage.colourArg2);
        r.dev->GetTextureStageState(0, D3DTSS_ALPHAOP, &rs.stage.alphaOp);
        r.dev->GetTextureStageState(0, D3DTSS_ALPHAARG1, &rs.stage.alphaArg1);
        r.dev->GetTextureStageState(0, D3DTSS_ALPHAARG2, &rs.stage.alphaArg2);
        r.dev->GetRenderState(D3DRS_TEXTUREFACTOR, &rs.textureFactor);
        r.dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
        rs.blend = blend != 0;
        rs.srcBlend = D3DBLEND_SRCALPHA;
        rs.destBlend = D3DBLEND_INVSRCALPHA;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const std::uint32_t texel = s.textured ? Rig::Texel(x, y) : 0xFFFFFFFFu;
                const std::uint32_t dst = s.under ? *s.under : 0xFF000000u | before[y * 5 + x];
                std::uint32_t c = CombineStage(rs.stage, texel, diffuse, rs.textureFactor);
                if (rs.blend) c = BlendPixel(rs, c, dst);
                EXPECT_EQ(got[y * 5 + x], c & 0xFFFFFF) << "at " << x << ", " << y;
            }
    }
}

TEST(QuadsDrawnAtOnce, WholePartsOfCoordinatesAreThoseOfTheMathsLibrary) {
    // On, just off and halfway between whole numbers, either sign, tiny, near and past 2^52, and not
    // numbers at all.
    const double inf = std::numeric_limits<double>::infinity(), p52 = 4503599627370496.0;
    const double values[] = {0.0,         -0.0,      0.5,        -0.5,         1.0,         -1.0,
                             2.5,         -2.5,      639.5,      -0.499999999, 1e-300,      -1e-300,
                             5e-324,      7 + 1e-15, -7 - 1e-15, p52 - 0.5,    0.5 - p52,   p52,
                             2 * p52 + 2, -1e300,    inf,        -inf,         std::nan("")};
    for (double v : values) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << v);
        const double f = FloorOf(v), c = CeilOf(v);
        if (std::isnan(v)) {
            EXPECT_TRUE(std::isnan(f));
            EXPECT_TRUE(std::isnan(c));
            continue;
        }
        EXPECT_EQ(f, std::floor(v));
        EXPECT_EQ(c, std::ceil(v));
    }
}

TEST(QuadsDrawnAtOnce, UprightPixelsAreThoseOfTheEdgesRoundedUp) {
    // Every pair of these as the two x and the two y of an upright quad, on a target of 640 x 480 whose
    // rows 2 to 400 are drawn: the pixels are those of the edges rounded up by the maths library, cut
    // to the target and the rows. Pairs whose pixels lie wholly past 2^31 have none to compare.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float edges[] = {-3e9f,  -2147483648.0f, -2147483520.0f, -8388609.0f,   -2.5f, -0.5f, -0.25f,
                           -0.0f,  0.0f,           0.25f,          0.5f,          1.0f,  2.5f,  3.0f,
                           639.5f, 8388607.5f,     2147483520.0f,  2147483648.0f, 3e9f,  inf,   -inf,
                           nan};
    const auto expected = [](float a, float b, double limit) {
        const double lo = std::min(a, b), hi = std::max(a, b);
        return std::pair<double, double>{std::max(0.0, std::ceil(lo)), std::min(limit, std::ceil(hi))};
    };
    for (float a : edges)
        for (float b : edges) {
            const float lo = std::min(a, b), hi = std::max(a, b);
            if (lo >= 2147483648.0f || hi < -2147483648.0f) continue;
            SCOPED_TRACE(testing::Message() << std::setprecision(10) << a << ", " << b);
            const TLVERTEX v[4] = {
                {a, a, 0, 1, 0, 0, 0}, {a, b, 0, 1, 0, 0, 1}, {b, a, 0, 1, 0, 1, 0}, {b, b, 0, 1, 0, 1, 1}};
            const PixelRect r = UprightPixels(v, 640, 480, 2, 400);
            const auto [x0, x1] = expected(a, b, 640);
            const auto [y0, y1] = expected(a, b, 400);
            EXPECT_EQ(r.x0, static_cast<int>(x0));
            EXPECT_EQ(r.x1, static_cast<int>(x1));
            EXPECT_EQ(r.y0, static_cast<int>(std::max(2.0, y0)));
            EXPECT_EQ(r.y1, static_cast<int>(y1));
        }
}

TEST(QuadsDrawnAtOnce, QuadsHandedOverTogetherGiveThePixelsOfQuadsDrawnOneByOne) {
    // Frame after frame, the same quads handed to one device together and drawn one by one on another:
    // most frames begin with a clear of the whole target (the target keeps its draws back, and after
    // frames that change every row rests from keeping), the others are drawn over the last; among the
    // quads are stretched, mirrored, turned (not upright) and outside ones, and ones that move.
    struct Corners {
        float x[4], y[4], u0, v0, u1, v1;
        DWORD diffuse;
    };
    const auto upright = [](float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
                            DWORD diffuse) {
        return Corners{{x0, x0, x1, x1}, {y0, y1, y0, y1}, u0, v0, u1, v1, diffuse};
    };
    const auto vertices = [](const Corners& c, TLVERTEX* v) {
        const float u[4] = {c.u0, c.u0, c.u1, c.u1}, t[4] = {c.v0, c.v1, c.v0, c.v1};
        for (int i = 0; i < 4; ++i)
            v[i] = TLVERTEX{c.x[i], c.y[i], 0, 1, c.diffuse, u[i], t[i]};
    };
    Rig together(32, 16), oneByOne(32, 16);
    for (int frame = 0; frame < 12; ++frame) {
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        if (frame % 6 != 5)
            for (Rig* r : {&together, &oneByOne})
                r->dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040u, 1, 0);
        std::vector<Corners> quads;
        quads.push_back(upright(-0.5f, -0.5f, 31.5f, 15.5f, 0, 0, 1, 1, 0xFFFFFFFFu));
        const float step = static_cast<float>(frame % 4);
        quads.push_back(
            upright(3.25f + step, 2.75f, 17.6f + step, 11.1f, 0.1f, 0.3f, 2.2f, 1.7f, 0xC0FF8040u));
        quads.push_back(upright(20.5f, 3.5f, 12.5f, 9.5f, 1, 0, 0, 1, 0xFFFFFFFFu));
        quads.push_back(Corners{{5, 2, 13, 10}, {1, 9, 3, 12}, 0, 0, 1, 1, 0xFFFFFFFFu});
        quads.push_back(upright(40, 2, 50, 8, 0, 0, 1, 1, 0xFFFFFFFFu));
        quads.push_back(upright(-0.5f, 4.5f + step, 4.5f, 7.5f + step, 0, 0, 1, 1, 0x80FFFFFFu));
        std::vector<TLVERTEX> v(quads.size() * 4);
        for (std::size_t q = 0; q < quads.size(); ++q) {
            vertices(quads[q], &v[q * 4]);
            oneByOne.Draw(&v[q * 4], 4, D3DPT_TRIANGLESTRIP, 2);
        }
        together.dev->DrawQuadStrips(v.data(), quads.size());
        ASSERT_EQ(together.Pixels(), oneByOne.Pixels());
        ASSERT_EQ(together.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        ASSERT_EQ(oneByOne.dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }
}
