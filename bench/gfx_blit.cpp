// A full 640 x 480 32-bit colour-keyed copy, and an unkeyed one at scale 1 through Blt as a background
// layer is drawn, against a plain memcpy of the same frame. A surface may keep a copy back until its
// pixels are needed: every iteration reads the pixels back, so that the copy runs inside the loop.
#include "platform/gfx/ddraw.h"
#include "platform/gfx/sim.h"
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

using namespace gfx;

namespace {

// The destination's pixels as drawn: draws kept back run now, and the pixels count as written
// afterwards, so that the next iteration's copy runs in every row again.
void Drawn(DirectDrawSurface7* dst) {
    benchmark::DoNotOptimize(dst->Pixels().bytes.data());
    benchmark::ClobberMemory();
}

struct Surfaces {
    DirectDraw7* dd = nullptr;
    DirectDrawSurface7* src = nullptr;
    DirectDrawSurface7* dst = nullptr;
    Surfaces(int bpp) {
        void* p = nullptr;
        DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr);
        dd = static_cast<DirectDraw7*>(p);
        dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
        dd->SetDisplayMode(640, 480, bpp, 0, 0);
        DDSURFACEDESC2 d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        d.dwWidth = 640;
        d.dwHeight = 480;
        dd->CreateSurface(&d, &src, nullptr);
        dd->CreateSurface(&d, &dst, nullptr);
        // A picture with a quarter of its pixels in the key colour, in runs as sprites have them.
        std::mt19937 rng(7);
        PixelBuffer& s = src->Pixels();
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                s.Set(x, y, ((x / 8 + y / 8) % 4 == 0) ? 0xFF00FF : (rng() & 0xFFFFFF));
        DDCOLORKEY key{0xFF00FF, 0xFF00FF};
        if (bpp == 16) key = {0xF81F, 0xF81F};
        src->SetColorKey(DDCKEY_SRCBLT, &key);
    }
    ~Surfaces() {
        src->Release();
        dst->Release();
        dd->Release();
    }
};

void BM_KeyedCopy32(benchmark::State& state) {
    Surfaces s(32);
    for (auto _ : state) {
        s.dst->BltFast(0, 0, s.src, nullptr, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
        Drawn(s.dst);
    }
}
BENCHMARK(BM_KeyedCopy32)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_Copy32(benchmark::State& state) {
    Surfaces s(32);
    RECT r{0, 0, 640, 480};
    for (auto _ : state) {
        s.dst->Blt(&r, s.src, &r, DDBLT_WAIT, nullptr);
        Drawn(s.dst);
    }
}
BENCHMARK(BM_Copy32)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_Memcpy32(benchmark::State& state) {
    std::vector<std::uint8_t> a(640 * 480 * 4, 1), b(640 * 480 * 4);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy32)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_KeyedCopy16(benchmark::State& state) {
    Surfaces s(16);
    for (auto _ : state) {
        s.dst->BltFast(0, 0, s.src, nullptr, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
        Drawn(s.dst);
    }
}
BENCHMARK(BM_KeyedCopy16)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_ScaledKeyedBlt32(benchmark::State& state) {
    Surfaces s(32);
    RECT sr{0, 0, 320, 240};
    for (auto _ : state) {
        s.dst->Blt(nullptr, s.src, &sr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
        Drawn(s.dst);
    }
}
BENCHMARK(BM_ScaledKeyedBlt32)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace
