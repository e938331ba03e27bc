// Loading pictures: decoding a 640 x 480 bitmap, copying it into a surface through GDI, and making a
// keyed texture of it at 32 and 16 bits.
#include "bench_temp.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/d3dx9.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/sim.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>

using namespace gfx;

namespace {

std::vector<std::uint8_t> Picture(int bpp) {
    const int w = 640, h = 480, stride = ((w * bpp + 31) / 32) * 4;
    std::vector<std::uint8_t> b(54 + static_cast<std::size_t>(stride) * h, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bpp);
    for (std::size_t i = 54; i < b.size(); ++i)
        b[i] = static_cast<std::uint8_t>(i * 31 / 7);
    return b;
}

void BM_DecodeBmp(benchmark::State& state) {
    const auto bytes = Picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Dib d;
        benchmark::DoNotOptimize(DecodeBmp(bytes.data(), bytes.size(), d));
    }
}
BENCHMARK(BM_DecodeBmp)
    ->Arg(16)
    ->Arg(24)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_BitBltBitmapTo16(benchmark::State& state) {
    const auto bytes = Picture(static_cast<int>(state.range(0)));
    auto* bmp = new BitmapObject();
    DecodeBmp(bytes.data(), bytes.size(), bmp->dib);
    HDC src = CreateCompatibleDC(nullptr);
    SelectObject(src, bmp);
    PixelBuffer target;
    target.Allocate(640, 480, PixelFormat::R5G6B5);
    HDC dst = CreateSurfaceDC(&target, nullptr);
    for (auto _ : state)
        BitBlt(dst, 0, 0, 640, 480, src, 0, 0, SRCCOPY);
    DeleteSurfaceDC(dst);
    DeleteDC(src);
    DeleteObject(bmp);
}
BENCHMARK(BM_BitBltBitmapTo16)
    ->Arg(16)
    ->Arg(24)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void LoadKeyedTextures(benchmark::State& state, D3DFORMAT format) {
    const auto path = bench::TempFolder() / "gfx_load.bmp";
    const auto bytes = Picture(24);
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    Direct3DDevice9* dev = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    for (auto _ : state) {
        Direct3DTexture9* tex = nullptr;
        D3DXCreateTextureFromFileExA(dev, path.string().c_str(), 0, 0, 1, 0, format, D3DPOOL_MANAGED,
                                     D3DX_FILTER_NONE, D3DX_DEFAULT, 0xFFFF00FF, nullptr, nullptr, &tex);
        if (tex) tex->Release();
    }
    dev->Release();
    d3d->Release();
    std::filesystem::remove(path);
}

void BM_KeyedTextureFromFile(benchmark::State& state) {
    LoadKeyedTextures(state, D3DFMT_A8R8G8B8);
}
BENCHMARK(BM_KeyedTextureFromFile)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// The same picture into a texture of the 16-bit display's format.
void BM_KeyedTextureFromFileTo16(benchmark::State& state) {
    LoadKeyedTextures(state, D3DFMT_A1R5G5B5);
}
BENCHMARK(BM_KeyedTextureFromFileTo16)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace
