#include "effects_fixture.h"

#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

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

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void WriteBmp8(const std::string& path, int w, int h, const std::vector<std::uint8_t>& idx) {
    const int stride = (w + 3) & ~3;
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    std::vector<std::uint8_t> b{'B', 'M'};
    Put32(b, offset + static_cast<std::uint32_t>(stride * h));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, 0);
    Put32(b, static_cast<std::uint32_t>(stride * h));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 256);
    Put32(b, 0);
    for (int i = 0; i < 256; ++i)
        Put32(b, Colour(i));
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < stride; ++x)
            b.push_back(x < w ? idx[static_cast<std::size_t>(y) * w + x] : 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<std::uint32_t> ReadRle(const std::string& path) {
    std::vector<std::uint32_t> out;
    std::ifstream f(path, std::ios::binary);
    char magic[8] = {};
    if (!f.read(magic, 8) || std::memcmp(magic, "M4RLE01\n", 8) != 0) return out;
    std::uint32_t w = 0, h = 0;
    f.read(reinterpret_cast<char*>(&w), 4);
    f.read(reinterpret_cast<char*>(&h), 4);
    if (w > 4096 || h > 4096) return {};
    while (out.size() < static_cast<std::size_t>(w) * h) {
        std::uint32_t n = 0, v = 0;
        if (!f.read(reinterpret_cast<char*>(&n), 4) || !f.read(reinterpret_cast<char*>(&v), 4)) return {};
        if (n > w * h - out.size()) return {};
        out.insert(out.end(), n, v);
    }
    return out;
}

void WriteRle(const std::string& path, const std::vector<std::uint32_t>& frame) {
    std::ofstream f(path, std::ios::binary);
    f.write("M4RLE01\n", 8);
    const std::uint32_t w = 640, h = 480;
    f.write(reinterpret_cast<const char*>(&w), 4);
    f.write(reinterpret_cast<const char*>(&h), 4);
    for (std::size_t i = 0; i < frame.size();) {
        std::uint32_t n = 1;
        while (i + n < frame.size() && (frame[i + n] & 0xFFFFFF) == (frame[i] & 0xFFFFFF))
            ++n;
        const std::uint32_t v = frame[i] & 0xFFFFFF;
        f.write(reinterpret_cast<const char*>(&n), 4);
        f.write(reinterpret_cast<const char*>(&v), 4);
        i += n;
    }
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
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& ch : test)
        if (ch == '/') ch = '_';
    m_dir = (fs::temp_directory_path() / ("m4_fx_" + std::to_string(::getpid()) + "_" + test)).string();
    fs::create_directories(m_dir);

    std::vector<std::uint8_t> pal(16 * 24, KEY);
    for (int i = 0; i < 256; ++i)
        pal[static_cast<std::size_t>(8 + i / 16) * 16 + i % 16] = static_cast<std::uint8_t>(i);
    WriteBmp8(m_dir + "/palette.bmp", 16, 24, pal);
    std::vector<std::uint8_t> pic(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            pic[static_cast<std::size_t>(y) * 64 + x] = static_cast<std::uint8_t>(PictureIndex(x, y));
    WriteBmp8(m_dir + "/picture.bmp", 64, 64, pic);
    std::vector<std::uint8_t> icons(416 * 16, KEY);
    for (int k = 0; k < 26; ++k)
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x)
                icons[static_cast<std::size_t>(y) * 416 + k * 16 + x] =
                    static_cast<std::uint8_t>(RED + k % 5);
    WriteBmp8(m_dir + "/icons.bmp", 416, 16, icons);
    std::vector<std::uint8_t> box(256 * 128, GREY);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x)
            if (x < 2 || y < 2 || x >= 254 || y >= 126) box[static_cast<std::size_t>(y) * 256 + x] = WHITE;
    WriteBmp8(m_dir + "/box.bmp", 256, 128, box);

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
    DDEnd();
    for (auto& sd : g_Surfaces)
        sd = DDSURFACEDATA{};
    g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

bool DisplayTest::Open(const Display& d) {
    m_display = d;
    if (!DDInit(d.bD3D, nullptr, 640, 480, d.nBpp, 0, d.nWindowMode, 1, 60, 0, g_Surfaces, g_Table, S_COUNT,
                0))
        return false;
    if (!DDLoadPaletteFromFile(g_BasePalette, g_Table[S_PALETTE].szFileName, 0)) return false;
    std::memcpy(g_Palette, g_BasePalette, sizeof g_Palette);
    if (!DDSetUpTransmit(&g_Table[S_PALETTE], false, 0, 0, 0)) return false;
    const int all[S_COUNT] = {0, 1, 2, 3, 4, 5};
    return DDLoadSystemSurfaces(g_Surfaces, all, S_COUNT);
}

std::vector<std::uint32_t> DisplayTest::Frame() {
    if (lpDTCon)
        DDPresent(0, 0, nullptr);
    else
        DDPresentDirectDraw(1);
    std::vector<std::uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(gfx::ReadLastFrame(frame, w, h));
    frame.resize(640 * 480);
    for (auto& p : frame)
        p &= 0xFFFFFF;
    return frame;
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

void WriteFramePpm(const std::string& name, const std::vector<std::uint32_t>& frame) {
    const std::string outDir = std::string(M4_BINARY_DIR) + "/draw_frames";
    fs::create_directories(outDir);
    {
        std::ofstream f(outDir + "/" + name + ".ppm", std::ios::binary);
        f << "P6\n640 480\n255\n";
        for (std::uint32_t p : frame) {
            const char rgb[3] = {static_cast<char>((p >> 16) & 0xFF), static_cast<char>((p >> 8) & 0xFF),
                                 static_cast<char>(p & 0xFF)};
            f.write(rgb, 3);
        }
    }
}

int CompareGolden(const std::string& name, const std::vector<std::uint32_t>& frame) {
    const std::string golden = std::string(M4_SOURCE_DIR) + "/tests/draw/golden/" + name + ".rle";
    WriteFramePpm(name, frame);
    const char* update = std::getenv("M4_UPDATE_GOLDEN");
    if (update && std::strcmp(update, "1") == 0) {
        WriteRle(golden, frame);
        return 0;
    }
    const auto expected = ReadRle(golden);
    if (expected.size() != frame.size()) return static_cast<int>(frame.size());
    int diff = 0;
    for (std::size_t i = 0; i < frame.size(); ++i)
        if ((expected[i] & 0xFFFFFF) != (frame[i] & 0xFFFFFF)) ++diff;
    return diff;
}

} // namespace fxt
