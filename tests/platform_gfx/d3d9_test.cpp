// The Direct3D-like device: fill rule, sampling, mirrored and rotated quads, every texture operation,
// blending on colour and alpha, conversion to 16-bit targets, clears, copies between pools, and
// device loss. Expected pixels are computed from the rules by hand.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/raster.h"
#include "platform/gfx/sim.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>

using namespace gfx;

namespace {

class D3DTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ResetSimulation();
        sim::SetVerticalBlankEmulation(false);
        ClearPublishedFrames();
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        SafeRelease(tex_);
        SafeRelease(vb_);
        SafeRelease(dev_);
        SafeRelease(d3d_);
        sim::ResetSimulation();
    }
    // Releases the device (and its texture and vertex buffer) and makes a new one.
    void MakeFreshDevice(D3DFORMAT f, UINT w, UINT h) {
        SafeRelease(tex_);
        SafeRelease(vb_);
        SafeRelease(dev_);
        MakeDevice(f, w, h);
    }
    void MakeDevice(D3DFORMAT f = D3DFMT_X8R8G8B8, UINT w = 64, UINT h = 32) {
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = w;
        pp.BackBufferHeight = h;
        pp.BackBufferFormat = f;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        ASSERT_EQ(
            d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_),
            D3D_OK);
        ASSERT_EQ(dev_->CreateVertexBuffer(28 * 64, D3DUSAGE_WRITEONLY, D3DFVF_TLVERTEX, D3DPOOL_MANAGED,
                                           &vb_, nullptr),
                  D3D_OK);
        dev_->SetFVF(D3DFVF_TLVERTEX);
        dev_->SetStreamSource(0, vb_, 0, 28);
        // The states the drawing library sets once.
        dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev_->SetRenderState(D3DRS_ZENABLE, 0);
        dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    // A managed A8R8G8B8 texture whose texel (x, y) is f(x, y).
    template <class F> void MakeTexture(int w, int h, F f, D3DFORMAT fmt = D3DFMT_A8R8G8B8) {
        SafeRelease(tex_);
        ASSERT_EQ(dev_->CreateTexture(w, h, 1, 0, fmt, D3DPOOL_MANAGED, &tex_, nullptr), D3D_OK);
        PixelBuffer& p = tex_->Level()->Pixels();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                p.Set(x, y, FromArgb(p.format, f(x, y)));
        dev_->SetTexture(0, tex_);
    }
    // A quad strip TL, BL, TR, BR from (x0, y0) to (x1, y1) with texture coordinates u0..u1, v0..v1.
    void Quad(float x0, float y0, float x1, float y1, DWORD diffuse, float u0 = 0, float v0 = 0, float u1 = 1,
              float v1 = 1) {
        TLVERTEX v[4] = {{x0, y0, 0, 1, diffuse, u0, v0},
                         {x0, y1, 0, 1, diffuse, u0, v1},
                         {x1, y0, 0, 1, diffuse, u1, v0},
                         {x1, y1, 0, 1, diffuse, u1, v1}};
        Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
    }
    void Draw(const TLVERTEX* v, int n, D3DPRIMITIVETYPE type, UINT prims) {
        void* p = nullptr;
        ASSERT_EQ(vb_->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, v, sizeof(TLVERTEX) * n);
        vb_->Unlock();
        ASSERT_EQ(dev_->DrawPrimitive(type, 0, prims), D3D_OK);
    }
    std::uint32_t Px(int x, int y) {
        LPDIRECT3DSURFACE9 rt = nullptr;
        dev_->GetRenderTarget(0, &rt);
        const std::uint32_t v = rt->Pixels().Get(x, y);
        rt->Release();
        return v;
    }
    void ColourOps(DWORD cop, DWORD c1, DWORD c2, DWORD aop, DWORD a1, DWORD a2) {
        dev_->SetTextureStageState(0, D3DTSS_COLOROP, cop);
        dev_->SetTextureStageState(0, D3DTSS_COLORARG1, c1);
        dev_->SetTextureStageState(0, D3DTSS_COLORARG2, c2);
        dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, aop);
        dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, a1);
        dev_->SetTextureStageState(0, D3DTSS_ALPHAARG2, a2);
    }
    int CountNonZero() {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
                n += Px(x, y) != 0;
        return n;
    }
    Direct3D9* d3d_ = nullptr;
    Direct3DDevice9* dev_ = nullptr;
    Direct3DTexture9* tex_ = nullptr;
    Direct3DVertexBuffer9* vb_ = nullptr;
};

TEST_F(D3DTest, TopLeftRuleCoversExactlyTheQuadsPixels) {
    MakeDevice();
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    dev_->SetTexture(0, nullptr);
    ColourOps(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    // The library places a w x h picture at (x - 0.5, y - 0.5): exactly w x h pixels from (x, y).
    Quad(10 - 0.5f, 3 - 0.5f, 10 + 7 - 0.5f, 3 + 5 - 0.5f, 0xFF123456);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool in = x >= 10 && x < 17 && y >= 3 && y < 8;
            EXPECT_EQ(Px(x, y), in ? 0x123456u : 0u) << x << "," << y;
        }
    // Edges on pixel centres: left and top inclusive, right and bottom exclusive.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
    Quad(20, 10, 24, 12, 0xFF0000FF);
    EXPECT_EQ(CountNonZero(), 8);
    EXPECT_NE(Px(20, 10), 0u);
    EXPECT_EQ(Px(24, 10), 0u);
    EXPECT_EQ(Px(20, 12), 0u);
    // Fractional edges: centres 31..33 lie in [30.2, 33.7).
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
    Quad(30.2f, 0.2f, 33.7f, 1.2f, 0xFF0000FF);
    EXPECT_EQ(CountNonZero(), 3);
    EXPECT_NE(Px(31, 1), 0u);
    EXPECT_NE(Px(33, 1), 0u);
    // A quad partly off the target is cut, not wrapped.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
    Quad(-3.5f, -2.5f, 2.5f, 1.5f, 0xFF0000FF);
    EXPECT_EQ(CountNonZero(), 3 * 2);
}

TEST_F(D3DTest, SharedEdgesOfRotatedQuadsAreDrawnOnce) {
    MakeDevice();
    dev_->SetTexture(0, nullptr);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ColourOps(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    // A quad turned by 30 degrees about (20, 16), and a fan of triangles around a centre on a pixel.
    const double a = 30 * 3.14159265358979 / 180;
    auto rot = [&](double x, double y) {
        return std::pair<float, float>(float(20 + x * std::cos(a) - y * std::sin(a)),
                                       float(16 + x * std::sin(a) + y * std::cos(a)));
    };
    auto [x0, y0] = rot(-8, -6);
    auto [x1, y1] = rot(-8, 6);
    auto [x2, y2] = rot(8, -6);
    auto [x3, y3] = rot(8, 6);
    TLVERTEX v[4] = {{x0, y0, 0, 1, 0xFF000001, 0, 0},
                     {x1, y1, 0, 1, 0xFF000001, 0, 1},
                     {x2, y2, 0, 1, 0xFF000001, 1, 0},
                     {x3, y3, 0, 1, 0xFF000001, 1, 1}};
    Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
    TLVERTEX fan[7] = {{50, 16, 0, 1, 0xFF000100, 0, 0}, {50, 6, 0, 1, 0xFF000100, 0, 0},
                       {60, 16, 0, 1, 0xFF000100, 0, 0}, {50, 26, 0, 1, 0xFF000100, 0, 0},
                       {40, 16, 0, 1, 0xFF000100, 0, 0}, {50, 6, 0, 1, 0xFF000100, 0, 0}};
    Draw(fan, 6, D3DPT_TRIANGLEFAN, 4);
    int covered = 0, fanCovered = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint32_t p = Px(x, y) & 0xFFFFFF;
            EXPECT_TRUE(p == 0 || p == 1 || p == 0x100) << x << "," << y << " " << p;
            covered += p == 1;
            fanCovered += p == 0x100;
        }
    EXPECT_NEAR(covered, 16 * 12, 8); // the area of the quad, within its rim
    // The diamond |x - 50| + |y - 16| < 10 (181 centres) and the 19 centres of its rim on the two left
    // edges; the top and bottom corners also lie on right edges and stay out.
    EXPECT_EQ(fanCovered, 181 + 19);
}

TEST_F(D3DTest, PointSamplingScalesMirrorsAndWraps) {
    MakeDevice();
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    ColourOps(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    MakeTexture(4, 2, [](int x, int y) { return 0xFF000000u | (y << 8) | x; });
    // Stretched to 10 x 4: pixel i samples texel floor((i + 0.5) * 4 / 10).
    Quad(-0.5f, -0.5f, 9.5f, 3.5f, 0xFFFFFFFF);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
            const std::uint32_t tx = static_cast<std::uint32_t>((x + 0.5) * 4 / 10);
            const std::uint32_t ty = static_cast<std::uint32_t>((y + 0.5) * 2 / 4);
            EXPECT_EQ(Px(x, y), (ty << 8) | tx) << x << "," << y;
        }
    // Mirrored: u runs from 1 to 0.
    Quad(20 - 0.5f, -0.5f, 24 - 0.5f, 0.5f, 0xFFFFFFFF, 1, 0, 0, 0.5f);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(Px(20 + x, 0), std::uint32_t(3 - x));
    // Coordinates past 1 wrap around.
    Quad(30 - 0.5f, -0.5f, 38 - 0.5f, 0.5f, 0xFFFFFFFF, 0, 0, 2, 0.5f);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(Px(30 + x, 0), std::uint32_t(x % 4));
}

TEST_F(D3DTest, QuadTurnedByNinetyDegrees) {
    MakeDevice();
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    ColourOps(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    MakeTexture(4, 2, [](int x, int y) { return 0xFF000000u | (y << 8) | x; });
    // Turned clockwise on screen: the picture's top edge becomes its right edge.
    // TL -> (12, 10), TR -> (12, 14), BL -> (10, 10), BR -> (10, 14) (minus the half pixel).
    TLVERTEX v[4] = {{11.5f, 9.5f, 0, 1, 0xFFFFFFFF, 0, 0},
                     {9.5f, 9.5f, 0, 1, 0xFFFFFFFF, 0, 1},
                     {11.5f, 13.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                     {9.5f, 13.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
    for (int ty = 0; ty < 2; ++ty)
        for (int tx = 0; tx < 4; ++tx)
            EXPECT_EQ(Px(11 - ty, 10 + tx), std::uint32_t((ty << 8) | tx)) << tx << "," << ty;
    EXPECT_EQ(CountNonZero(), 7); // texel (0, 0) is black
}

TEST_F(D3DTest, TurnedQuadSamplesByTheInverseMapOfEachPixelCentre) {
    MakeDevice();
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    ColourOps(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    MakeTexture(8, 6,
                [](int x, int y) { return 0xFF000000u | std::uint32_t(y + 1) << 8 | std::uint32_t(x + 1); });
    // A 24 x 18 picture turned by 30 degrees about (30, 16).
    const double a = 30 * 3.14159265358979 / 180, cx = 30, cy = 16, w = 24, h = 18;
    auto place = [&](double lx, double ly) {
        const double x = lx - w / 2, y = ly - h / 2;
        return std::pair<float, float>(float(cx + x * std::cos(a) - y * std::sin(a)),
                                       float(cy + x * std::sin(a) + y * std::cos(a)));
    };
    auto [x0, y0] = place(0, 0);
    auto [x1, y1] = place(0, h);
    auto [x2, y2] = place(w, 0);
    auto [x3, y3] = place(w, h);
    TLVERTEX v[4] = {{x0, y0, 0, 1, 0xFFFFFFFF, 0, 0},
                     {x1, y1, 0, 1, 0xFFFFFFFF, 0, 1},
                     {x2, y2, 0, 1, 0xFFFFFFFF, 1, 0},
                     {x3, y3, 0, 1, 0xFFFFFFFF, 1, 1}};
    Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
    int checked = 0;
    for (int py = 0; py < 32; ++py)
        for (int px = 0; px < 64; ++px) {
            // The pixel centre mapped back into the picture.
            const double dx = px - cx, dy = py - cy;
            const double lx = dx * std::cos(a) + dy * std::sin(a) + w / 2,
                         ly = -dx * std::sin(a) + dy * std::cos(a) + h / 2;
            const double u = lx / w * 8, vv = ly / h * 6;
            const double eps = 1e-3;
            const bool near = std::fabs(u - std::round(u)) < eps || std::fabs(vv - std::round(vv)) < eps;
            if (near) continue; // on an edge or a texel boundary: either side is right
            const bool inside = u > 0 && u < 8 && vv > 0 && vv < 6;
            const std::uint32_t want =
                inside ? (std::uint32_t(std::floor(vv)) + 1) << 8 | (std::uint32_t(std::floor(u)) + 1) : 0;
            EXPECT_EQ(Px(px, py), want) << px << "," << py;
            checked += inside;
        }
    EXPECT_GT(checked, 300);
}

TEST_F(D3DTest, FastRectanglesMatchTheTriangleRoad) {
    // The same quads drawn as a strip (rectangle road) and as a list of two triangles, on each target
    // format, from each texture format, with and without a tint.
    const float quads[][8] = {{-0.5f, -0.5f, 9.5f, 6.5f, 0, 0, 1, 1},
                              {3.25f, 2.75f, 17.6f, 11.1f, 0.1f, 0.3f, 2.2f, 1.7f},
                              {20.5f, 3.5f, 12.5f, 9.5f, 1, 0, 0, 1}};
    for (D3DFORMAT target : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5})
        for (D3DFORMAT texFormat : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5})
            for (DWORD c : {0xC0FF8040u, 0xFFFFFFFFu})
                for (const auto& q : quads) {
                    std::vector<std::uint32_t> out[2];
                    for (int road = 0; road < 2; ++road) {
                        MakeFreshDevice(target, 32, 16);
                        dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1, 0);
                        ColourOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE,
                                  D3DTA_TEXTURE, D3DTA_DIFFUSE);
                        MakeTexture(
                            5, 3,
                            [](int x, int y) {
                                return std::uint32_t((x * 50) << 24 | (y * 80) << 8 | x * 40 | 0x30);
                            },
                            texFormat);
                        TLVERTEX tl{q[0], q[1], 0, 1, c, q[4], q[5]}, bl{q[0], q[3], 0, 1, c, q[4], q[7]};
                        TLVERTEX tr{q[2], q[1], 0, 1, c, q[6], q[5]}, br{q[2], q[3], 0, 1, c, q[6], q[7]};
                        if (road == 0) {
                            TLVERTEX v[4] = {tl, bl, tr, br};
                            Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
                        } else {
                            TLVERTEX v[6] = {tl, bl, tr, bl, tr, br};
                            Draw(v, 6, D3DPT_TRIANGLELIST, 2);
                        }
                        for (int y = 0; y < 16; ++y)
                            for (int x = 0; x < 32; ++x)
                                out[road].push_back(Px(x, y));
                    }
                    EXPECT_EQ(out[0], out[1]) << q[0] << " target " << target << " texture " << texFormat;
                }
}

TEST_F(D3DTest, TurnedQuadsTakeTheTexelsOfThePixelRoad) {
    // A turned quad of one diffuse colour shades whole runs of a row, its texels stepped along the row;
    // the same quad whose vertices' diffuse colours differ (which only the texture selects here) goes
    // pixel by pixel. Both give the same pixels, whatever the angle, the wrapping and the texture's format.
    const struct {
        double degrees, scale, u0, v0, u1, v1;
    } quads[] = {{30, 1.0, 0, 0, 1, 1},
                 {-17, 0.8, -0.3, 0.2, 2.6, 1.9},
                 {90, 1.2, 0, 0, 1, 1},
                 {45, 0.5, 1.5, -1, -0.5, 3},
                 {179, 1.1, 0.05, 0.05, 0.95, 0.95},
                 {3, 2.0, 0, 0, 7, 5},
                 // Texel boundaries fall exactly on pixel centres (every fourth pixel of a row).
                 {90, 12.5 / 18, 0, 0, 1, 1},
                 {-90, 12.5 / 18, 0, 1, 1, 0}};
    for (D3DFORMAT texFormat : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5})
        for (const auto& q : quads) {
            std::vector<std::uint32_t> out[2];
            for (int road = 0; road < 2; ++road) {
                MakeFreshDevice(D3DFMT_X8R8G8B8, 48, 40);
                dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1, 0);
                ColourOps(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
                          D3DTA_DIFFUSE);
                MakeTexture(
                    7, 5,
                    [](int x, int y) {
                        return std::uint32_t((x * 40 + 15) << 24 | (y * 50) << 16 | (x * 30) << 8 | 0x30);
                    },
                    texFormat);
                const double r = q.degrees * 3.14159265358979 / 180, half = 18 * q.scale;
                TLVERTEX v[4];
                const double corners[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
                for (int k = 0; k < 4; ++k) {
                    const double x = corners[k][0] * half, y = corners[k][1] * half * 0.8;
                    v[k].x = static_cast<float>(24 + x * std::cos(r) - y * std::sin(r));
                    v[k].y = static_cast<float>(20 + x * std::sin(r) + y * std::cos(r));
                    v[k].z = 0;
                    v[k].rhw = 1;
                    v[k].diffuse = road == 0 ? 0xFFFFFFFFu : 0xFF000000u + static_cast<DWORD>(k);
                    v[k].tu = static_cast<float>(corners[k][0] < 0 ? q.u0 : q.u1);
                    v[k].tv = static_cast<float>(corners[k][1] < 0 ? q.v0 : q.v1);
                }
                Draw(v, 4, D3DPT_TRIANGLESTRIP, 2);
                for (int y = 0; y < 40; ++y)
                    for (int x = 0; x < 48; ++x)
                        out[road].push_back(Px(x, y));
            }
            EXPECT_EQ(out[0], out[1]) << q.degrees << " degrees, texture " << texFormat;
        }
}

TEST_F(D3DTest, RowsFollowThePixelRule) {
    // Every operation, with arguments from the texture, the diffuse colour, the factor and the modifiers,
    // drawn a row at a time, against the stage and blend applied pixel by pixel (CombineStage, BlendPixel).
    const DWORD ops[] = {D3DTOP_SELECTARG1,       D3DTOP_SELECTARG2,          D3DTOP_MODULATE,
                         D3DTOP_MODULATE2X,       D3DTOP_MODULATE4X,          D3DTOP_ADD,
                         D3DTOP_ADDSIGNED,        D3DTOP_ADDSIGNED2X,         D3DTOP_SUBTRACT,
                         D3DTOP_ADDSMOOTH,        D3DTOP_BLENDDIFFUSEALPHA,   D3DTOP_BLENDTEXTUREALPHA,
                         D3DTOP_BLENDFACTORALPHA, D3DTOP_BLENDTEXTUREALPHAPM, D3DTOP_BLENDCURRENTALPHA,
                         D3DTOP_DISABLE};
    const DWORD args[][2] = {{D3DTA_TEXTURE, D3DTA_DIFFUSE},
                             {D3DTA_TFACTOR, D3DTA_TEXTURE | D3DTA_COMPLEMENT},
                             {D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_CURRENT}};
    auto texel = [](int x, int y) {
        return std::uint32_t((x * 17 + 3) << 24 | (y * 120 + x) << 16 | (x * 15) << 8 | 0x50);
    };
    for (D3DFORMAT target : {D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5})
        for (bool blend : {false, true})
            for (DWORD op : ops)
                for (const auto& a : args) {
                    MakeFreshDevice(target, 16, 2);
                    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
                    const DWORD background = 0xFF306090, factor = 0x9060A0C0, diffuse = 0xA0C08040;
                    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1, 0);
                    dev_->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
                    const DWORD alphaOp = op == D3DTOP_DISABLE ? D3DTOP_DISABLE : ops[(op * 7) % 15];
                    ColourOps(op, a[0], a[1], alphaOp, a[1], a[0]);
                    MakeTexture(16, 2, texel);
                    Quad(-0.5f, -0.5f, 15.5f, 1.5f, diffuse);
                    RasterState rs;
                    rs.stage = {op, a[0], a[1], alphaOp, a[1], a[0]};
                    rs.blend = blend;
                    rs.srcBlend = D3DBLEND_SRCALPHA;
                    rs.destBlend = D3DBLEND_INVSRCALPHA;
                    const PixelFormat pf = ToPixelFormat(target);
                    const std::uint32_t dst = ToArgb(pf, FromArgb(pf, background));
                    for (int y = 0; y < 2; ++y)
                        for (int x = 0; x < 16; ++x) {
                            std::uint32_t c = CombineStage(rs.stage, texel(x, y), diffuse, factor);
                            if (blend) c = BlendPixel(rs, c, dst);
                            ASSERT_EQ(Px(x, y), FromArgb(pf, c))
                                << "op " << op << " args " << a[0] << "," << a[1] << " target " << target
                                << " blend " << blend << " at " << x << "," << y;
                        }
                }
}

struct OpCase {
    DWORD op;
    std::uint32_t want; // for texel 0x80C04020 (channels 0xC0, 0x40, 0x20) and diffuse 0x40608090
};

TEST_F(D3DTest, EveryTextureOperation) {
    MakeDevice(D3DFMT_X8R8G8B8, 8, 8);
    LPDIRECT3DTEXTURE9 rtTex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rtTex,
                                  nullptr),
              D3D_OK);
    LPDIRECT3DSURFACE9 rt = nullptr;
    rtTex->GetSurfaceLevel(0, &rt);
    ASSERT_EQ(dev_->SetRenderTarget(0, rt), D3D_OK);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    dev_->SetRenderState(D3DRS_TEXTUREFACTOR, 0x33FFFFFF);
    MakeTexture(1, 1, [](int, int) { return 0x80C04020u; });
    // Arguments: texture (0xC0, 0x40, 0x20, alpha 0x80) and diffuse (0x60, 0x80, 0x90, alpha 0x40).
    auto m = [](int a, int b) { return std::uint32_t((a * b + 127) / 255); };
    auto blend = [](int a, int b, int w) { return std::uint32_t((a * w + b * (255 - w) + 127) / 255); };
    auto rgb = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) { return (r << 16) | (g << 8) | b; };
    const OpCase cases[] = {
        {D3DTOP_SELECTARG1, 0xC04020},
        {D3DTOP_SELECTARG2, 0x608090},
        {D3DTOP_MODULATE, rgb(m(0xC0, 0x60), m(0x40, 0x80), m(0x20, 0x90))},
        {D3DTOP_MODULATE2X, rgb(std::min(255u, (2u * 0xC0 * 0x60 + 127) / 255), (2 * 0x40 * 0x80 + 127) / 255,
                                (2 * 0x20 * 0x90 + 127) / 255)},
        {D3DTOP_MODULATE4X, rgb(255, (4 * 0x40 * 0x80 + 127) / 255, (4 * 0x20 * 0x90 + 127) / 255)},
        {D3DTOP_ADD, rgb(255, 0xC0, 0xB0)},
        {D3DTOP_ADDSIGNED, rgb(0xA0, 0x40, 0x30)},
        {D3DTOP_ADDSIGNED2X, rgb(255, 0x80, 0x60)},
        {D3DTOP_SUBTRACT, rgb(0x60, 0, 0)},
        {D3DTOP_ADDSMOOTH, rgb(0xC0 + m(0x60, 0x3F), 0x40 + m(0x80, 0xBF), 0x20 + m(0x90, 0xDF))},
        {D3DTOP_BLENDDIFFUSEALPHA,
         rgb(blend(0xC0, 0x60, 0x40), blend(0x40, 0x80, 0x40), blend(0x20, 0x90, 0x40))},
        {D3DTOP_BLENDTEXTUREALPHA,
         rgb(blend(0xC0, 0x60, 0x80), blend(0x40, 0x80, 0x80), blend(0x20, 0x90, 0x80))},
        {D3DTOP_BLENDFACTORALPHA,
         rgb(blend(0xC0, 0x60, 0x33), blend(0x40, 0x80, 0x33), blend(0x20, 0x90, 0x33))},
        {D3DTOP_BLENDCURRENTALPHA,
         rgb(blend(0xC0, 0x60, 0x40), blend(0x40, 0x80, 0x40), blend(0x20, 0x90, 0x40))},
        {D3DTOP_BLENDTEXTUREALPHAPM, rgb(0xC0 + m(0x60, 0x7F), 0x40 + m(0x80, 0x7F), 0x20 + m(0x90, 0x7F))},
    };
    for (const OpCase& c : cases) {
        ColourOps(c.op, D3DTA_TEXTURE, D3DTA_DIFFUSE, c.op, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0x40608090);
        const std::uint32_t got = rt->Pixels().Get(0, 0);
        EXPECT_EQ(got & 0xFFFFFF, c.want) << "op " << c.op;
        // The same operation on alpha: texture alpha 0x80 with diffuse alpha 0x40.
        DWORD wantAlpha = 0;
        switch (c.op) {
        case D3DTOP_SELECTARG1:
            wantAlpha = 0x80;
            break;
        case D3DTOP_SELECTARG2:
            wantAlpha = 0x40;
            break;
        case D3DTOP_MODULATE:
            wantAlpha = m(0x80, 0x40);
            break;
        case D3DTOP_ADD:
            wantAlpha = 0xC0;
            break;
        case D3DTOP_SUBTRACT:
            wantAlpha = 0x40;
            break;
        case D3DTOP_BLENDFACTORALPHA:
            wantAlpha = blend(0x80, 0x40, 0x33);
            break;
        default:
            wantAlpha = got >> 24;
            break;
        }
        EXPECT_EQ(got >> 24, wantAlpha) << "alpha op " << c.op;
    }
    // DISABLE on alpha takes the diffuse alpha; the TFACTOR argument and the complement modifier.
    ColourOps(D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0x40608090);
    EXPECT_EQ(rt->Pixels().Get(0, 0), 0x40FFFFFFu);
    ColourOps(D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
              D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE);
    Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0x40608090);
    EXPECT_EQ(rt->Pixels().Get(0, 0), 0x7F3FBFDFu);
    // Without a texture every sample is opaque white.
    dev_->SetTexture(0, nullptr);
    ColourOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0x40608090);
    EXPECT_EQ(rt->Pixels().Get(0, 0), 0x40608090u);
    dev_->SetRenderTarget(0, nullptr); // refused: a target is always set
    LPDIRECT3DSURFACE9 bb = nullptr;
    dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    dev_->SetRenderTarget(0, bb);
    bb->Release();
    rt->Release();
    rtTex->Release();
}

TEST_F(D3DTest, SourceAlphaBlendingOnColourAndAlpha) {
    MakeDevice(D3DFMT_X8R8G8B8, 8, 8);
    LPDIRECT3DTEXTURE9 rtTex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rtTex,
                                  nullptr),
              D3D_OK);
    LPDIRECT3DSURFACE9 rt = nullptr;
    rtTex->GetSurfaceLevel(0, &rt);
    dev_->SetRenderTarget(0, rt);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80204060, 1, 0);
    ColourOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    MakeTexture(2, 1, [](int x, int) { return x == 0 ? 0x40FF8000u : 0x00FFFFFFu; });
    Quad(-0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFF);
    auto b = [](int s, int d, int a) { return std::uint32_t((s * a + d * (255 - a) + 127) / 255); };
    const std::uint32_t want = b(0x40, 0x80, 0x40) << 24 | b(0xFF, 0x20, 0x40) << 16 |
                               b(0x80, 0x40, 0x40) << 8 | b(0x00, 0x60, 0x40);
    EXPECT_EQ(rt->Pixels().Get(0, 0), want);
    EXPECT_EQ(rt->Pixels().Get(1, 0), 0x80204060u); // alpha 0 leaves the target alone
    // The same with a diffuse alpha (the general road).
    Quad(-0.5f, 0.5f, 0.5f, 1.5f, 0x80FFFFFF, 0, 0, 0.5f, 1);
    const int a = (0x40 * 0x80 + 127) / 255;
    EXPECT_EQ(rt->Pixels().Get(0, 1),
              b(a, 0x80, a) << 24 | b(0xFF, 0x20, a) << 16 | b(0x80, 0x40, a) << 8 | b(0x00, 0x60, a));
    dev_->SetRenderTarget(0, nullptr);
    LPDIRECT3DSURFACE9 bb = nullptr;
    dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    dev_->SetRenderTarget(0, bb);
    bb->Release();
    rt->Release();
    rtTex->Release();
}

TEST_F(D3DTest, SixteenBitTargetsRoundAndKeepTheAlphaBit) {
    MakeDevice(D3DFMT_A1R5G5B5, 8, 4);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    dev_->SetTexture(0, nullptr);
    ColourOps(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    // 0x84 -> round(0x84 * 31 / 255) = 16; 0x7B -> 15; 0xFF -> 31.
    Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0x7F847BFF);
    EXPECT_EQ(Px(0, 0), std::uint32_t(0 << 15 | 16 << 10 | 15 << 5 | 31));
    Quad(0.5f, -0.5f, 1.5f, 0.5f, 0x80847BFF);
    EXPECT_EQ(Px(1, 0), std::uint32_t(1 << 15 | 16 << 10 | 15 << 5 | 31));
    // Clear converts its ARGB colour the same way.
    D3DRECT r{2, 0, 3, 1};
    dev_->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFF00FF, 1, 0);
    EXPECT_EQ(Px(2, 0), 0xFC1Fu);
    SafeRelease(vb_);
    SafeRelease(dev_);
    MakeDevice(D3DFMT_R5G6B5, 8, 4);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF847B10, 1, 0);
    // Green has six bits: round(0x7B * 63 / 255) = 30.
    EXPECT_EQ(Px(5, 3), std::uint32_t(16 << 11 | 30 << 5 | 2));
    // A1R5G5B5 textures: texels with the bit clear are transparent.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
    ColourOps(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    MakeTexture(
        2, 1, [](int x, int) { return x == 0 ? 0xFFFF0000u : 0x00FFFFFFu; }, D3DFMT_A1R5G5B5);
    Quad(-0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFF);
    EXPECT_EQ(Px(0, 0), 0xF800u);
    EXPECT_EQ(Px(1, 0), 0u);
}

TEST_F(D3DTest, ClearIsCutToTheTarget) {
    MakeDevice(D3DFMT_X8R8G8B8, 8, 4);
    D3DRECT r[2] = {{-5, -5, 2, 2}, {6, 3, 100, 100}};
    ASSERT_EQ(dev_->Clear(2, r, D3DCLEAR_TARGET, 0xFF010203, 1, 0), D3D_OK);
    int n = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            n += Px(x, y) == 0x010203u;
    EXPECT_EQ(n, 4 + 2);
}

TEST_F(D3DTest, LockingAndCopyingBetweenPools) {
    MakeDevice(D3DFMT_X8R8G8B8, 8, 4);
    LPDIRECT3DTEXTURE9 rtTex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rtTex,
                                  nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(rtTex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL); // render targets cannot be locked
    LPDIRECT3DSURFACE9 rt = nullptr, sys = nullptr;
    rtTex->GetSurfaceLevel(0, &rt);
    ASSERT_EQ(dev_->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
              D3D_OK);
    dev_->SetRenderTarget(0, rt);
    D3DRECT r{1, 1, 2, 2};
    dev_->Clear(1, &r, D3DCLEAR_TARGET, 0x11223344, 1, 0);
    ASSERT_EQ(dev_->GetRenderTargetData(rt, sys), D3D_OK);
    ASSERT_EQ(sys->LockRect(&lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    D3DLOCKED_RECT again;
    EXPECT_EQ(sys->LockRect(&again, nullptr, 0), D3DERR_INVALIDCALL);
    auto* row1 = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(lr.pBits) + lr.Pitch);
    EXPECT_EQ(row1[1], 0x11223344u);
    row1[2] = 0xAABBCCDD;
    sys->UnlockRect();
    ASSERT_EQ(dev_->UpdateSurface(sys, nullptr, rt, nullptr), D3D_OK);
    EXPECT_EQ(rt->Pixels().Get(2, 1), 0xAABBCCDDu);
    EXPECT_EQ(dev_->UpdateSurface(rt, nullptr, sys, nullptr), D3DERR_INVALIDCALL); // wrong way round
    // The back buffer is lockable; injected lock failures are reported.
    LPDIRECT3DSURFACE9 bb = nullptr;
    dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    sim::FailLocks(1);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_WASSTILLDRAWING);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
    bb->UnlockRect();
    EXPECT_EQ(dev_->SetRenderTarget(0, sys), D3DERR_INVALIDCALL); // not a render target
    dev_->SetRenderTarget(0, bb);
    bb->Release();
    sys->Release();
    rt->Release();
    rtTex->Release();
}

TEST_F(D3DTest, DeviceLossDropsTheDefaultPoolOnReset) {
    MakeDevice(D3DFMT_X8R8G8B8, 8, 4);
    LPDIRECT3DTEXTURE9 def = nullptr, managed = nullptr;
    ASSERT_EQ(
        dev_->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &def, nullptr),
        D3D_OK);
    ASSERT_EQ(dev_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    managed->Level()->Pixels().Set(0, 0, 0x12345678);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1, 0);
    ASSERT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(PublishedFrameCount(), 1u);

    def->Level()->Pixels().Set(1, 1, 0x11223344);
    sim::LoseDevice(2);
    EXPECT_EQ(def->Level()->Pixels().Get(1, 1), 0u);              // DEFAULT-pool contents are gone
    EXPECT_EQ(managed->Level()->Pixels().Get(0, 0), 0x12345678u); // MANAGED ones are not
    EXPECT_EQ(Px(0, 0), 0u);                                      // nor is the back buffer's picture kept
    EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(PublishedFrameCount(), 1u);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferWidth = 8;
    pp.BackBufferHeight = 4;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    // What the device itself holds (the bound texture, the render target) does not count; what the
    // caller still holds does.
    LPDIRECT3DSURFACE9 level = nullptr, bb = nullptr;
    def->GetSurfaceLevel(0, &level);
    dev_->SetRenderTarget(0, level);
    dev_->SetTexture(0, def);
    level->Release();
    EXPECT_EQ(dev_->Reset(&pp), D3DERR_INVALIDCALL); // a DEFAULT-pool texture is still alive
    def->Release();
    dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    EXPECT_EQ(dev_->Reset(&pp), D3DERR_INVALIDCALL); // so is a reference to the back buffer
    bb->Release();
    ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(Px(0, 0), 0u);                                      // a new back buffer
    EXPECT_EQ(managed->Level()->Pixels().Get(0, 0), 0x12345678u); // managed contents survive
    DWORD cull = 0;
    dev_->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, 3u); // states are back to their defaults
    managed->Release();
}

TEST_F(D3DTest, CreationFailuresAndBudgets) {
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferFormat = D3DFMT_R8G8B8; // not a back buffer format of the device
    Direct3DDevice9* dev = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    sim::FailCreateDevice(1, true);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_NOTAVAILABLE);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    LPDIRECT3DSURFACE9 bb = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    D3DSURFACE_DESC d;
    bb->GetDesc(&d);
    EXPECT_EQ(d.Width, 640u);
    EXPECT_EQ(d.Height, 480u);
    bb->Release();
    sim::SetVideoMemoryBudget(dev->VideoBytesInUse() + 64 * 64 * 4);
    LPDIRECT3DTEXTURE9 a = nullptr, b = nullptr, c = nullptr;
    EXPECT_EQ(
        dev->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &a, nullptr),
        D3D_OK);
    EXPECT_EQ(
        dev->CreateTexture(1, 1, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b, nullptr),
        D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &c, nullptr), D3D_OK);
    D3DCAPS9 caps;
    sim::SetTextureCaps(true, true, false);
    dev->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_POW2);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
    EXPECT_FALSE(caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES);
    // Resources outlive the device.
    dev->Release();
    a->Release();
    c->Release();
    sim::SetNoDirect3D(true);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
}

TEST_F(D3DTest, PresentWaitsForTheBlankOnlyWithVerticalSync) {
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_),
              D3D_OK);
    // The blanks keep a clock that only waits move.
    struct StepClock final : sim::BlankClock {
        long long now = 0;
        long long Now() override { return now; }
        void WaitUntil(long long ns) override { now = std::max(now, ns); }
    } clock;
    sim::SetBlankClock(&clock);
    sim::SetVerticalBlankEmulation(true);
    auto present = [&](int frames) {
        for (int i = 0; i < frames; ++i)
            EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    };
    present(4);
    EXPECT_EQ(sim::VerticalBlankWaits(), 4u);
    EXPECT_EQ(clock.now, 66'666'666); // on the fourth blank
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
    present(60);
    EXPECT_EQ(sim::VerticalBlankWaits(), 4u); // no further wait
    sim::SetBlankClock(nullptr);
    EXPECT_EQ(PublishedFrameCount(), 64u);
    std::vector<std::uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadLastFrame(frame, w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(frame[0], 0xFF000000u);
}

TEST_F(D3DTest, WildVerticesDrawNothingWrongAndNeverCrash) {
    MakeDevice();
    ColourOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    MakeTexture(4, 4, [](int x, int y) { return 0xFF000000u | std::uint32_t(x + y); });
    const float nan = std::nanf(""), inf = INFINITY;
    Quad(nan, 0, 10, 10, 0xFFFFFFFF);
    Quad(0, 0, inf, 10, 0xFFFFFFFF);
    Quad(-1e30f, -1e30f, 1e30f, 1e30f, 0xFFFFFFFF, -1e30f, 0, 1e30f, 1); // texture coordinates far out
    Quad(0, 0, 10, 10, 0xFFFFFFFF, nan, nan, nan, nan);
    TLVERTEX v[3] = {{1e20f, 5, 0, 1, 0xFFFFFFFF, 0, 0},
                     {-1e20f, 7, 0, 1, 0xFFFFFFFF, 1e25f, 0},
                     {3, 1e20f, 0, 1, 0xFFFFFFFF, 0, -1e25f}};
    Draw(v, 3, D3DPT_TRIANGLELIST, 1);
    SUCCEED();
}

TEST_F(D3DTest, IndexedStripsAndBadIndices) {
    MakeDevice(D3DFMT_X8R8G8B8, 16, 4);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    dev_->SetTexture(0, nullptr);
    ColourOps(D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
              D3DTA_DIFFUSE);
    // Two quads in one buffer, drawn with indices 4k..4k+3 as the batch does.
    TLVERTEX v[8];
    for (int k = 0; k < 2; ++k) {
        const float x = k * 8 - 0.5f;
        const DWORD c = k ? 0xFF00FF00 : 0xFFFF0000;
        v[4 * k] = {x, -0.5f, 0, 1, c, 0, 0};
        v[4 * k + 1] = {x, 1.5f, 0, 1, c, 0, 1};
        v[4 * k + 2] = {x + 4, -0.5f, 0, 1, c, 1, 0};
        v[4 * k + 3] = {x + 4, 1.5f, 0, 1, c, 1, 1};
    }
    void* p = nullptr;
    vb_->Lock(0, 0, &p, 0);
    std::memcpy(p, v, sizeof v);
    vb_->Unlock();
    LPDIRECT3DINDEXBUFFER9 ib = nullptr;
    ASSERT_EQ(dev_->CreateIndexBuffer(16, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    ib->Lock(0, 0, &p, 0);
    const std::uint16_t idx[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    dev_->SetIndices(ib);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4, 4, 4, 2), D3D_OK);
    EXPECT_EQ(Px(8, 0), 0x00FF00u);
    EXPECT_EQ(Px(0, 0), 0u);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(Px(3, 1), 0xFF0000u);
    // Indices past the vertices held, or past the index buffer, are refused.
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 62, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 6, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 63, 2), D3DERR_INVALIDCALL);
    ib->Release();
}

} // namespace
