// A stage brought up for drawing tests: small pictures written on the spot into the slots of the
// system-surface table that the stage drawing reads, the display on either back-end, a play scene
// with its view over a stage of blocks, and golden frames in tests/play/golden
// (M4_UPDATE_GOLDEN=1 rewrites them).
#pragma once

#include "draw/draw.h"
#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/project_database.h"
#include "project/system_bitmaps.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Palette entries of the test pictures.
enum : int { SP_BLACK = 0, SP_KEY = 1, SP_BLUE = 2, SP_RED = 3, SP_GREEN = 4, SP_YELLOW = 5, SP_WHITE = 6 };
std::uint32_t StagePaletteColour(int index); // 0x00RRGGBB

// The colour a block picture n fills its cell with (a palette index), and likewise a character cell.
int BlockColour(int picture);
int CharaColour(int picture, int row);

// A golden frame's 64-bit checksum (FNV-1a over the colour bytes), as looked at once.
struct GoldenSum {
    const char* name;
    std::uint64_t sum;
};
std::uint64_t GoldenChecksum(const std::vector<std::uint32_t>& frame);
// Compares a 640 x 480 frame's checksum with its row of `table`. With M4_UPDATE_GOLDEN=1 the row is
// printed instead; then, and for a frame that differs, the frame is written as a BMP into the build
// folder's golden_review/ for a look by eye.
void ExpectGoldenSum(const std::string& name, const std::vector<std::uint32_t>& frame, const GoldenSum* table,
                     std::size_t count);
template <std::size_t N>
void ExpectGoldenSum(const std::string& name, const std::vector<std::uint32_t>& frame,
                     const GoldenSum (&table)[N]) {
    ExpectGoldenSum(name, frame, table, N);
}

class StageDrawTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Display at 32 bits (or the given depth) over the chosen back-end, pictures loaded, a stage of
    // w x h blocks with its view at the stage's top-left corner.
    bool Open(int bD3D, int nBpp = 32, int widthBlocks = 30, int heightBlocks = 20);
    // Places block picture `picture` at stage cell (column, row).
    static cBlock& PutBlock(int column, int row, int picture, int layer = 0);
    // Places the view's top-left at stage pixel (x, y) of the stage itself (margin excluded).
    void SetView(double x, double y);
    std::vector<std::uint32_t> PresentAndRead();
    // The pixel at (x, y) of a frame as 0x00RRGGBB.
    static std::uint32_t At(const std::vector<std::uint32_t>& f, int x, int y) {
        return f[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF;
    }
    // Differing pixels against tests/play/golden/<name>.rle (a copy goes to the build folder).
    static int CompareGolden(const std::string& name, const std::vector<std::uint32_t>& frame);

    std::string m_dir;
    std::unique_ptr<cGameScene> m_Scene;
    SURFACEDEF m_Table[SYSTEM_BITMAP_COUNT];
};

// An effect list of the project database: its default entry 0, then one record per row (kind and the
// five parameters).
template <class Record>
void FillEffectList(cCheckedVector<Record>& list, std::initializer_list<std::array<int, 6>> rows) {
    list.clear();
    list.push_back(Record::ListDefault());
    for (const auto& e : rows) {
        Record r;
        r.nKind = e[0];
        for (int k = 0; k < 5; ++k)
            r.nParam[k] = e[k + 1];
        list.push_back(r);
    }
}
