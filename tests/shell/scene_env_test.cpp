#include "app/scene.h"
#include "app/shell_test_support.h"
#include "menus/title_scene.h"
#include "play/play_scene.h"
#include "shell/scene_env.h"

namespace {

class PlayerScenes : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        ShellFixture::SetUp();
        InstallSceneEnv();
    }
    void TearDown() override {
        manager.DeleteAll();
        SetSceneEnv(nullptr);
        ShellFixture::TearDown();
    }
    cSceneManager manager;
};

} // namespace

TEST_F(PlayerScenes, EachIndexBuildsItsOwnSceneAndThePlaySceneIsReachable) {
    manager.SwitchScene(SCENE_TITLE);
    EXPECT_NE(dynamic_cast<cTitleScene*>(manager.SceneAt(SCENE_TITLE)), nullptr);
    manager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    EXPECT_EQ(static_cast<cScene*>(g_lpGameScene), manager.SceneAt(SCENE_PLAY));
    manager.DeleteAll();
    EXPECT_EQ(g_lpGameScene, nullptr);
}

TEST_F(PlayerScenes, AMarkedCloseAndTheFrameRateReachThePlayScene) {
    manager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    SceneEnv().SetGameSceneQuit(g_lpGameScene);
    EXPECT_EQ(g_lpGameScene->m_bClosing, 1);
    SceneEnv().SetGameSceneFps(g_lpGameScene, 59);
    EXPECT_EQ(g_lpGameScene->m_nFps, 59);
}
