// Effects that draw a piece of a mirrored surface show the mirrored cell, as the plain copy does: on
// every back-end and depth from a surface made with mirrored cells, and under Direct3D also from a
// record that stands for another surface and turns its cells round at drawing time.
#include "draw/dd_effects.h"
#include "draw_fixture.h"

namespace {

const std::uint32_t kBlue = 0x0000FF, kRed = 0xFF0000;

class MirrorEffectsTest : public DrawTest, public ::testing::WithParamInterface<DrawConfig> {
  protected:
    // Draws the first cell of `mirror` turned by nothing and half translucent over blue, and checks
    // that both show the cell mirrored: its red upright moves from columns 2..7 to 24..29.
    void CheckMirroredCell(DDSURFACEDATA* mirror) {
        DDClear(&g_BackBuffer, PAL_BLUE);
        // Turned about the cell's centre, which lands on (416, 116).
        DDBltRotate(&g_BackBuffer, 416, 116, 32, 32, 16, 16, 0, mirror, 0, 0, 1);
        // 8 bits needs a blend table for translucency and draws nothing without one.
        DDBltAlpha(&g_BackBuffer, 500, 100, 32, 32, mirror, 0, 0, 1, nullptr, 128);
        const auto f = PresentAndRead();
        EXPECT_EQ(At(f, 403, 110), kBlue);
        EXPECT_EQ(At(f, 424, 110), kRed);
        EXPECT_EQ(At(f, 429, 110), kRed);
        EXPECT_EQ(At(f, 430, 110), kBlue);
        EXPECT_EQ(At(f, 503, 110), kBlue);
        EXPECT_EQ(At(f, 530, 110), kBlue);
        if (m_cfg.nBpp == 8) return;
        // Red over blue at half strength: both channels near the middle.
        for (int x : {524, 529}) {
            const std::uint32_t p = At(f, x, 110);
            EXPECT_NEAR(static_cast<int>(p >> 16), 0x80, 0x10) << x;
            EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 0x10) << x;
        }
    }
};

TEST_P(MirrorEffectsTest, FromASurfaceWithMirroredCells) {
    OPEN_OR_SKIP(GetParam());
    CheckMirroredCell(&g_TestSurfaces[SYS_MIRROR]);
}

TEST_P(MirrorEffectsTest, FromARecordStandingForAnother) {
    if (!GetParam().bD3D) GTEST_SKIP() << "records stand for others under Direct3D only";
    OPEN_OR_SKIP(GetParam());
    DDSURFACEDATA view;
    ASSERT_TRUE(DDCreateSurface(&view, 64, 32, 1, 0, 0, 1, 0)); // no resources of its own
    view.lpMirrorSrc = &g_TestSurfaces[SYS_SHEET];
    view.nMirrorCellW = 32;
    CheckMirroredCell(&view);
    DDReleaseSurface(&view);
}

INSTANTIATE_TEST_SUITE_P(AllDisplays, MirrorEffectsTest, ::testing::ValuesIn(kAllConfigs),
                         [](const ::testing::TestParamInfo<DrawConfig>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
