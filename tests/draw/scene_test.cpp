// The fixed scene on every back-end and depth: golden frames, and recovery after a loss giving the
// same frame again.
#include "draw_fixture.h"

#include "app/log.h"
#include "platform/gfx/sim.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

class SceneTest : public DrawTest, public ::testing::WithParamInterface<DrawConfig> {};

TEST_P(SceneTest, MatchesTheGoldenFrame) {
    const DrawConfig& cfg = GetParam();
    OPEN_OR_SKIP(cfg);
    DrawScene();
    const auto frame = PresentAndRead();
    EXPECT_EQ(CompareGolden(cfg.name, frame), 0) << cfg.name;
}

TEST_P(SceneTest, ALossFollowedByTheRestoreGivesTheSameNextFrame) {
    const DrawConfig& cfg = GetParam();
    OPEN_OR_SKIP(cfg);
    DrawScene();
    const auto before = PresentAndRead();
    if (cfg.bD3D) {
        gfx::sim::LoseDevice(1);
        DrawScene();
        EXPECT_FALSE(DDPresent(0, 0, nullptr));
        // Still lost: the restore refuses after releasing the default-pool surfaces.
        EXPECT_FALSE(DDRestoreSurface());
        EXPECT_TRUE(DDRestoreSurface());
        EXPECT_EQ(g_TestSurfaces[SYS_WORK].bLost, 1);
        EXPECT_EQ(g_TestSurfaces[SYS_SHEET].bLost, 0);
    } else {
        gfx::sim::LoseSurfaces();
        EXPECT_TRUE(DDRestore());
        // Blank video-memory surfaces come back marked for their owners to draw again.
        EXPECT_EQ(g_TestSurfaces[SYS_WORK].bLost, 1);
        EXPECT_EQ(g_TestSurfaces[SYS_SYSMEM].bLost, 0);
        EXPECT_EQ(g_TestSurfaces[SYS_SHEET].bLost, 0);
    }
    DrawScene();
    const auto after = PresentAndRead();
    int diff = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        diff += (before[i] & 0xFFFFFF) != (after[i] & 0xFFFFFF);
    EXPECT_EQ(diff, 0) << cfg.name;
}

// A picture slot the project leaves without a file (no stage picture, no world-map background) is
// an optional record with neither a file nor a size: it is left without a surface, no surface of
// size 0 is asked for and no error is reported, and a draw from it draws nothing.
TEST_P(SceneTest, AnEmptyPictureSlotIsLeftWithoutASurface) {
    const DrawConfig& cfg = GetParam();
    OPEN_OR_SKIP(cfg);
    char reportBefore[LOG_PATH_SIZE];
    std::memcpy(reportBefore, g_szReportPath, sizeof reportBefore);
    const std::string report = m_dir + "/Report.txt";
    ASSERT_TRUE(ReportOpen(report.c_str()));
    SURFACEDEF& slot = g_TestTable[SYS_WORK];
    slot = SURFACEDEF{};
    slot.bColorKey = 1;
    slot.bNoError = 1;
    const int one[] = {SYS_WORK};
    EXPECT_TRUE(DDLoadSystemSurfaces(g_TestSurfaces, one, 1));
    const DDSURFACEDATA& sd = g_TestSurfaces[SYS_WORK];
    EXPECT_TRUE(!sd.lpDT || !sd.lpDT->lpTexture) << cfg.name;
    EXPECT_TRUE(!sd.lpDDSide || !sd.lpDDSide->lpSurface) << cfg.name;
    DrawScene();
    const auto before = PresentAndRead();
    DDBlt(&g_BackBuffer, 0, 0, 64, 64, &g_TestSurfaces[SYS_WORK], 0, 0, 0);
    EXPECT_EQ(PresentAndRead(), before) << cfg.name;
    std::ifstream in(report, std::ios::binary);
    const std::string lines((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(lines, "") << cfg.name;
    std::memcpy(g_szReportPath, reportBefore, sizeof reportBefore);
}

// A record left by a failed creation (its side record and the size asked, no surface) neither
// draws nor is drawn on, whichever blit names it.
TEST_P(SceneTest, ARecordWithoutItsSurfaceNeitherDrawsNorIsDrawnOn) {
    const DrawConfig& cfg = GetParam();
    OPEN_OR_SKIP(cfg);
    DDSURFACEDATA failed{};
    DDMakeSideRecord(&failed);
    failed.nWidth = failed.nHeight = 64;
    DrawScene();
    const auto before = PresentAndRead();
    DDBlt(&g_BackBuffer, 0, 0, 64, 64, &failed, 0, 0, 0);
    DDBltStretch(&g_BackBuffer, 0, 0, 128, 128, &failed, 0, 0, 64, 64, 1);
    DDBlt(&failed, 0, 0, 64, 64, &g_BackBuffer, 0, 0, 0);
    DDBltStretch(&failed, 0, 0, 32, 32, &g_BackBuffer, 0, 0, 64, 64, 0);
    EXPECT_EQ(PresentAndRead(), before) << cfg.name;
    DDReleaseSurface(&failed);
}

INSTANTIATE_TEST_SUITE_P(AllDisplays, SceneTest, ::testing::ValuesIn(kAllConfigs),
                         [](const ::testing::TestParamInfo<DrawConfig>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
