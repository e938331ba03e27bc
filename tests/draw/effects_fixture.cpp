#include "effects_fixture.h"

#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace fxt {

const Display kDisplays[7] = {
    {"dd8", 0, 8, 0},    {"dd16", 0, 16, 0},  {"dd24", 0, 24, 0},  {"dd32", 0, 32, 0},
    {"dd32w", 0, 32, 1}, {"d3d16", 1, 16, 0}, {"d3d32", 1, 32, 0},
};

DDSURFACEDATA g_Surfaces[S_COUNT];
SURFACEDEF g_Table[S_COUNT];

std::uint32_t Colour(int i) {
    static const std::uint32_t base[9] = {0xFF00FF, 0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                          0x0000FF, 0xFFFF00, 0x00FFFF, 0x808080};
    if (i < 9) return base[i];
    return static_cast<std::uint32_t>((i * 37) & 0xF8) << 16 |
           static_cast<std::uint32_t>((i * 73) & 0xFC) << 8 | static_cast<std::uint32_t>((i * 151) & 0xF8);
}

int PictureIndex(int x, int y) {
    const int dx = x - 32, dy = y - 32;
    if (dx * dx + dy * dy < 36) return KEY;
    if (x == y) return RED;
    return 16 + ((x / 8) + (y / 8) * 8) % 200;
}

namespace {

// An 8-bit picture on the test palette.
void WritePicture(const std::string& path, int w, int h, const std::vector<std::uint8_t>& idx) {
    std::vector<std::uint32_t> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[i] = Colour(i);
    WriteBmp8(path, w, h, colours, idx);
}

} // namespace

void DisplayTest::SetUp() {
    gfx::sim::ResetSimulation();
    gfx::sim::SetVerticalBlankEmulation(false);
    // Displays without a palette of their own (24 bits) must not see an earlier test's colours.
    // Nor the channel tables of an earlier display (the player sets them up once per process).
    g_PixChannels = PIXCHANNELS{};
    g_DispChannels = PIXCHANNELS{};
    for (auto& e : g_BasePalette)
        e = gfx::PALETTEENTRY{};
    for (auto& e : g_Palette)
        e = gfx::PALETTEENTRY{};
    m_dir = MakeTestFolder("m4_fx_");

    std::vector<std::uint8_t> pal(16 * 24, KEY);
    for (int i = 0; i < 256; ++i)
        pal[static_cast<std::size_t>(8 + i / 16) * 16 + i % 16] = static_cast<std::uint8_t>(i);
    WritePicture(m_dir + "/palette.bmp", 16, 24, pal);
    std::vector<std::uint8_t> pic(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            pic[static_cast<std::size_t>(y) * 64 + x] = static_cast<std::uint8_t>(PictureIndex(x, y));
    WritePicture(m_dir + "/picture.bmp", 64, 64, pic);
    std::vector<std::uint8_t> icons(416 * 16, KEY);
    for (int k = 0; k < 26; ++k)
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x)
                icons[static_cast<std::size_t>(y) * 416 + k * 16 + x] =
                    static_cast<std::uint8_t>(RED + k % 5);
    WritePicture(m_dir + "/icons.bmp", 416, 16, icons);
    std::vector<std::uint8_t> box(256 * 128, GREY);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x)
            if (x < 2 || y < 2 || x >= 254 || y >= 126) box[static_cast<std::size_t>(y) * 256 + x] = WHITE;
    WritePicture(m_dir + "/box.bmp", 256, 128, box);

    for (auto& d : g_Table)
        d = SURFACEDEF{};
    auto name = [&](int k, const char* file) {
        std::snprintf(g_Table[k].szFileName, sizeof g_Table[k].szFileName, "%s/%s", m_dir.c_str(), file);
    };
    name(S_PALETTE, "palette.bmp");
    g_Table[S_PALETTE].nDDMemory = 1;
    g_Table[S_PALETTE].nD3DMemory = DTMEMORYTYPE_SYSTEM;
    name(S_PICTURE, "picture.bmp");
    g_Table[S_PICTURE].bColorKey = 1;
    name(S_ICONS, "icons.bmp");
    g_Table[S_ICONS].bColorKey = 1;
    name(S_BOX, "box.bmp");
    g_Table[S_WORK].bColorKey = 1;
    g_Table[S_WORK].nWidth = g_Table[S_WORK].nHeight = 128;
    g_Table[S_SYSMEM].bColorKey = 1;
    g_Table[S_SYSMEM].nDDMemory = 1;
    g_Table[S_SYSMEM].nD3DMemory = DTMEMORYTYPE_SYSTEM;
    g_Table[S_SYSMEM].nWidth = g_Table[S_SYSMEM].nHeight = 128;
    gfx::ClearPublishedFrames();
}

void DisplayTest::TearDown() {
    CloseTestDisplay(g_Surfaces, S_COUNT);
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

bool DisplayTest::Open(const Display& d) {
    m_display = d;
    if (!OpenTestDisplay(d.bD3D, d.nBpp, d.nWindowMode, g_Surfaces, g_Table, S_COUNT, 0)) return false;
    const int all[S_COUNT] = {0, 1, 2, 3, 4, 5};
    return DDLoadSystemSurfaces(g_Surfaces, all, S_COUNT);
}

std::vector<std::uint32_t> DisplayTest::Frame() {
    PresentBackBuffer();
    return ShownFrame();
}

std::uint32_t RawPixel(DDSURFACEDATA* sd, int x, int y) {
    cSurfaceLock lock(sd);
    if (!lock.Locked()) return 0xDEADBEEF;
    const std::uint8_t* row = lock.Bits() + static_cast<std::size_t>(y) * lock.PitchBytes();
    switch (g_DDSettings.nBpp) {
    case 8:
        return row[x];
    case 16:
        return reinterpret_cast<const std::uint16_t*>(row)[x];
    case 24:
        return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    default:
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
}

} // namespace fxt
