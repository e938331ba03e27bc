#include "play/load_play_file.h"

#include "app/startup_state.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "play/replay.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class LoadPlayFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_bStartFile = 0;
        g_SystemData = cSystemData();
        g_SystemData.m_vnStartLives.assign(4, 3);
        g_SystemData.m_vnInfiniteLives.assign(4, 0);
        cEdStage stage;
        cEdCharaDef hero;
        hero.m_nController = 0;
        hero.m_nPictureNo = 1;
        stage.m_Charas.push_back(hero);
        ASSERT_TRUE(stage.SaveFile(dir.file("c01-1.stg4_001")));
        cEdStage noHero;
        ASSERT_TRUE(noHero.SaveFile(dir.file("empty.stg4_000")));
    }
    void TearDown() override {
        g_SystemData = cSystemData();
        g_bStartFile = 0;
    }
    fixtures::TempDir dir;
};

} // namespace

TEST_F(LoadPlayFileTest, RecognisesReplayPaths) {
    EXPECT_TRUE(IsReplayPath("user_data\\rpl4\\a_00.rpl4_732"));
    EXPECT_TRUE(IsReplayPath("A.RPL4_100"));
    EXPECT_FALSE(IsReplayPath("data\\stg4\\a.stg4_001"));
    EXPECT_FALSE(IsReplayPath("noext"));
}

TEST_F(LoadPlayFileTest, StageForFreePlay) {
    g_SaveData.m_nScore = 99;
    ASSERT_TRUE(LoadPlayFile(dir.file("c01-1.stg4_001"), 0));
    EXPECT_EQ(g_SaveData.m_nScore, 0);
    EXPECT_EQ(g_SaveData.m_nStageNo, 1);
    EXPECT_EQ(g_SaveData.m_nStagePart, 1);
    EXPECT_EQ(g_SaveData.m_nStartLives, 3);
    EXPECT_EQ(g_SaveData.m_nLives, 2);
    EXPECT_EQ(g_SaveData.m_nLastSlot, -1);
    EXPECT_EQ(g_SaveData.g_strRankingName, "aaa");
    EXPECT_EQ(g_SaveData.m_bNumberedStage, 1);
    EXPECT_TRUE(g_Stage.HasHero());

    g_bStartFile = 1;
    ASSERT_TRUE(LoadPlayFile(dir.file("c01-1.stg4_001"), 0));
    EXPECT_EQ(g_SaveData.m_nLives, UNLIMITED_LIVES);
}

TEST_F(LoadPlayFileTest, FailuresLeaveTheSaveReset) {
    g_SaveData.m_nScore = 99;
    EXPECT_FALSE(LoadPlayFile(dir.file("missing.stg4_000"), 0));
    EXPECT_EQ(g_SaveData.m_nScore, 0);
    EXPECT_FALSE(LoadPlayFile(dir.file("empty.stg4_000"), 0));
    EXPECT_FALSE(LoadPlayFile(std::string(300, 'a'), 0));
}

TEST_F(LoadPlayFileTest, ReplayWithItsStage) {
    cReplay r;
    r.m_nSeed = 4242;
    r.RecordFrame(1, 0);
    cEdStage running, original;
    cEdCharaDef hero;
    hero.m_nController = 0;
    hero.m_nPictureNo = 1;
    running.m_Charas.push_back(hero);
    cSaveData snap;
    ResetSaveData(snap);
    snap.m_nStageNo = 4;
    snap.m_nStagePart = 2;
    snap.m_nStartLives = 8;
    snap.m_nLives = 7;
    snap.m_strStageName = "data\\stg4\\cave.";
    ASSERT_EQ(WriteReplayFile(r, dir.file("c01_00.rpl4_732"), running, original, snap), 1);
    // The replay plays with the save data of its start, from the menus or from a start file.
    for (const int startFile : {0, 1}) {
        g_bStartFile = startFile;
        ASSERT_TRUE(LoadPlayFile(dir.file("c01_00.rpl4_732"), startFile));
        EXPECT_EQ(g_Replay.m_nSeed, 4242);
        EXPECT_EQ(g_Stage.m_Charas.size(), 1u);
        EXPECT_EQ(g_Stage.m_strPath, dir.file("c01_00.rpl4_732"));
        EXPECT_EQ(g_SaveData.m_nStageNo, 4) << startFile;
        EXPECT_EQ(g_SaveData.m_nStagePart, 2) << startFile;
        EXPECT_EQ(g_SaveData.m_nStartLives, 8) << startFile;
        EXPECT_EQ(g_SaveData.m_nLives, 7) << startFile;
        EXPECT_EQ(g_SaveData.m_strStageName, "data\\stg4\\cave.") << startFile;
    }
    // The title's replay chooser reads a replay whatever its name says, the same way; a file that is
    // no replay is refused with a box.
    g_bStartFile = 0;
    std::filesystem::copy_file(dir.file("c01_00.rpl4_732"), dir.file("renamed.dat"));
    g_SaveData.m_nLives = 1;
    ASSERT_TRUE(LoadReplayForPlay(dir.file("renamed.dat")));
    EXPECT_EQ(g_SaveData.m_nLives, 7);
    EXPECT_EQ(g_Stage.m_strPath, dir.file("renamed.dat"));
    fixtures::BoxCapture boxes;
    EXPECT_FALSE(LoadReplayForPlay(dir.file("c01-1.stg4_001")));
    EXPECT_EQ(boxes.texts().size(), 1u);
}
