#include "display_files.h"

#include "platform/gfx/presenter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
std::vector<std::uint8_t> Header(int w, int h, int bits, int colours, std::size_t imageBytes) {
    std::vector<std::uint8_t> b;
    const std::uint32_t offset = 14 + 40 + colours * 4;
    b.push_back('B');
    b.push_back('M');
    Put32(b, static_cast<std::uint32_t>(offset + imageBytes));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, static_cast<std::uint32_t>(bits));
    Put32(b, 0);
    Put32(b, static_cast<std::uint32_t>(imageBytes));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, static_cast<std::uint32_t>(colours));
    Put32(b, 0);
    return b;
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

void WriteBmp8(const std::string& path, int w, int h, const std::vector<std::uint32_t>& colours,
               const std::vector<std::uint8_t>& indices) {
    const int stride = (w + 3) & ~3;
    auto b = Header(w, h, 8, static_cast<int>(colours.size()), static_cast<std::size_t>(stride) * h);
    for (std::uint32_t c : colours)
        Put32(b, c & 0xFFFFFF);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < stride; ++x)
            b.push_back(x < w ? indices[static_cast<std::size_t>(y) * w + x] : 0);
    }
    WriteFile(path, b);
}

void WriteBmp24(const std::string& path, int w, int h, const std::vector<std::uint32_t>& rgb) {
    const int stride = (w * 3 + 3) & ~3;
    auto b = Header(w, h, 24, 0, static_cast<std::size_t>(stride) * h);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = rgb[static_cast<std::size_t>(y) * w + x];
            b.push_back(c & 0xFF);
            b.push_back((c >> 8) & 0xFF);
            b.push_back((c >> 16) & 0xFF);
        }
        for (int x = w * 3; x < stride; ++x)
            b.push_back(0);
    }
    WriteFile(path, b);
}

std::string MakeTestFolder(const std::string& prefix) {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& ch : test)
        if (ch == '/') ch = '_';
    const std::string dir =
        (fs::temp_directory_path() / (prefix + std::to_string(::getpid()) + "_" + test)).string();
    fs::create_directories(dir);
    return dir;
}

bool OpenTestDisplay(int bD3D, int nBpp, int nWindowMode, DDSURFACEDATA* surfaces, SURFACEDEF* table,
                     int count, int paletteMode) {
    if (!DDInit(bD3D, nullptr, 640, 480, nBpp, 0, nWindowMode, 1, 60, 0, surfaces, table, count, 0))
        return false;
    if (!DDLoadPaletteFromFile(g_BasePalette, table[0].szFileName, paletteMode)) return false;
    std::memcpy(g_Palette, g_BasePalette, sizeof g_Palette);
    return DDSetUpTransmit(&table[0], false, 0, 0, 0);
}

void CloseTestDisplay(DDSURFACEDATA* surfaces, int count) {
    DDEnd();
    for (int i = 0; i < count; ++i)
        surfaces[i] = DDSURFACEDATA{};
    g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
}

bool PresentBackBuffer() {
    if (lpDTCon) return DDPresent(0, 0, nullptr);
    DDPresentDirectDraw(1);
    return true;
}

std::vector<std::uint32_t> ShownFrame(int* w, int* h) {
    std::vector<std::uint32_t> frame;
    int width = 0, height = 0;
    EXPECT_TRUE(gfx::ReadLastFrame(frame, width, height));
    frame.resize(640 * 480);
    for (auto& p : frame)
        p &= 0xFFFFFF;
    if (w) *w = width;
    if (h) *h = height;
    return frame;
}

void WriteFramePpm(const std::string& name, const std::vector<std::uint32_t>& frame) {
    const std::string outDir = std::string(M4_BINARY_DIR) + "/draw_frames";
    fs::create_directories(outDir);
    std::ofstream f(outDir + "/" + name + ".ppm", std::ios::binary);
    f << "P6\n640 480\n255\n";
    for (std::uint32_t p : frame) {
        const char rgb[3] = {static_cast<char>((p >> 16) & 0xFF), static_cast<char>((p >> 8) & 0xFF),
                             static_cast<char>(p & 0xFF)};
        f.write(rgb, 3);
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
