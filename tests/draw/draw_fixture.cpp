#include "draw_fixture.h"

#include "app/game_loop.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

const DrawConfig kAllConfigs[10] = {
    {"dd8_full", 0, 8, 0},      {"dd16_full", 0, 16, 0},   {"dd32_full", 0, 32, 0},
    {"dd8_window", 0, 8, 1},    {"dd16_window", 0, 16, 1}, {"dd32_window", 0, 32, 1},
    {"d3d16_full", 1, 16, 0},   {"d3d32_full", 1, 32, 0},  {"d3d16_window", 1, 16, 1},
    {"d3d32_window", 1, 32, 1},
};

DDSURFACEDATA g_TestSurfaces[SYS_COUNT];
SURFACEDEF g_TestTable[SYS_COUNT];

std::uint32_t PaletteColour(int i) {
    static const std::uint32_t base[8] = {0x000000, 0xFF00FF, 0x0000FF, 0xFF0000,
                                          0x00FF00, 0xFFFF00, 0xFFFFFF, 0x00FFFF};
    if (i < 8) return base[i];
    // Distinct colours for the rest.
    return static_cast<std::uint32_t>((i * 7) & 0xFF) << 16 |
           static_cast<std::uint32_t>((i * 13) & 0xFF) << 8 | static_cast<std::uint32_t>(i & 0xFF);
}

std::vector<std::uint8_t> SheetIndices() {
    std::vector<std::uint8_t> px(64 * 32, PAL_KEY);
    auto fill = [&](int x0, int y0, int x1, int y1, int c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                px[static_cast<std::size_t>(y) * 64 + x] = static_cast<std::uint8_t>(c);
    };
    // Cell 0: an "L" (red upright, green foot) and a yellow dot at the top right.
    fill(2, 2, 8, 30, PAL_RED);
    fill(2, 24, 26, 30, PAL_GREEN);
    fill(27, 3, 30, 6, PAL_YELLOW);
    // Cell 1: a cyan square with a transparent hole, a white corner mark.
    fill(36, 4, 60, 28, PAL_CYAN);
    fill(44, 12, 52, 20, PAL_KEY);
    fill(36, 4, 40, 8, PAL_WHITE);
    return px;
}

void DrawTest::SetUp() {
    gfx::sim::ResetSimulation();
    gfx::sim::SetVerticalBlankEmulation(false);
    m_dir = MakeTestFolder("m4_draw_");
    std::vector<std::uint32_t> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[i] = PaletteColour(i);
    // Palette picture: top-left is the key colour; rows 8-23 show the 256 entries in order.
    std::vector<std::uint8_t> pal(16 * 24, PAL_KEY);
    for (int i = 0; i < 256; ++i)
        pal[static_cast<std::size_t>(8 + i / 16) * 16 + i % 16] = static_cast<std::uint8_t>(i);
    WriteBmp8(m_dir + "/palette.bmp", 16, 24, colours, pal);
    const auto sheet = SheetIndices();
    WriteBmp8(m_dir + "/sheet8.bmp", 64, 32, colours, sheet);
    std::vector<std::uint32_t> rgb(sheet.size());
    for (std::size_t i = 0; i < sheet.size(); ++i)
        rgb[i] = PaletteColour(sheet[i]);
    WriteBmp24(m_dir + "/sheet24.bmp", 64, 32, rgb);

    for (auto& d : g_TestTable)
        d = SURFACEDEF{};
    auto name = [&](int k, const char* file) {
        std::snprintf(g_TestTable[k].szFileName, sizeof g_TestTable[k].szFileName, "%s/%s", m_dir.c_str(),
                      file);
    };
    name(SYS_PALETTE, "palette.bmp");
    g_TestTable[SYS_PALETTE].bColorKey = 1;
    g_TestTable[SYS_PALETTE].nD3DMemory = DTMEMORYTYPE_SYSTEM;
    g_TestTable[SYS_PALETTE].nDDMemory = 1;
    name(SYS_SHEET, "sheet8.bmp");
    g_TestTable[SYS_SHEET].bColorKey = 1;
    name(SYS_MIRROR, "sheet8.bmp");
    g_TestTable[SYS_MIRROR].bColorKey = 1;
    g_TestTable[SYS_MIRROR].nMirrorCellW = 32;
    name(SYS_SHEET24, "sheet24.bmp");
    g_TestTable[SYS_SHEET24].bColorKey = 1;
    g_TestTable[SYS_WORK].bColorKey = 1;
    g_TestTable[SYS_WORK].nWidth = 64;
    g_TestTable[SYS_WORK].nHeight = 64;
    g_TestTable[SYS_SYSMEM].nDDMemory = 1;
    g_TestTable[SYS_SYSMEM].nD3DMemory = DTMEMORYTYPE_SYSTEM;
    g_TestTable[SYS_SYSMEM].nWidth = 32;
    g_TestTable[SYS_SYSMEM].nHeight = 32;
    gfx::ClearPublishedFrames();
}

void DrawTest::TearDown() {
    CloseTestDisplay(g_TestSurfaces, SYS_COUNT);
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

bool DrawTest::Open(const DrawConfig& cfg) {
    m_cfg = cfg;
    // A windowed DirectDraw display takes the desktop's depth from the graphics stand-in; where the
    // stand-in cannot run the desktop at the asked depth, the configuration cannot be tested.
    m_unsupported = false;
    if (!cfg.bD3D && cfg.nWindowMode == 1) {
        gfx::SetDisplayBitsPerPixel(cfg.nBpp);
        void* p = nullptr;
        if (gfx::SUCCEEDED(gfx::DirectDrawCreateEx(nullptr, &p, gfx::IID_IDirectDraw7, nullptr))) {
            auto* dd = static_cast<gfx::LPDIRECTDRAW7>(p);
            dd->SetCooperativeLevel(nullptr, gfx::DDSCL_NORMAL);
            m_unsupported = dd->Bpp() != cfg.nBpp;
            dd->Release();
        }
        if (m_unsupported) return true;
    }
    if (!OpenTestDisplay(cfg.bD3D, cfg.nBpp, cfg.nWindowMode, g_TestSurfaces, g_TestTable, SYS_COUNT, 0))
        return false;
    const int all[SYS_COUNT] = {0, 1, 2, 3, 4, 5};
    return DDLoadSystemSurfaces(g_TestSurfaces, all, SYS_COUNT);
}

std::vector<std::uint32_t> DrawTest::PresentAndRead() {
    EXPECT_TRUE(PresentBackBuffer());
    int w = 0, h = 0;
    auto frame = ShownFrame(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    return frame;
}

void DrawScene() {
    DDSURFACEDATA* bb = &g_BackBuffer;
    DDSURFACEDATA* sheet = &g_TestSurfaces[SYS_SHEET];
    DDSURFACEDATA* mirror = &g_TestSurfaces[SYS_MIRROR];
    DDSURFACEDATA* sheet24 = &g_TestSurfaces[SYS_SHEET24];
    DDSURFACEDATA* work = &g_TestSurfaces[SYS_WORK];
    // The frame is drawn through the virtual back buffer (Direct3D), which is then switched off and
    // copied; the last pieces go to the back buffer directly.
    DDSetBackBufferMode(1);
    DDClear(bb, PAL_BLUE);
    // Fills: left overhang, right and bottom overhang, both sides.
    DDFillRect(bb, -10, 10, 100, 20, PAL_RED);
    DDFillRect(bb, 600, 440, 100, 100, PAL_GREEN);
    DDFillRect(bb, -20, 300, 700, 10, PAL_YELLOW);
    // Keyed and opaque copies, a stretched and a mirrored one.
    DDBlt(bb, 20, 50, 64, 32, sheet, 0, 0, 1);
    DDBlt(bb, 100, 50, 64, 32, sheet, 0, 0, 0);
    DDBltStretch(bb, 180, 50, 64, 64, sheet, 0, 0, 32, 32, 1);
    DDBltStretch(bb, 260, 50, 48, 16, sheet24, 32, 0, 32, 32, 1);
    DDBlt(bb, 320, 50, 64, 32, mirror, 0, 0, 1);
    // Overhanging copies.
    DDBlt(bb, -10, 120, 64, 32, sheet, 0, 0, 1);
    DDBlt(bb, 610, 120, 64, 32, sheet24, 0, 0, 1);
    // A work surface filled, drawn into from left of it, then shown.
    DDClear(work, PAL_WHITE);
    DDBlt(work, -16, 16, 64, 32, sheet24, 0, 0, 1);
    DDBlt(bb, 400, 50, 64, 64, work, 0, 0, 0);
    // A sorting batch: registered sheet24 first, sheet second; recorded sheet, sheet24, sheet, sheet24.
    DDBeginBatch(1);
    DDBatchAddSurface(sheet24);
    DDBatchAddSurface(sheet);
    DDBlt(bb, 20, 200, 32, 32, sheet, 32, 0, 0);
    DDBlt(bb, 36, 208, 32, 32, sheet24, 0, 0, 0);
    DDBlt(bb, 52, 216, 32, 32, sheet, 32, 0, 1);
    DDBlt(bb, 68, 224, 32, 32, sheet24, 0, 0, 1);
    DDEndBatch();
    DDFillRect(bb, 200, 200, 40, 40, PAL_CYAN);
    DDBlt(bb, 210, 210, 32, 32, sheet, 0, 0, 1);
    DDSetBackBufferMode(0);
    DDFillRect(bb, 260, 200, 40, 40, PAL_WHITE);
    DDBlt(bb, 264, 204, 32, 32, sheet, 0, 0, 1);
}
