// Golden frames of the stage-result window and of ranking tables with their new-record marks, on
// both back-ends, kept as 64-bit checksums. M4_UPDATE_GOLDEN=1 prints the table rows of the frames
// drawn now and writes them as BMP files into the build folder (golden_review/) for a look by eye;
// a frame that differs from its row is written there too.
#include "app/scene.h"
#include "app/startup_state.h"
#include "draw/font.h"
#include "menus/ranking_draw.h"
#include "menus/ranking_store.h"
#include "menus/result_window.h"
#include "project/stage_file.h"
#include "project/system_data.h"

// The stage drawing tests' display set-up and pictures, built into this test program too.
#include "play/stage_draw_fixture.cpp"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The frames as looked at once; the rows come from M4_UPDATE_GOLDEN=1.
constexpr GoldenSum kGoldens[] = {
    {"result_dd", 0x06b4010f1effc8fdull},
    {"result_d3d", 0x5998df2a37c17f40ull},
    {"ranking_dd", 0xc1c954b61a4a0f5full},
    {"ranking_d3d", 0x7861e6a76aad2ad6ull},
};

void ExpectGolden(const std::string& name, const std::vector<std::uint32_t>& frame) {
    ExpectGoldenSum(name, frame, kGoldens);
}

constexpr int WINDOW_PICTURE = 47; // a slot the stage drawing does not use

class ResultGoldens : public StageDrawTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        StageDrawTest::SetUp();
        // The accessory picture: the new-record mark, a red square framed in yellow, at (16, 48).
        std::vector<std::uint8_t> accessory(64 * 64, SP_KEY);
        for (int y = 48; y < 64; ++y)
            for (int x = 16; x < 32; ++x)
                accessory[static_cast<std::size_t>(y) * 64 + x] =
                    (x == 16 || x == 31 || y == 48 || y == 63) ? SP_YELLOW : SP_RED;
        std::vector<std::uint8_t> window(640 * 480, SP_BLUE); // a box shows its own part of it
        std::vector<std::uint32_t> colours(256);
        for (int i = 0; i < 256; ++i)
            colours[static_cast<std::size_t>(i)] = StagePaletteColour(i);
        WriteBmp8(m_dir + "/accessory.bmp", 64, 64, colours, accessory);
        WriteBmp8(m_dir + "/window.bmp", 640, 480, colours, window);
        for (auto [k, file] : {std::pair{SYSTEM_SURFACE_ACCESSORY, "accessory.bmp"},
                               std::pair{WINDOW_PICTURE, "window.bmp"}}) {
            std::snprintf(m_Table[k].szFileName, sizeof m_Table[k].szFileName, "%s/%s", m_dir.c_str(), file);
            m_Table[k].bColorKey = 1;
        }
        g_SystemData.SetDefaults();
        g_nGameMode = 0;
        g_bStartFile = 0;
    }
    void TearDown() override {
        g_Font.Release();
        g_Stage.m_ResultItems.clear();
        StageDrawTest::TearDown();
        g_SystemData.SetDefaults();
    }
    bool OpenWithFont() {
        if (!Open(GetParam())) return false;
        g_Font.Create("ＭＳ ゴシック", 0, 16, 16, 16, SP_WHITE, &g_SystemSurfaces[WINDOW_PICTURE], 1,
                      SP_YELLOW, nullptr, 1);
        DDClear(&g_BackBuffer, 16);
        return true;
    }
    std::string Name(const char* what) const { return std::string(what) + (GetParam() ? "_d3d" : "_dd"); }
};

// All five result values with marks for the two genres that took a place (score and clear time):
// the marks stack on the first two lines.
TEST_P(ResultGoldens, ResultWindowWithTwoMarks) {
    ASSERT_TRUE(OpenWithFont());
    g_Stage.m_ResultItems.assign(5, 1);
    g_SystemData.m_vRankingModes.at(0).m_vbGenres.assign({1, 1, 1, 1, 1});
    const std::int32_t places[5] = {0, -1, 3, -1, -1};
    DrawStageResult(&g_BackBuffer, 160, 96, places, {123456, 87, 12345, 5, -3});
    ExpectGolden(Name("result"), PresentAndRead());
}

// A score table (five places taken, the new record on place 2) beside a clear-time table (three
// places, the new record on place 1), with the genre hint under each.
TEST_P(ResultGoldens, RankingTablesWithMarks) {
    ASSERT_TRUE(OpenWithFont());
    g_SystemData.m_vRankingModes.at(0).m_vbGenres.assign({1, 1, 1, 1, 1});
    cRankingTable score;
    score.Normalize();
    score.bDescending = 1;
    for (auto [name, value] : {std::pair{"ALICE", 98765}, std::pair{"BOB", 50000}, std::pair{"CAROL", 1200},
                               std::pair{"DAVE", 99999}, std::pair{"EVE", 7}})
        score.Register(name, value);
    cRankingTable time;
    time.Normalize();
    for (auto [name, value] : {std::pair{"ZED", 12345}, std::pair{"AMY", 599999}, std::pair{"KIM", 4200}})
        time.Register(name, value);
    DrawRanking(score, &g_BackBuffer, 20, 40, 0, 1);
    DrawRanking(time, &g_BackBuffer, 330, 40, 2, 0);
    ExpectGolden(Name("ranking"), PresentAndRead());
}

INSTANTIATE_TEST_SUITE_P(Backends, ResultGoldens, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "D3D" : "DD"; });

} // namespace
