// The project writer's common palette and stage files: names, layout and what the player reads back.
// The writer's functions are compiled into this test program.
#include <gtest/gtest.h>

#include "tools/stage_writer.h"
#include "project/stage_file.h"
#include "fixtures/box_capture.h"
#include "records/def_test_util.h"

using namespace deftest;

namespace {

class StageWriter : public ::testing::Test {
  protected:
    void TearDown() override {
        g_Stage = cEdStage();
        g_StageOriginal = cEdStage();
        g_CommonPalette = cCommonPalette();
    }
    fixtures::TempDir dir;
};

} // namespace

TEST_F(StageWriter, RevisionNamesHaveThreeDigits) {
    EXPECT_EQ(stage_writer::StageRevisionName("s", 0), "s.stg4_000");
    EXPECT_EQ(stage_writer::StageRevisionName("s", 12), "s.stg4_012");
    EXPECT_EQ(stage_writer::StageRevisionName("s", 999), "s.stg4_999");
    EXPECT_FALSE(stage_writer::WriteStageFile(dir.path().string(), "s", 1000, cEdStage()));
}

TEST_F(StageWriter, StageFileHasVersionWordAndEndMarkerAndLoadsForPlay) {
    cEdStage stage = stage_writer::MakeFloorStage(20, 15);
    stage.m_nFrameRate = 50;
    ASSERT_TRUE(stage_writer::WriteStageFile(dir.path().string(), "demo", 0, stage));
    stage.m_nFrameRate = 40;
    ASSERT_TRUE(stage_writer::WriteStageFile(dir.path().string(), "demo", 7, stage));
    const Bytes file = fixtures::ReadAll(dir.file("data/stg4/demo.stg4_007"));
    ASSERT_GT(file.size(), 8u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{0xDC, 0x02, 0, 0}));
    EXPECT_EQ(Bytes(file.end() - 4, file.end()), (Bytes{0x15, 0xCD, 0x5B, 0x07}));

    fixtures::ScopedCurrentDir cwd(dir.path());
    fixtures::BoxCapture boxes;
    g_Stage = cEdStage();
    ASSERT_EQ(LoadStageForPlay("data\\stg4\\demo.stg4", 1, &g_StageOriginal), 1);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(g_Stage.m_nFrameRate, 40);
    EXPECT_EQ(g_Stage.m_Blocks.size(), 20u);
    EXPECT_EQ(g_Stage.m_Blocks[19].m_nY, 14);
    EXPECT_EQ(g_Stage.m_Blocks[0].m_nSolidity, 1);
    EXPECT_EQ(g_Stage.FindHero(), 0);
}

TEST_F(StageWriter, CommonPaletteFileMatchesTheDocumentedLayout) {
    cCommonPalette palette;
    palette.m_Blocks.resize(2);
    palette.m_Blocks[1] = stage_writer::MakeBlock(0, 0, 4);
    palette.m_Items.resize(3);
    palette.m_Items[1].m_nPalette = 1; // names entry 2 of the palette being written
    palette.m_Items[1].m_nPaletteEntry = 2;
    ASSERT_TRUE(stage_writer::WriteCommonPalette(dir.path().string(), palette));
    ByteWriter w;
    w.i32(732).i32(0).i32(0);
    BlockSpec none;
    none.solidity = 0;
    BlockSpec solid;
    solid.pictureNo = 4;
    w.u32(2);
    WriteBlock(w, none);
    WriteBlock(w, solid);
    w.u32(2);
    WriteChara(w, CharaSpec{});
    WriteChara(w, CharaSpec{});
    ItemSpec heir;
    heir.palette = 1;
    heir.entry = 2;
    w.u32(3);
    WriteItem(w, ItemSpec{});
    WriteItem(w, heir);
    WriteItem(w, ItemSpec{});
    EXPECT_EQ(fixtures::ReadAll(dir.file("data/CommonPalette.cplt4")), w.data());

    ASSERT_TRUE(stage_writer::WriteCommonPalette(dir.path().string(), stage_writer::DemoCommonPalette()));
    fixtures::ScopedCurrentDir cwd(dir.path());
    ASSERT_TRUE(LoadCommonPalette());
    ASSERT_EQ(g_CommonPalette.m_Blocks.size(), 2u);
    EXPECT_EQ(g_CommonPalette.m_Blocks[1].m_strText, "地面");
    EXPECT_EQ(g_CommonPalette.m_Charas[1].m_nPictureNo, 2);
    EXPECT_EQ(g_CommonPalette.m_Items[1].m_nPictureNo, 3);
}
