#include "play/stage_draw_fixture.h"

#include <filesystem>

#include <cstring>

#include <cstdlib>

#include <cstdio>

#include <cinttypes>

// The drawing tests' own picture writer and display set-up, built into this test program too.
#include "draw/display_files.cpp"

#include "draw/dd_startup.h"
#include "objects/chara_draw.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"
#include "play/draw_stage.h"
#include "project/stage_file.h"
#include "project/system_data.h"

namespace {

struct Canvas {
    int w, h;
    std::vector<std::uint8_t> px;
    Canvas(int width, int height, int fill = SP_KEY)
        : w(width), h(height), px(static_cast<std::size_t>(width) * height, static_cast<std::uint8_t>(fill)) {
    }
    void Fill(int x0, int y0, int fw, int fh, int c) {
        for (int y = std::max(0, y0); y < std::min(h, y0 + fh); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x0 + fw); ++x)
                px[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(c);
    }
};

std::vector<std::uint32_t> Colours() {
    std::vector<std::uint32_t> c(256);
    for (int i = 0; i < 256; ++i)
        c[i] = StagePaletteColour(i);
    return c;
}

} // namespace

std::uint32_t StagePaletteColour(int i) {
    static const std::uint32_t base[8] = {0x000000, 0xFF00FF, 0x0000FF, 0xFF0000,
                                          0x00FF00, 0xFFFF00, 0xFFFFFF, 0x00FFFF};
    if (i < 8) return base[i];
    if (i == 16) return 0x202020;
    // Distinct colours, exact at 16 bits too (multiples of 8 in every channel).
    return static_cast<std::uint32_t>(((i * 40) & 0xF8) << 16 | ((i * 88) & 0xF8) << 8 |
                                      ((i * 24 + 64) & 0xF8));
}

int BlockColour(int picture) {
    return 32 + picture % 60;
}
int CharaColour(int picture, int row) {
    return 100 + (picture * 7 + row) % 60;
}

void StageDrawTest::SetUp() {
    gfx::sim::ResetSimulation();
    gfx::sim::SetVerticalBlankEmulation(false);
    m_dir = MakeTestFolder("m4_stagedraw_");
    const auto colours = Colours();
    auto write = [&](const char* name, const Canvas& c) {
        WriteBmp8(m_dir + "/" + name, c.w, c.h, colours, c.px);
    };

    Canvas pal(16, 24);
    for (int i = 0; i < 256; ++i)
        pal.px[static_cast<std::size_t>(8 + i / 16) * 16 + i % 16] = static_cast<std::uint8_t>(i);
    write("palette.bmp", pal);
    Canvas block(480, 256);
    for (int n = 0; n < 120; ++n) {
        block.Fill((n % 15) * 32, (n / 15) * 32, 32, 32, BlockColour(n));
        block.Fill((n % 15) * 32, (n / 15) * 32, 4, 4, SP_WHITE);
    }
    write("block.bmp", block);
    Canvas chara(480, 256);
    for (int col = 0; col < 15; ++col)
        for (int row = 0; row < 8; ++row) {
            chara.Fill(col * 32 + 4, row * 32 + 2, 24, 30, CharaColour(col, row));
            chara.Fill(col * 32 + 4, row * 32 + 2, 4, 4, SP_WHITE);
        }
    write("chara.bmp", chara);
    Canvas mark(96, 480); // mark n in column n / 15, row n mod 15
    for (int n = 0; n < 45; ++n) {
        mark.Fill((n / 15) * 32, (n % 15) * 32, 32, 2, 200 + n);
        mark.Fill((n / 15) * 32, (n % 15) * 32 + 30, 32, 2, 200 + n);
    }
    write("mark.bmp", mark);
    Canvas status(640, 176);
    status.Fill(0, 0, 640, 20, 20);
    for (int k = 0; k < 5; ++k)
        status.Fill(k * 16 + 2, 34, 12, 12, 21 + k);
    status.Fill(2, 50, 12, 12, 29);
    status.Fill(0, 128, 50, 16, 26);
    status.Fill(64, 128, 50, 16, 26);
    status.Fill(0, 144, 50, 16, 27);
    status.Fill(64, 144, 50, 16, 27);
    status.Fill(0, 160, 50, 16, 28);
    status.Fill(64, 160, 50, 16, 28);
    write("status.bmp", status);
    Canvas word(320, 192);
    for (int d = 0; d < 10; ++d)
        word.Fill(d * 32 + 4, 164, 24, 24, 40 + d);
    write("word.bmp", word);
    Canvas bg0(96, 64, 50);
    bg0.Fill(48, 0, 48, 32, 51);
    bg0.Fill(0, 32, 48, 32, 52);
    bg0.Fill(48, 32, 48, 32, 53);
    write("bg0.bmp", bg0);
    Canvas bg1(64, 64);
    bg1.Fill(0, 0, 16, 16, 54);
    write("bg1.bmp", bg1);
    Canvas item(480, 128);
    for (int n = 0; n < 60; ++n)
        item.Fill((n % 15) * 32 + 8, (n / 15) * 32 + 8, 16, 16, 60 + n % 30);
    write("item.bmp", item);
    Canvas shot(480, 64);
    for (int n = 0; n < 120; ++n)
        shot.Fill((n % 30) * 16 + 4, (n / 30) * 16 + 4, 8, 8, 90 + n % 10);
    write("shot.bmp", shot);

    for (int k = 0; k < SYSTEM_BITMAP_COUNT; ++k) {
        m_Table[k] = SURFACEDEF{};
        m_Table[k].bColorKey = 1;
        m_Table[k].nWidth = m_Table[k].nHeight = 8;
    }
    auto file = [&](int k, const char* name, int sysmem = 0, int mirror = 0) {
        std::snprintf(m_Table[k].szFileName, sizeof m_Table[k].szFileName, "%s/%s", m_dir.c_str(), name);
        m_Table[k].nDDMemory = sysmem;
        m_Table[k].nMirrorCellW = mirror;
    };
    file(0, "palette.bmp", 1);
    m_Table[0].nD3DMemory = DTMEMORYTYPE_SYSTEM;
    file(2, "block.bmp");
    file(3, "block.bmp", 1);
    for (int g = 0; g < 8; ++g) {
        file(4 + 2 * g, "chara.bmp");
        file(5 + 2 * g, "chara.bmp", 0, 32);
        file(22 + 2 * g, "chara.bmp", 1);
        file(23 + 2 * g, "chara.bmp", 1, 32);
    }
    file(20, "shot.bmp");
    file(21, "shot.bmp", 0, 16);
    file(40, "item.bmp");
    file(43, "mark.bmp");
    file(44, "mark.bmp", 1);
    file(46, "status.bmp");
    file(51, "word.bmp");
    file(55, "bg0.bmp");
    file(56, "bg1.bmp");
    for (int k : {63, 64}) {
        m_Table[k].nWidth = 256;
        m_Table[k].nHeight = 960;
        m_Table[k].nDDMemory = 1;
    }
    for (int k = 65; k <= 68; ++k) {
        m_Table[k].nWidth = 640;
        m_Table[k].nHeight = 480;
    }
    gfx::ClearPublishedFrames();
}

void StageDrawTest::TearDown() {
    ReleaseStagePictures();
    ReleaseCharaWorkSurface();
    DDReleaseSurface(&g_DarkSD);
    DDReleaseSurface(&g_HoleSD);
    CloseTestDisplay(g_SystemSurfaces, SYSTEM_BITMAP_COUNT);
    g_Charas.clear();
    g_Items.clear();
    g_Heroes.clear();
    m_Scene.reset();
    g_lpGameScene = nullptr;
    g_Blocks.clear();
    g_Stage = cEdStage{};
    g_SystemData = cSystemData{};
    ResetStageDrawing();
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

bool StageDrawTest::Open(int bD3D, int nBpp, int widthBlocks, int heightBlocks) {
    if (!OpenTestDisplay(bD3D, nBpp, bD3D ? 1 : 0, g_SystemSurfaces, m_Table, SYSTEM_BITMAP_COUNT, 0))
        return false;
    std::vector<int> all;
    for (int k = 0; k < SYSTEM_BITMAP_COUNT; ++k)
        if (k < 69) all.push_back(k);
    if (!DDLoadSystemSurfaces(g_SystemSurfaces, all.data(), static_cast<int>(all.size()))) return false;
    SelectObjectSheets();
    g_Stage.m_nWidth = widthBlocks;
    g_Stage.m_nHeight = heightBlocks;
    g_Stage.m_Backgrounds.clear();
    m_Scene = std::make_unique<cGameScene>();
    g_lpGameScene = m_Scene.get();
    m_Scene->m_ScrollX.SetUp(0, widthBlocks, widthBlocks * BLOCK_SIZE + VIEW_WIDTH);
    m_Scene->m_ScrollY.SetUp(1, heightBlocks, heightBlocks * BLOCK_SIZE + VIEW_WIDTH);
    ResetBlockGrid(m_Scene->m_ScrollX.m_nGridStride, m_Scene->m_ScrollY.m_nGridExtent);
    SetView(0, 0);
    return true;
}

cBlock& StageDrawTest::PutBlock(int column, int row, int picture, int layer) {
    const int c = column + STAGE_MARGIN_BLOCKS, r = row + STAGE_MARGIN_BLOCKS;
    cBlock& b = g_Blocks[(static_cast<std::size_t>(r) << g_lpGameScene->m_ScrollX.m_nStrideExp) + c];
    b.m_nPictureA = picture;
    b.m_nLayer = static_cast<std::uint8_t>(layer);
    return b;
}

void StageDrawTest::SetView(double x, double y) {
    m_Scene->m_ScrollX.m_dPos = x + STAGE_MARGIN_BLOCKS * BLOCK_SIZE;
    m_Scene->m_ScrollY.m_dPos = y + STAGE_MARGIN_BLOCKS * BLOCK_SIZE;
}

std::vector<std::uint32_t> StageDrawTest::PresentAndRead() {
    EXPECT_TRUE(PresentBackBuffer());
    return ShownFrame();
}

int StageDrawTest::CompareGolden(const std::string& name, const std::vector<std::uint32_t>& frame) {
    const std::string path = std::string(M4_SOURCE_DIR) + "/tests/play/golden/" + name + ".rle";
    WriteFramePpm("stage_" + name, frame);
    const char* update = std::getenv("M4_UPDATE_GOLDEN");
    if (update && std::strcmp(update, "1") == 0) {
        fs::create_directories(fs::path(path).parent_path());
        WriteRle(path, frame);
        return 0;
    }
    const auto expected = ReadRle(path);
    if (expected.size() != frame.size()) return static_cast<int>(frame.size());
    int diff = 0;
    for (std::size_t i = 0; i < frame.size(); ++i)
        if ((expected[i] & 0xFFFFFF) != (frame[i] & 0xFFFFFF)) ++diff;
    return diff;
}

std::uint64_t GoldenChecksum(const std::vector<std::uint32_t>& frame) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint32_t p : frame)
        for (int shift : {16, 8, 0}) {
            h ^= (p >> shift) & 0xFF;
            h *= 1099511628211ull;
        }
    return h;
}

void ExpectGoldenSum(const std::string& name, const std::vector<std::uint32_t>& frame, const GoldenSum* table,
                     std::size_t count) {
    const std::uint64_t sum = GoldenChecksum(frame);
    const char* update = std::getenv("M4_UPDATE_GOLDEN");
    const bool updating = update && std::strcmp(update, "1") == 0;
    const GoldenSum* g = nullptr;
    for (std::size_t k = 0; k < count; ++k)
        if (name == table[k].name) g = &table[k];
    if (updating || !g || g->sum != sum) {
        const std::string dir = std::string(M4_BINARY_DIR) + "/golden_review";
        std::filesystem::create_directories(dir);
        WriteBmp24(dir + "/" + name + ".bmp", 640, 480, frame);
    }
    if (updating) {
        std::printf("    {\"%s\", 0x%016" PRIx64 "ull},\n", name.c_str(), sum);
        return;
    }
    ASSERT_NE(g, nullptr) << "no golden row for " << name;
    EXPECT_EQ(g->sum, sum) << name << " differs (now 0x" << std::hex << sum << ", written to golden_review)";
}
