// Text of 1,000 full-width characters drawn from warm glyph caches, through GDI (8- and 16-bit
// surfaces) and through the D3DX font.
#include "platform/gfx/d3dx9.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/sim.h"
#include <benchmark/benchmark.h>
#include <string>

using namespace gfx;

namespace {

// 20 lines of 50 full-width characters (CP932 bytes, as the system's texts are).
std::vector<std::string> Lines() {
    const std::string sample = "あいうえおかきくけこアイウエオ漢字表示速度試験ＡＢＣＤＥ";
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) {
        std::string s;
        while (s.size() < 100)
            s += sample;
        lines.push_back(s.substr(0, 100)); // 50 two-byte characters
    }
    return lines;
}

void RunGdi(benchmark::State& state, PixelFormat f) {
    PixelBuffer target;
    target.Allocate(640, 480, f);
    PALETTEENTRY pal[256] = {};
    pal[1] = {255, 255, 255, 0};
    HDC dc = CreateSurfaceDC(&target, pal);
    HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const auto lines = Lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        TextOutA(dc, 0, static_cast<int>(i) * 16, lines[i].c_str(), -1);
    for (auto _ : state) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            TextOutA(dc, 0, static_cast<int>(i) * 16, lines[i].c_str(), static_cast<int>(lines[i].size()));
        benchmark::ClobberMemory();
    }
    DeleteSurfaceDC(dc);
    DeleteObject(font);
}

void BM_GdiText1000Full8(benchmark::State& state) {
    RunGdi(state, PixelFormat::Index8);
}
BENCHMARK(BM_GdiText1000Full8)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_GdiText1000Full16(benchmark::State& state) {
    RunGdi(state, PixelFormat::R5G6B5);
}
BENCHMARK(BM_GdiText1000Full16)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_D3DXText1000Full(benchmark::State& state) {
    Direct3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    Direct3DDevice9* dev = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    D3DXFONT_DESCA desc;
    desc.Height = 16;
    std::string face = "ＭＳ ゴシック";
    face.copy(desc.FaceName, 31);
    ID3DXFont* font = nullptr;
    D3DXCreateFontIndirectA(dev, &desc, &font);
    ID3DXSprite* sprite = nullptr;
    D3DXCreateSprite(dev, &sprite);
    const auto lines = Lines();
    for (auto _ : state) {
        sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            RECT r{0, static_cast<LONG>(i) * 16, 640, 480};
            font->DrawTextA(sprite, lines[i].c_str(), -1, &r, DT_NOCLIP, 0xFFFFFFFF);
        }
        sprite->End();
        Direct3DSurface9* bb = nullptr; // read back, so that draws kept back run inside the loop
        dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
        benchmark::DoNotOptimize(bb->Pixels().bytes.data());
        bb->Release();
    }
    sprite->Release();
    font->Release();
    dev->Release();
    d3d->Release();
}
BENCHMARK(BM_D3DXText1000Full)->Repetitions(7)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace
