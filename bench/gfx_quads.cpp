// 2,000 textured 32 x 32 quads with alpha blending on the Direct3D-like device, drawn one
// DrawPrimitive each from one vertex buffer, as the drawing library's batch does; every frame's
// pixels are read back inside the loop, so that draws the back buffer keeps back are counted.
#include "platform/gfx/d3d9.h"
#include "platform/gfx/sim.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <random>

using namespace gfx;

namespace {

// The device's back buffer as drawn: draws it kept back run now, and its pixels count as written
// afterwards, so that the next frame's draws run in every row again.
void Drawn(Direct3DDevice9* dev) {
    Direct3DSurface9* bb = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    benchmark::DoNotOptimize(bb->Pixels().bytes.data());
    benchmark::ClobberMemory();
    bb->Release();
}

void RunQuads(benchmark::State& state, bool partialAlpha, DWORD diffuse, bool sixteen = false) {
    sim::SetVerticalBlankEmulation(false);
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferFormat = sixteen ? D3DFMT_A1R5G5B5 : D3DFMT_X8R8G8B8;
    Direct3DDevice9* dev = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    Direct3DTexture9* tex = nullptr;
    dev->CreateTexture(32, 32, 1, 0, sixteen ? D3DFMT_A1R5G5B5 : D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex,
                       nullptr);
    PixelBuffer& t = tex->Level()->Pixels();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            // A sprite: a keyed (alpha 0) border around an opaque body, or a soft glow.
            const bool body = x >= 4 && x < 28 && y >= 4 && y < 28;
            std::uint32_t a = body ? 255 : 0;
            if (partialAlpha) a = static_cast<std::uint32_t>((x * 8 + y * 4) & 0xFF);
            t.Set(x, y,
                  a << 24 | static_cast<std::uint32_t>(x * 8) << 16 | static_cast<std::uint32_t>(y * 8) << 8 |
                      0x40);
        }
    const int kQuads = 2000;
    Direct3DVertexBuffer9* vb = nullptr;
    dev->CreateVertexBuffer(kQuads * 4 * 28, D3DUSAGE_WRITEONLY, D3DFVF_TLVERTEX, D3DPOOL_MANAGED, &vb,
                            nullptr);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    auto* v = static_cast<TLVERTEX*>(p);
    std::mt19937 rng(3);
    for (int i = 0; i < kQuads; ++i) {
        const float x = static_cast<float>(rng() % 608) - 0.5f, y = static_cast<float>(rng() % 448) - 0.5f;
        v[4 * i] = {x, y, 0, 1, diffuse, 0, 0};
        v[4 * i + 1] = {x, y + 32, 0, 1, diffuse, 0, 1};
        v[4 * i + 2] = {x + 32, y, 0, 1, diffuse, 1, 0};
        v[4 * i + 3] = {x + 32, y + 32, 0, 1, diffuse, 1, 1};
    }
    vb->Unlock();
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    dev->SetTexture(0, tex);
    dev->SetFVF(D3DFVF_TLVERTEX);
    dev->SetStreamSource(0, vb, 0, 28);
    for (auto _ : state) {
        dev->BeginScene();
        for (int i = 0; i < kQuads; ++i)
            dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * i, 2);
        dev->EndScene();
        Drawn(dev);
    }
    vb->Release();
    tex->Release();
    dev->Release();
    d3d->Release();
}

void BM_Quads2000KeyedSprites(benchmark::State& state) {
    RunQuads(state, false, 0xFFFFFFFF);
}
BENCHMARK(BM_Quads2000KeyedSprites)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_Quads2000SoftAlpha(benchmark::State& state) {
    RunQuads(state, true, 0xFFFFFFFF);
}
BENCHMARK(BM_Quads2000SoftAlpha)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_Quads2000Tinted(benchmark::State& state) {
    RunQuads(state, false, 0x80FF8040);
}
BENCHMARK(BM_Quads2000Tinted)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_Quads2000KeyedSprites16(benchmark::State& state) {
    RunQuads(state, false, 0xFFFFFFFF, true);
}
BENCHMARK(BM_Quads2000KeyedSprites16)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Tinted and half translucent on a 16-bit target: the general 16-bit row, which multiplies and blends.
void BM_Quads2000Tinted16(benchmark::State& state) {
    RunQuads(state, false, 0x80FF8040, true);
}
BENCHMARK(BM_Quads2000Tinted16)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// A full-screen picture blended over the frame through the texture factor (the blend effect), and a
// full-screen tinted copy: the general combiner's road.
void RunFullScreen(benchmark::State& state, DWORD colourOp, double degrees = 0) {
    sim::SetVerticalBlankEmulation(false);
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    Direct3DDevice9* dev = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    Direct3DTexture9* tex = nullptr;
    dev->CreateTexture(1024, 512, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
    PixelBuffer& t = tex->Level()->Pixels();
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 1024; ++x)
            t.Set(x, y, 0xFF000000u | static_cast<std::uint32_t>(x * 7 + y * 13));
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FFFFFF);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, colourOp);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2,
                              colourOp == D3DTOP_BLENDFACTORALPHA ? D3DTA_TFACTOR : D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    dev->SetTexture(0, tex);
    dev->SetFVF(D3DFVF_TLVERTEX);
    const float u = 640.0f / 1024, v = 480.0f / 512;
    TLVERTEX q[4] = {{-0.5f, -0.5f, 0, 1, 0xC0808080, 0, 0},
                     {-0.5f, 479.5f, 0, 1, 0xC0808080, 0, v},
                     {639.5f, -0.5f, 0, 1, 0xC0808080, u, 0},
                     {639.5f, 479.5f, 0, 1, 0xC0808080, u, v}};
    const double r = degrees * 3.14159265358979 / 180;
    for (auto& p : q) { // turned about the centre of the screen
        const double x = p.x - 319.5, y = p.y - 239.5;
        p.x = static_cast<float>(319.5 + x * std::cos(r) - y * std::sin(r));
        p.y = static_cast<float>(239.5 + x * std::sin(r) + y * std::cos(r));
    }
    for (auto _ : state) {
        dev->BeginScene();
        dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVERTEX));
        dev->EndScene();
        Drawn(dev);
    }
    tex->Release();
    dev->Release();
    d3d->Release();
}

void BM_FullScreenBlendFactor(benchmark::State& state) {
    RunFullScreen(state, D3DTOP_BLENDFACTORALPHA);
}
BENCHMARK(BM_FullScreenBlendFactor)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_FullScreenAddSigned(benchmark::State& state) {
    RunFullScreen(state, D3DTOP_ADDSIGNED);
}
BENCHMARK(BM_FullScreenAddSigned)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_FullScreenRotated(benchmark::State& state) {
    RunFullScreen(state, D3DTOP_MODULATE, 30);
}
BENCHMARK(BM_FullScreenRotated)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

} // namespace
