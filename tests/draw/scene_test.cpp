// The fixed scene on every back-end and depth: golden frames, and recovery after a loss giving the
// same frame again.
#include "draw_fixture.h"

#include "platform/gfx/sim.h"

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

INSTANTIATE_TEST_SUITE_P(AllDisplays, SceneTest, ::testing::ValuesIn(kAllConfigs),
                         [](const ::testing::TestParamInfo<DrawConfig>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
